#include "engine/LocalErrorReport.h"

#include <memory>

#include "control/services/Global.h"

bool PostLocalError(std::u16string text, int32_t code) {
  return platform::PostMessage(CGlobal::Instance().GetControlWnd(), CM_FTUPLOADER, FTUPLOADER_LOCAL_ERROR, 0,
                               std::make_unique<LocalErrorRecord>(std::move(text), code));
}
