#include "net/DataReport.h"

#include "control/services/Global.h"

bool PostDataReport(platform::HWND controlWindow, int32_t operation, int32_t value) {
  if (!controlWindow) controlWindow = CGlobal::Instance().GetControlWnd();
  return platform::PostMessage(controlWindow, CM_DATAREPORT, static_cast<platform::WPARAM>(operation), 0,
                               std::make_unique<DataReportRecord>(operation, value));
}

bool PostDataReport(int32_t operation, int32_t value) { return PostDataReport(nullptr, operation, value); }
