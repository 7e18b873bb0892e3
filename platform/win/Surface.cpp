#include "platform/win/Surface.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/win/InputRouter.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/SurfaceBackend.h"
#include "platform/win/ThreadQueue.h"

namespace platform {

namespace {

constexpr int kScrollBarWidth = 17;
constexpr uint32_t kWhite = 0xFFFFFFFF;

// The update area that stands for "the whole client area"; painting clips it.
constexpr RECT kEverything{INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2};

using detail::SurfaceOf;
using detail::SurfaceState;

// Keeps the pixels as large as the client area; what they showed stays where it was.
void ResizePixels(SurfaceState& surface) {
  const int width = surface.clientWidth();
  const int height = surface.clientHeight();
  if (surface.pixels.width() == width && surface.pixels.height() == height) return;
  gfx::Bitmap pixels(width, height, kWhite);
  const int rows = std::min(height, surface.pixels.height());
  const int columns = std::min(width, surface.pixels.width());
  for (int y = 0; y < rows; ++y) std::memcpy(pixels.row(y), surface.pixels.row(y), columns * sizeof(uint32_t));
  surface.pixels = std::move(pixels);
}

// After a change that may have resized the client area: new pixels, a full repaint and WM_SIZE.
void ClientMayHaveChanged(HWND hwnd, int oldWidth, int oldHeight) {
  SurfaceState* surface = SurfaceOf(hwnd);
  if (!surface) return;
  const int width = surface->clientWidth();
  const int height = surface->clientHeight();
  if (width == oldWidth && height == oldHeight) return;
  ResizePixels(*surface);
  InvalidateRect(hwnd);
  SendMessage(hwnd, WM_SIZE, 0, MAKELPARAM(width, height));
}

// The highest position the scroll bar can take.
int MaxScrollPos(const SCROLLINFO& info) {
  const int page = info.nPage > 0 ? static_cast<int>(std::min<UINT>(info.nPage, INT_MAX)) : 1;
  return std::max(info.nMin, info.nMax - page + 1);
}

void FlushPaints(HWND hwnd) {
  UpdateWindow(hwnd);
  if (SurfaceState* surface = SurfaceOf(hwnd)) {
    const std::vector<HWND> children = surface->children;
    for (HWND child : children) FlushPaints(child);
  }
}

}  // namespace

namespace detail {

bool SurfaceState::vscrollShown() const {
  if (!(style & WS_VSCROLL)) return false;
  const bool scrolls = vscroll.nPage == 0 ? vscroll.nMax > vscroll.nMin
                                          : int64_t{vscroll.nMax} - vscroll.nMin + 1 > int64_t{vscroll.nPage};
  return scrolls || vscrollDisableNoScroll;
}

int SurfaceState::clientWidth() const { return std::max(0, RectWidth(rect) - (vscrollShown() ? kScrollBarWidth : 0)); }

bool ShownOnScreen(const SurfaceState& surface) {
  for (const SurfaceState* s = &surface; s; s = s->parent ? SurfaceOf(s->parent) : nullptr) {
    if (!s->visible()) return false;
  }
  return true;
}

POINT ClientOrigin(const SurfaceState& surface) {
  POINT origin{surface.rect.left, surface.rect.top};
  if (const SurfaceState* parent = surface.parent ? SurfaceOf(surface.parent) : nullptr) {
    const POINT parentOrigin = ClientOrigin(*parent);
    origin.x += parentOrigin.x;
    origin.y += parentOrigin.y;
  }
  return origin;
}

std::unique_ptr<SurfaceState> MakeSurface(HWND hwnd, HWND parent, const RECT& rect, uint32_t style,
                                          std::u16string_view title) {
  auto surface = std::make_unique<SurfaceState>();
  surface->hwnd = hwnd;
  surface->parent = (style & WS_CHILD) ? parent : nullptr;
  surface->style = style;
  surface->rect = rect;
  surface->title = title;
  surface->backend = &CurrentBackend();
  ResizePixels(*surface);
  if (SurfaceState* parentSurface = SurfaceOf(surface->parent)) parentSurface->children.push_back(hwnd);
  surface->backend->Create(*surface);
  ThreadQueue::Current()->Invalidate(hwnd, kEverything);
  return surface;
}

void DestroySurface(std::unique_ptr<SurfaceState> surface) {
  if (!surface) return;
  ForgetInputWindow(surface->hwnd);
  if (SurfaceState* parent = SurfaceOf(surface->parent)) {
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), surface->hwnd), siblings.end());
    InvalidateRect(surface->parent, &surface->rect);
  }
  surface->backend->Destroy(*surface);
}

