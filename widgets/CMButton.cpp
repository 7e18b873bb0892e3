#include "widgets/CMButton.h"

#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "widgets/Skin.h"

using namespace platform;

CCMButton::CCMButton() : m_font(skin::UiFont()) {}

CCMButton::~CCMButton() { DestroyWindow(hwnd()); }

bool CCMButton::Create(HWND parent, const RECT& rect, UINT id, std::u16string text, bool visible) {
  m_nID = id;
  m_strText = std::move(text);
  return Window::Create(parent, rect, WS_CHILD | (visible ? WS_VISIBLE : 0));
}

void CCMButton::SetImage(State state, gfx::Bitmap image) {
  m_images[state] = std::move(image);
  InvalidateRect(hwnd());
}

void CCMButton::SetText(std::u16string text) {
  m_strText = std::move(text);
  InvalidateRect(hwnd());
}

void CCMButton::SetTextColor(gfx::Color colour) {
  m_crText = colour;
  InvalidateRect(hwnd());
}

void CCMButton::SetBackColor(gfx::Color colour) {
  m_crBack = colour;
  InvalidateRect(hwnd());
}

void CCMButton::SetFont(const gfx::Font& font) {
  m_font = font;
  InvalidateRect(hwnd());
}

CCMButton::State CCMButton::state() const {
  if (!IsWindowEnabled(hwnd())) return kDisabled;
  if (m_bPressed) return m_bHover ? kPressed : kNormal;  // pressed, then dragged off: not pressed
  return m_bHover ? kHover : kNormal;
}

void CCMButton::SetFlags(bool hover, bool pressed) {
  if (hover == m_bHover && pressed == m_bPressed) return;
  m_bHover = hover;
  m_bPressed = pressed;
  InvalidateRect(hwnd());
}

void CCMButton::OnPaint() {
  PaintDC dc(hwnd());
  RECT client;
  GetClientRect(hwnd(), &client);
  const gfx::RectF all{0, 0, static_cast<float>(client.right), static_cast<float>(client.bottom)};
  gfx::Canvas& canvas = dc.canvas();
  canvas.FillRect(all, m_crBack);
  const gfx::Bitmap& image = m_images[state()].empty() ? m_images[kNormal] : m_images[state()];
  if (!image.empty()) canvas.DrawImage(image, all);
  if (!m_strText.empty()) canvas.DrawTextLine(m_strText, m_font, all, m_crText, gfx::Canvas::Align::kCentre);
}

LRESULT CCMButton::WndProc(UINT message, WPARAM, LPARAM lParam, std::unique_ptr<MessagePayload>&) {
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_SETCURSOR:
      SetCursor(Cursor::kHand);
      return 1;
    case WM_MOUSEMOVE: {
      RECT client;
      GetClientRect(hwnd(), &client);
      SetFlags(PtInRect(client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}), m_bPressed);
      return 0;
    }
    case WM_MOUSELEAVE:
      SetFlags(false, m_bPressed);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetCapture(hwnd());
      SetFlags(true, true);
      return 0;
    case WM_LBUTTONUP: {
      if (!m_bPressed) return 0;
      RECT client;
      GetClientRect(hwnd(), &client);
      const bool inside = PtInRect(client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      ReleaseCapture();
      SetFlags(inside, false);
      if (inside) {
        PostMessage(GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(static_cast<int>(m_nID), BN_CLICKED),
                    reinterpret_cast<LPARAM>(hwnd()));
      }
      return 0;
    }
    case WM_CAPTURECHANGED:
      SetFlags(m_bHover, false);
      return 0;
    case WM_ENABLE:
      SetFlags(false, false);
      return 0;
  }
  return 0;
}
