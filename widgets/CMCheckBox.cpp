#include "widgets/CMCheckBox.h"

#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "widgets/Skin.h"

using namespace platform;

namespace {
constexpr float kBox = 13;
}  // namespace

CCMCheckBox::~CCMCheckBox() { DestroyWindow(hwnd()); }

bool CCMCheckBox::Create(HWND parent, const RECT& rect, UINT id, std::u16string text) {
  m_nID = id;
  m_strText = std::move(text);
  return Window::Create(parent, rect, WS_CHILD | WS_VISIBLE);
}

void CCMCheckBox::SetText(std::u16string text) {
  m_strText = std::move(text);
  InvalidateRect(hwnd());
}

void CCMCheckBox::SetCheck(bool checked) {
  m_bChecked = checked;
  InvalidateRect(hwnd());
}

void CCMCheckBox::OnPaint() {
  PaintDC dc(hwnd());
  gfx::Canvas& canvas = dc.canvas();
  const gfx::RectF area = skin::ClientArea(hwnd());
  const float w = area.width;
  const float h = area.height;
  canvas.FillRect({0, 0, w, h}, 0xFFFFFFFF);
  const float top = (h - kBox) / 2;
  skin::DrawBox(canvas, {0, top, kBox, kBox}, m_bChecked ? skin::kAccent : skin::kBorder,
                m_bChecked ? skin::kAccent : 0xFFFFFFFF);
  if (m_bChecked) {
    // A tick: a short stroke down and a long one up, drawn as two bars of squares.
    for (int i = 0; i < 3; ++i) canvas.FillRect({3.0f + i, top + 6 + i, 2, 2}, 0xFFFFFFFF);
    for (int i = 0; i < 5; ++i) canvas.FillRect({6.0f + i, top + 8 - i, 2, 2}, 0xFFFFFFFF);
  }
  canvas.DrawTextLine(m_strText, skin::UiFont(12), {kBox + 4, 0, w - kBox - 4, h}, skin::kText);
}

LRESULT CCMCheckBox::WndProc(UINT message, WPARAM, LPARAM, std::unique_ptr<MessagePayload>&) {
  switch (message) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_SETCURSOR: SetCursor(Cursor::kHand); return 1;
    case WM_LBUTTONUP:
      SetCheck(!m_bChecked);
      PostMessage(GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(static_cast<int>(m_nID), static_cast<int>(BN_CLICKED)),
                  reinterpret_cast<LPARAM>(hwnd()));
      return 0;
  }
  return 0;
}
