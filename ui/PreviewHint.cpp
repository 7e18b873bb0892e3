#include "ui/PreviewHint.h"

#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "widgets/Skin.h"

using namespace platform;

namespace {

constexpr int kPictureSize = 96;
constexpr char16_t kInvitation[] = u"把照片拖到这里，或者点击添加照片";

void Face(CCMButton& button, int width, int height, gfx::Color fill, gfx::Color text) {
  skin::ButtonFaces faces = skin::PushButtonFaces(width, height, fill);
  button.SetImage(CCMButton::kNormal, std::move(faces.normal));
  button.SetImage(CCMButton::kHover, std::move(faces.hover));
  button.SetImage(CCMButton::kPressed, std::move(faces.pressed));
  button.SetImage(CCMButton::kDisabled, std::move(faces.disabled));
  button.SetTextColor(text);
}

}  // namespace

CPreviewHint::~CPreviewHint() { DestroyWindow(hwnd()); }

bool CPreviewHint::Create(HWND grid) {
  if (!Window::Create(grid, RECT{0, 0, kWidth, kHeight}, WS_CHILD | WS_VISIBLE)) return false;
  const int left = (kWidth - kPictureSize) / 2;
  m_addPicture.Create(hwnd(), RECT{left, 0, left + kPictureSize, kPictureSize}, kAddPicture);
  m_addPicture.SetImage(CCMButton::kNormal, skin::AddPhotosPicture(kPictureSize));
  m_addButton.Create(hwnd(), RECT{kWidth / 2 - 110, 150, kWidth / 2 - 10, 182}, kAddButton, u"添加照片");
  Face(m_addButton, 100, 32, skin::kAccent, skin::kButtonText);
  m_back.Create(hwnd(), RECT{kWidth / 2 + 10, 150, kWidth / 2 + 110, 182}, kBack, u"返回");
  Face(m_back, 100, 32, skin::kPanel, skin::kText);
  m_howToDrag.Create(hwnd(), RECT{kWidth / 2 - 80, 196, kWidth / 2 + 80, 220}, kHowToDrag, u"如何拖拽照片?", false);
  m_howToDrag.SetTextColor(skin::kAccent);
  return true;
}

void CPreviewHint::Centre(int width, int height) {
  MoveWindow(hwnd(), (width - kWidth) / 2, std::max(0, (height - kHeight) / 2), kWidth, kHeight);
}

void CPreviewHint::ShowHowToDrag(bool show) { ShowWindow(m_howToDrag.hwnd(), show ? SW_SHOW : SW_HIDE); }

LRESULT CPreviewHint::WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>&) {
  switch (message) {
    case WM_PAINT: {
      PaintDC dc(hwnd());
      dc.canvas().FillRect({0, 0, float{kWidth}, float{kHeight}}, 0xFFFFFFFF);
      dc.canvas().DrawTextLine(kInvitation, skin::UiFont(14), {0, kPictureSize + 12, float{kWidth}, 28}, skin::kFaintText,
                               gfx::Canvas::Align::kCentre);
      return 0;
    }
    case WM_COMMAND:
      PostMessage(GetParent(hwnd()), WM_COMMAND, wParam, lParam);
      return 0;
  }
  return 0;
}