void Paint(SurfaceState& surface, const RECT& update) {
  if (!ShownOnScreen(surface)) return;
  RECT area;
  if (!IntersectRect(&area, update, RECT{0, 0, surface.clientWidth(), surface.clientHeight()})) return;
  const HWND hwnd = surface.hwnd;
  surface.paintRect = area;
  SendMessage(hwnd, WM_PAINT);
  // The handler may have destroyed the window.
  if (SurfaceState* painted = SurfaceOf(hwnd)) {
    painted->paintRect.reset();
    painted->backend->Present(*painted, area);
  }
}

void PaintWindow(HWND hwnd, const RECT& update) {
  if (SurfaceState* surface = SurfaceOf(hwnd)) Paint(*surface, update);
}

}  // namespace detail

int GetSystemMetrics(int index) { return index == SM_CXVSCROLL ? kScrollBarWidth : 0; }

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO& info, bool redraw) {
  SurfaceState* surface = SurfaceOf(hwnd);
  if (!surface || bar != SB_VERT) return 0;
  const int oldWidth = surface->clientWidth();
  const int oldHeight = surface->clientHeight();
  SCROLLINFO& scroll = surface->vscroll;
  if (info.fMask & SIF_RANGE) {
    scroll.nMin = info.nMin;
    scroll.nMax = std::max(info.nMin, info.nMax);
  }
  if (info.fMask & SIF_PAGE) scroll.nPage = info.nPage;
  if (info.fMask & SIF_POS) scroll.nPos = info.nPos;
  if (info.fMask & (SIF_RANGE | SIF_PAGE)) surface->vscrollDisableNoScroll = (info.fMask & SIF_DISABLENOSCROLL) != 0;
  scroll.nPos = std::clamp(scroll.nPos, scroll.nMin, MaxScrollPos(scroll));
  const int position = scroll.nPos;
  if (redraw) surface->backend->UpdateScrollBar(*surface);
  ClientMayHaveChanged(hwnd, oldWidth, oldHeight);
  return position;
}

bool GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info) {
  SurfaceState* surface = SurfaceOf(hwnd);
  if (!surface || bar != SB_VERT || !info) return false;
  const UINT mask = info->fMask;
  const SCROLLINFO& scroll = surface->vscroll;
  if (mask & SIF_RANGE) {
    info->nMin = scroll.nMin;
    info->nMax = scroll.nMax;
  }
  if (mask & SIF_PAGE) info->nPage = scroll.nPage;
  if (mask & SIF_POS) info->nPos = scroll.nPos;
  return true;
}

int GetScrollPos(HWND hwnd, int bar) {
  SurfaceState* surface = SurfaceOf(hwnd);
  return surface && bar == SB_VERT ? surface->vscroll.nPos : 0;
}

std::optional<int> ScrollRequestPos(HWND hwnd, int code, int thumb, int line) {
  SurfaceState* surface = SurfaceOf(hwnd);
  if (!surface) return std::nullopt;
  const int pos = surface->vscroll.nPos;
  switch (code) {
    case SB_LINEUP: return pos - line;
    case SB_LINEDOWN: return pos + line;
    case SB_PAGEUP: return pos - surface->clientHeight();
    case SB_PAGEDOWN: return pos + surface->clientHeight();
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: return thumb;
    case SB_TOP: return surface->vscroll.nMin;
    case SB_BOTTOM: return surface->vscroll.nMax;
  }
  return std::nullopt;
}

bool MoveWindow(HWND hwnd, int x, int y, int width, int height, bool repaint) {
  SurfaceState* surface = SurfaceOf(hwnd);
  if (!surface) return false;
  const int oldWidth = surface->clientWidth();
  const int oldHeight = surface->clientHeight();
  const RECT old = surface->rect;
  surface->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
  surface->backend->Update(*surface);
  if (repaint && surface->parent) InvalidateRect(surface->parent, &old);
  if (repaint) InvalidateRect(hwnd);
  ClientMayHaveChanged(hwnd, oldWidth, oldHeight);
  return true;
}

