#pragma once
// Data reports: any window or worker tells the control about a user action or a measured value by
// posting CM_DATAREPORT to the control's window. wParam is the operation; the payload is a
// DataReportRecord that the control frees after handling (a report to a window that is gone is
// dropped and freed).

#include <cstdint>

#include "platform/win/MessageLoop.h"

constexpr platform::UINT CM_DATAREPORT = platform::WM_USER + 30;

struct DataReportRecord : platform::MessagePayload {
  DataReportRecord(int32_t operation, int32_t value) : nOperation(operation), nValue(value) {}
  int32_t nOperation;
  int32_t nValue;
};

// Posts operation `operation` with `value` to `controlWindow`, or, when that is null, to the
// process's control window as the global object records it (for what belongs to no one control).
// False when there is no such window.
bool PostDataReport(platform::HWND controlWindow, int32_t operation, int32_t value);
bool PostDataReport(int32_t operation, int32_t value);
