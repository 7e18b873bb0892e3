#include "ui/FrameControls.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/win/Surface.h"
#include "ui/UploaderFrame.h"
#include "widgets/Skin.h"

namespace frame_controls {

void Place(const platform::Window& window, const platform::RECT& rect) {
  platform::MoveWindow(window.hwnd(), rect.left, rect.top, platform::RectWidth(rect), platform::RectHeight(rect));
}

void PlaceButton(CCMButton& button, const platform::RECT& rect, Face face) {
  Place(button, rect);
  if (face == Face::kLink) {
    button.SetBackColor(skin::kPanel);
    button.SetTextColor(skin::kAccent);
    return;
  }
  const bool main = face == Face::kMain;
  skin::ButtonFaces faces =
      skin::PushButtonFaces(platform::RectWidth(rect), platform::RectHeight(rect), main ? skin::kAccent : skin::kPanel);
  button.SetImage(CCMButton::kNormal, std::move(faces.normal));
  button.SetImage(CCMButton::kHover, std::move(faces.hover));
  button.SetImage(CCMButton::kPressed, std::move(faces.pressed));
  button.SetImage(CCMButton::kDisabled, std::move(faces.disabled));
  button.SetTextColor(main ? skin::kButtonText : skin::kText);
}

std::u16string StatusText(CUploaderFrame& frame) {
  CUploadMgr& manager = frame.GetUploadMgr();
  const int total = manager.GetTotalCount();
  const int current = std::min(manager.GetCompleteCount() + manager.GetCompressErrorCount() + 1, total);
  std::u16string text = u"正在上传 " + platform::FromUtf8(std::to_string(current)) + u"/" +
                        platform::FromUtf8(std::to_string(total)) + u" 张";
  const std::u16string speed = frame.progress().SpeedText();
  if (!speed.empty()) text += u"，" + speed;
  return text;
}

}  // namespace frame_controls
