#include "ui/PreviewWindow.h"

#include <algorithm>
#include <atomic>

#include "control/services/Log.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"

using namespace platform;

namespace {
std::atomic<int> g_lastWindowId{0};
}  // namespace

int CPreviewWindow::NewWindowId() { return ++g_lastWindowId; }

CPreviewWindow::CPreviewWindow(const char* className, ThumbCaller caller, CPreviewLoader::TimeReport report)
    : m_loader(m_list, caller, std::move(report)),
      m_strSetScrollScope(std::string(className) + "::SetScroll"),
      m_strScrollBarScope(std::string(className) + "::IsVScrollBarVisible") {}

CPreviewWindow::~CPreviewWindow() = default;

void CPreviewWindow::StartLoader() { m_bLoaderPending = !m_loader.Start(hwnd()); }

// ---- Layout and scrolling ---------------------------------------------------------------------

CPreviewLayout::Columns CPreviewWindow::Columns() const {
  RECT client{};
  GetClientRect(hwnd(), &client);
  const int bar = GetSystemMetrics(SM_CXVSCROLL);
  // The layout always counts the scroll bar's width in, shown or not.
  if (IsVScrollBarVisible(nullptr)) client.right += bar;
  return CPreviewLayout::CountColumns(client.right, bar);
}

POINT CPreviewWindow::ToCanvas(POINT client) const { return POINT{client.x, client.y + GetScrollPos()}; }

int CPreviewWindow::GetScrollPos() const { return platform::GetScrollPos(hwnd(), SB_VERT); }

void CPreviewWindow::CaculatePicRect(size_t start) {
  const CPreviewLayout::Columns columns = Columns();
  CPreviewList::Lock lock(m_list.mutex());
  CPreviewLayout::LayOut(m_list.items(), start, columns, NarrowButtons());
}

void CPreviewWindow::CreateCanvas() {
  if (!CanvasReady()) return;
  m_nCanvasHeight = CPreviewLayout::CanvasHeight(m_list.size(), Columns().nXCount);
}

void CPreviewWindow::SetScroll(int pos) {
  RECT client{};
  GetClientRect(hwnd(), &client);
  const int max = m_list.size() > 0 ? CPreviewLayout::ScrollMax(m_list.items().back()->rcPic, m_nCanvasHeight) : 0;
  SCROLLINFO info;
  info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = max;
  info.nPage = static_cast<UINT>(std::max(0, client.bottom));
  info.nPos = std::clamp(pos, 0, max);
  const int position = SetScrollInfo(hwnd(), SB_VERT, info);
  fotaro::Log(m_strSetScrollScope, "Scroll Info : si.nPage = %d, si.nPos = %d, si.nMax = %d, rcClient.Height() = %d",
              static_cast<int>(info.nPage), position, max, static_cast<int>(client.bottom));
  CPreviewList::Lock lock(m_list.mutex());
  m_list.m_nScrollPos = position;
  m_list.m_nClientHeight = client.bottom;
}

void CPreviewWindow::RecalcAndRedraw(size_t start) {
  CaculatePicRect(start);
  CreateCanvas();
  SetScroll(GetScrollPos());
  InvalidateRect(hwnd());
}

bool CPreviewWindow::IsVScrollBarVisible(RECT* bar) const {
  RECT window{}, client{};
  GetWindowRect(hwnd(), &window);
  GetClientRect(hwnd(), &client);
  const bool visible = RectWidth(window) > client.right;
  if (visible) {
    fotaro::Log(m_strScrollBarScope, "Scrollbar Visible, width = %d", RectWidth(window) - client.right);
  } else {
    fotaro::Log(m_strScrollBarScope, "Scrollbar Invisible");
  }
  if (bar) *bar = RECT{client.right, 0, RectWidth(window), client.bottom};
  return visible;
}

void CPreviewWindow::ScrollTo(int pos) {
  OnScrolling();
  SetScroll(pos);
  {
    // The loader goes on with the photos now in view.
    CPreviewList::Lock lock(m_list.mutex());
    m_list.m_nRestartPos = m_list.m_nScrollPos;
  }
  m_nLastScrollPos = GetScrollPos();
  InvalidateRect(hwnd());
}

void CPreviewWindow::OnVScroll(int code, int thumb) {
  if (const std::optional<int> pos = ScrollRequestPos(hwnd(), code, thumb, kLine)) ScrollTo(*pos);
}

void CPreviewWindow::OnMouseWheel(int delta) { ScrollTo(GetScrollPos() - delta * 2 * kLine / WHEEL_DELTA); }

void CPreviewWindow::PaintView(CPreviewPainter::View view) {
  PaintDC dc(hwnd());
  GetClientRect(hwnd(), &view.client);
  view.scrollPos = GetScrollPos();
  CPreviewList::Lock lock(m_list.mutex());
  m_painter.Paint(dc.canvas(), m_list, view);
}
