#include "widgets/CMDropDown.h"

#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "widgets/Skin.h"

using namespace platform;

namespace {
constexpr UINT kListId = 1;
}  // namespace

CCMDropDown::CCMDropDown() = default;

CCMDropDown::~CCMDropDown() { DestroyWindow(hwnd()); }

bool CCMDropDown::Create(HWND parent, const RECT& rect, UINT id, std::vector<std::u16string> items) {
  m_nID = id;
  if (!Window::Create(parent, rect, WS_CHILD | WS_VISIBLE)) return false;
  m_list.Create(hwnd(), kListId);
  m_list.SetItems(std::move(items));
  return true;
}

void CCMDropDown::SetCurSel(int index) {
  if (index < 0 || index >= static_cast<int>(m_list.items().size())) return;
  m_nCurrent = index;
  InvalidateRect(hwnd());
}

void CCMDropDown::ShowList(bool show) {
  if (!show) {
    m_list.Hide();
    return;
  }
  RECT window{};
  GetWindowRect(hwnd(), &window);
  m_list.Show(POINT{window.left, window.bottom}, RectWidth(window), m_nCurrent);
}

void CCMDropDown::OnPaint() {
  PaintDC dc(hwnd());
  gfx::Canvas& canvas = dc.canvas();
  const gfx::RectF area = skin::ClientArea(hwnd());
  const float w = area.width;
  const float h = area.height;
  skin::DrawBox(canvas, {0, 0, w, h}, skin::kBorder, 0xFFFFFFFF);
  const auto& items = m_list.items();
  if (m_nCurrent < static_cast<int>(items.size())) {
    canvas.DrawTextLine(items[m_nCurrent], skin::UiFont(12), {6, 0, w - 26, h}, skin::kText);
  }
  canvas.DrawTextLine(u"▾", skin::UiFont(12), {w - 20, 0, 16, h}, skin::kFaintText, gfx::Canvas::Align::kCentre);
}

LRESULT CCMDropDown::WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>&) {
  switch (message) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_SETCURSOR: SetCursor(Cursor::kHand); return 1;
    case WM_LBUTTONUP: ShowList(!IsListShown()); return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kListId && HIWORD(wParam) == CBN_SELCHANGE) {
        SetCurSel(static_cast<int>(lParam));
        PostMessage(GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(static_cast<int>(m_nID), static_cast<int>(CBN_SELCHANGE)),
                    reinterpret_cast<LPARAM>(hwnd()));
      }
      return 0;
  }
  return 0;
}