bool ShowWindow(HWND hwnd, int show) {
  SurfaceState* surface = SurfaceOf(hwnd);
  if (!surface) return false;
  const bool wasVisible = surface->visible();
  const bool visible = show != SW_HIDE;
  if (visible == wasVisible) return wasVisible;
  surface->style = visible ? surface->style | WS_VISIBLE : surface->style & ~WS_VISIBLE;
  surface->backend->Update(*surface);
  if (surface->parent) InvalidateRect(surface->parent, &surface->rect);
  if (visible) InvalidateRect(hwnd);
  SendMessage(hwnd, WM_SHOWWINDOW, visible ? 1 : 0);
  return wasVisible;
}

bool IsWindowVisible(HWND hwnd) {
  SurfaceState* surface = SurfaceOf(hwnd);
  return surface && detail::ShownOnScreen(*surface);
}

bool EnableWindow(HWND hwnd, bool enable) {
  SurfaceState* surface = SurfaceOf(hwnd);
  if (!surface) return false;
  const bool wasDisabled = !surface->enabled();
  if (enable != wasDisabled) return wasDisabled;
  surface->style = enable ? surface->style & ~WS_DISABLED : surface->style | WS_DISABLED;
  surface->backend->Update(*surface);
  InvalidateRect(hwnd);
  SendMessage(hwnd, WM_ENABLE, enable ? 1 : 0);
  return wasDisabled;
}

bool IsWindowEnabled(HWND hwnd) {
  SurfaceState* surface = SurfaceOf(hwnd);
  return surface && surface->enabled();
}

HWND GetTopLevelWindow(HWND hwnd) {
  for (SurfaceState* surface = SurfaceOf(hwnd); surface; surface = SurfaceOf(surface->parent)) {
    if (!(surface->style & WS_CHILD)) return surface->hwnd;
  }
  return nullptr;
}

bool SetWindowText(HWND hwnd, std::u16string_view text) {
  SurfaceState* surface = SurfaceOf(hwnd);
  if (!surface) return false;
  surface->title = text;
  surface->backend->Update(*surface);
  return true;
}

bool GetClientRect(HWND hwnd, RECT* rect) {
  SurfaceState* surface = SurfaceOf(hwnd);
  if (!surface || !rect) return false;
  *rect = RECT{0, 0, surface->clientWidth(), surface->clientHeight()};
  return true;
}

bool GetWindowRect(HWND hwnd, RECT* rect) {
  SurfaceState* surface = SurfaceOf(hwnd);
  if (!surface || !rect) return false;
  const POINT origin = detail::ClientOrigin(*surface);
  *rect = RECT{origin.x, origin.y, origin.x + RectWidth(surface->rect), origin.y + RectHeight(surface->rect)};
  return true;
}

bool ClientToScreen(HWND hwnd, POINT* point) {
  SurfaceState* surface = SurfaceOf(hwnd);
  if (!surface || !point) return false;
  const POINT origin = detail::ClientOrigin(*surface);
  point->x += origin.x;
  point->y += origin.y;
  return true;
}

bool ScreenToClient(HWND hwnd, POINT* point) {
  SurfaceState* surface = SurfaceOf(hwnd);
  if (!surface || !point) return false;
  const POINT origin = detail::ClientOrigin(*surface);
  point->x -= origin.x;
  point->y -= origin.y;
  return true;
}

bool InvalidateRect(HWND hwnd, const RECT* rect) {
  auto entry = detail::FindWindow(hwnd);
  if (!entry || !entry->hasSurface) return false;
  if (rect && IsRectEmpty(*rect)) return true;
  entry->queue->Invalidate(hwnd, rect ? *rect : kEverything);
  return true;
}

bool UpdateWindow(HWND hwnd) {
  SurfaceState* surface = SurfaceOf(hwnd);
  if (!surface) return false;
  if (auto update = detail::ThreadQueue::Current()->TakeUpdate(hwnd)) detail::Paint(*surface, *update);
  return true;
}

bool DragAcceptFiles(HWND hwnd, bool accept) {
  SurfaceState* surface = SurfaceOf(hwnd);
  if (!surface) return false;
  surface->acceptFiles = accept;
  surface->backend->AcceptFiles(*surface);
  return true;
}

bool CaptureWindow(HWND hwnd, gfx::Bitmap* out) {
  if (!SurfaceOf(hwnd) || !out) return false;
  FlushPaints(hwnd);
  SurfaceState* surface = SurfaceOf(hwnd);
  return surface && surface->backend->Capture(*surface, out);
}

}  // namespace platform
