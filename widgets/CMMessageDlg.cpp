#include "widgets/CMMessageDlg.h"

#include <algorithm>

#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "widgets/Skin.h"

using namespace platform;

namespace {

// Posted to the dialog once it shows: runs the shown hook inside the loop.
constexpr UINT kShown = WM_USER + 1;
constexpr UINT kFirstButtonId = 1;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 28;
constexpr int kButtonGap = 10;
constexpr int kMargin = 18;
constexpr int kHeaderHeight = 36;
constexpr gfx::Color kWarning = 0xFFE4282A;

CCMMessageDlg::ShownHook& Hook() {
  static CCMMessageDlg::ShownHook hook;
  return hook;
}

}  // namespace

int CCMMessageDlg::ButtonCount(int32_t type) {
  switch (type) {
    case 1: return 3;
    case 2: return 2;
    default: return 1;
  }
}

CCMMessageDlg::CCMMessageDlg(std::u16string text, std::u16string caption, std::vector<std::u16string> buttons,
                             int32_t flag)
    : m_strText(std::move(text)), m_strCaption(std::move(caption)), m_buttonTexts(std::move(buttons)),
      m_bWarning(flag != 0) {
  while (!m_buttonTexts.empty() && m_buttonTexts.back().empty()) m_buttonTexts.pop_back();
}

CCMMessageDlg::~CCMMessageDlg() { DestroyWindow(hwnd()); }

void CCMMessageDlg::SetSize(int width, int height) {
  m_nWidth = std::max(width, 2 * kMargin + kButtonWidth);
  m_nHeight = std::max(height, kHeaderHeight + kButtonHeight + 2 * kMargin);
}

void CCMMessageDlg::SetLink(std::u16string text, std::function<void()> open) {
  m_strLink = std::move(text);
  m_openLink = std::move(open);
}

void CCMMessageDlg::SetShownHook(ShownHook hook) { Hook() = std::move(hook); }

HWND CCMMessageDlg::button(int index) const {
  return index >= 0 && index < static_cast<int>(m_buttons.size()) ? m_buttons[index]->hwnd() : nullptr;
}

int CCMMessageDlg::DoModal(HWND owner) {
  if (!owner) owner = GetFocus();
  const HWND top = GetTopLevelWindow(owner);
  RECT area{0, 0, m_nWidth, m_nHeight};
  if (top) GetWindowRect(top, &area);
  const int left = area.left + (RectWidth(area) - m_nWidth) / 2;
  const int topY = area.top + std::max(0, (RectHeight(area) - m_nHeight) / 2);
  if (!Create(owner, RECT{left, topY, left + m_nWidth, topY + m_nHeight}, WS_VISIBLE, m_strCaption)) return kClosed;
  const bool ownerWasEnabled = top && !EnableWindow(top, false);
  if (!m_buttons.empty()) SetFocus(m_buttons.front()->hwnd());
  PostMessage(hwnd(), kShown);
  const HWND self = hwnd();
  RunUntil([&] { return m_bAnswered || !IsWindow(self); });
  if (ownerWasEnabled && IsWindow(top)) EnableWindow(top, true);
  DestroyWindow(self);
  return m_bAnswered ? m_nAnswer : kClosed;
}

void CCMMessageDlg::Press(int index) {
  if (index < 0 || index >= static_cast<int>(m_buttonTexts.size())) return;
  m_nAnswer = index;
  m_bAnswered = true;
}

void CCMMessageDlg::Close() {
  m_nAnswer = kClosed;
  m_bAnswered = true;
}

void CCMMessageDlg::OpenLink() {
  if (m_openLink) m_openLink();
}

RECT CCMMessageDlg::LinkRect() const { return RECT{kMargin, 80, m_nWidth - 20, 125}; }

void CCMMessageDlg::OnCreate() {
  const int count = static_cast<int>(m_buttonTexts.size());
  int x = m_nWidth - kMargin - count * kButtonWidth - (count - 1) * kButtonGap;
  const int y = m_nHeight - kMargin - kButtonHeight;
  for (int i = 0; i < count; ++i) {
    auto button = std::make_unique<CCMButton>();
    button->Create(hwnd(), RECT{x, y, x + kButtonWidth, y + kButtonHeight}, kFirstButtonId + i, m_buttonTexts[i]);
    // The first button is the one the dialog suggests.
    const bool main = i == 0;
    skin::ButtonFaces faces = skin::PushButtonFaces(kButtonWidth, kButtonHeight, main ? skin::kAccent : skin::kPanel);
    button->SetImage(CCMButton::kNormal, std::move(faces.normal));
    button->SetImage(CCMButton::kHover, std::move(faces.hover));
    button->SetImage(CCMButton::kPressed, std::move(faces.pressed));
    button->SetTextColor(main ? skin::kButtonText : skin::kText);
    m_buttons.push_back(std::move(button));
    x += kButtonWidth + kButtonGap;
  }
}

void CCMMessageDlg::OnPaint() {
  PaintDC dc(hwnd());
  gfx::Canvas& canvas = dc.canvas();
  const float w = static_cast<float>(m_nWidth);
  const float h = static_cast<float>(m_nHeight);
  canvas.FillRect({0, 0, w, h}, 0xFFFFFFFF);
  canvas.FillRect({0, 0, w, float{kHeaderHeight}}, skin::kPanel);
  canvas.FillRect({0, float{kHeaderHeight} - 1, w, 1}, skin::kBorder);
  canvas.DrawTextLine(m_strCaption, skin::UiFont(14), {float{kMargin}, 0, w - 2 * kMargin, float{kHeaderHeight}},
                      m_bWarning ? kWarning : skin::kText);
  const float textTop = kHeaderHeight + 12;
  const float textBottom = m_strLink.empty() ? h - kMargin - kButtonHeight - 8 : static_cast<float>(LinkRect().top);
  canvas.DrawText(m_strText, skin::UiFont(13), {float{kMargin}, textTop, w - 2 * kMargin, textBottom - textTop},
                  skin::kText);
  if (!m_strLink.empty()) {
    const RECT link = LinkRect();
    canvas.DrawText(m_strLink, skin::UiFont(13),
                    {float(link.left), float(link.top), float(RectWidth(link)), float(RectHeight(link))}, skin::kAccent);
  }
}

LRESULT CCMMessageDlg::WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>&) {
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_CREATE: OnCreate(); return 0;
    case WM_PAINT: OnPaint(); return 0;
    case WM_COMMAND: Press(static_cast<int>(LOWORD(wParam)) - static_cast<int>(kFirstButtonId)); return 0;
    case WM_CLOSE: Close(); return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) Close();
      if (wParam == VK_RETURN) Press(0);
      return 0;
    case WM_SETCURSOR: {
      POINT pointer;
      GetCursorPos(&pointer);
      ScreenToClient(hwnd(), &pointer);
      if (m_strLink.empty() || !PtInRect(LinkRect(), pointer)) return 0;
      SetCursor(Cursor::kHand);
      return 1;
    }
    case WM_LBUTTONUP:
      if (!m_strLink.empty() && PtInRect(LinkRect(), point)) OpenLink();
      return 0;
    case kShown:
      if (Hook()) Hook()(*this);
      return 0;
  }
  return 0;
}
