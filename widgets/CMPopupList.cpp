#include "widgets/CMPopupList.h"

#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "widgets/Skin.h"

using namespace platform;

CCMPopupList::CCMPopupList() = default;

CCMPopupList::~CCMPopupList() { DestroyWindow(hwnd()); }

bool CCMPopupList::Create(HWND owner, UINT id) {
  m_hOwner = owner;
  m_nID = id;
  return Window::Create(owner, RECT{0, 0, 1, 1}, WS_POPUP);
}

void CCMPopupList::SetItems(std::vector<std::u16string> items) {
  m_items = std::move(items);
  InvalidateRect(hwnd());
}

void CCMPopupList::Show(POINT screen, int width, int current) {
  m_nHot = current;
  MoveWindow(hwnd(), screen.x, screen.y, width, static_cast<int>(m_items.size()) * kRowHeight + 2);
  InvalidateRect(hwnd());
  ShowWindow(hwnd(), SW_SHOW);
  SetFocus(hwnd());
}

void CCMPopupList::Hide() { ShowWindow(hwnd(), SW_HIDE); }

bool CCMPopupList::IsShown() const { return IsWindowVisible(hwnd()); }

void CCMPopupList::Choose(int index) {
  if (index < 0 || index >= static_cast<int>(m_items.size())) return;
  Hide();
  PostMessage(m_hOwner, WM_COMMAND, MAKEWPARAM(static_cast<int>(m_nID), static_cast<int>(CBN_SELCHANGE)), index);
}

int CCMPopupList::RowAt(int y) const {
  const int row = (y - 1) / kRowHeight;
  return y >= 1 && row < static_cast<int>(m_items.size()) ? row : -1;
}

void CCMPopupList::OnPaint() {
  PaintDC dc(hwnd());
  RECT client{};
  GetClientRect(hwnd(), &client);
  gfx::Canvas& canvas = dc.canvas();
  const float w = static_cast<float>(client.right);
  skin::DrawBox(canvas, {0, 0, w, static_cast<float>(client.bottom)}, skin::kBorder, 0xFFFFFFFF);
  for (int i = 0; i < static_cast<int>(m_items.size()); ++i) {
    const gfx::RectF row{1, 1.0f + i * kRowHeight, w - 2, float{kRowHeight}};
    if (i == m_nHot) canvas.FillRect(row, (skin::kAccent & 0x00FFFFFF) | 0x26000000);
    canvas.DrawTextLine(m_items[i], skin::UiFont(12), {row.x + 6, row.y, row.width - 12, row.height}, skin::kText);
  }
}

LRESULT CCMPopupList::WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>&) {
  switch (message) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_MOUSEMOVE: {
      const int row = RowAt(GET_Y_LPARAM(lParam));
      if (row != m_nHot && row >= 0) {
        m_nHot = row;
        InvalidateRect(hwnd());
      }
      return 0;
    }
    case WM_LBUTTONUP: Choose(RowAt(GET_Y_LPARAM(lParam))); return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) Hide();
      if (wParam == VK_RETURN) Choose(m_nHot);
      if ((wParam == VK_DOWN || wParam == VK_UP) && !m_items.empty()) {
        const int count = static_cast<int>(m_items.size());
        m_nHot = ((m_nHot < 0 ? 0 : m_nHot) + (wParam == VK_DOWN ? 1 : count - 1)) % count;
        InvalidateRect(hwnd());
      }
      return 0;
    case WM_KILLFOCUS: Hide(); return 0;
  }
  return 0;
}
