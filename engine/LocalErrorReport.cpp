#include "engine/LocalErrorReport.h"

#include <memory>

#include "control/services/Global.h"

bool PostLocalError(platform::HWND control, std::u16string text, int32_t code) {
  if (!control) control = CGlobal::Instance().GetControlWnd();
  return platform::PostMessage(control, CM_FTUPLOADER, FTUPLOADER_LOCAL_ERROR, 0,
                               std::make_unique<LocalErrorRecord>(std::move(text), code));
}
