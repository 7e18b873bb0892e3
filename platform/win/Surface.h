#pragma once
// Windows that show something: a window created with a rectangle (Window::Create) has a surface,
// a top-level window or a child placed at a rectangle in its parent's client area. The layer keeps
// its geometry, visibility, scroll bar and pixels; on the display thread GTK shows it (Display.h),
// elsewhere it lives headless with the same behaviour.
//
// Rules:
// - Every function here acts on windows of the calling thread and fails (false, null or 0) for a
//   window of another thread or one without a surface. The exception is InvalidateRect, which any
//   thread may call (a worker asks the window thread to repaint).
// - Painting: invalidated areas collect per window; when the thread has no posted message waiting,
//   the loop delivers WM_PAINT, and the handler paints the update area with PaintDC (PaintDC.h)
//   into the window's own pixels, which are then shown at once (double-buffered).
// - Coordinates: a child's rectangle is in its parent's client coordinates, a top-level window's in
//   screen coordinates; the client area starts at (0, 0) and excludes the vertical scroll bar while
//   it shows (SM_CXVSCROLL pixels at the right).

#include <optional>
#include <string_view>

#include "platform/gfx/Bitmap.h"
#include "platform/win/Types.h"

namespace platform {

// Window styles (WS_).
constexpr uint32_t WS_POPUP = 0x80000000;    // a top-level window without decorations (tool tips)
constexpr uint32_t WS_CHILD = 0x40000000;
constexpr uint32_t WS_VISIBLE = 0x10000000;
constexpr uint32_t WS_DISABLED = 0x08000000;  // takes no mouse or keyboard input
constexpr uint32_t WS_VSCROLL = 0x00200000;   // has a vertical scroll bar
// A top-level window without the window manager's title bar and frame, that still takes the focus
// (a dialog that draws its own caption; StartWindowMove in Input.h lets the user drag it).
constexpr uint32_t WS_BORDERLESS = 0x00000100;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

constexpr int SM_CXVSCROLL = 2;
// The width of the vertical scroll bar, SM_CXVSCROLL.
int GetSystemMetrics(int index);

// The vertical scroll bar (SB_VERT). nMax is the last position of the content, so the position
// runs from nMin to nMax - nPage + 1. The bar hides when the page covers the whole range, unless
// SIF_DISABLENOSCROLL keeps it, shown and disabled.
constexpr int SB_VERT = 1;
constexpr UINT SIF_RANGE = 0x1;
constexpr UINT SIF_PAGE = 0x2;
constexpr UINT SIF_POS = 0x4;
constexpr UINT SIF_DISABLENOSCROLL = 0x8;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS;
struct SCROLLINFO {
  UINT fMask = SIF_ALL;
  int32_t nMin = 0;
  int32_t nMax = 0;
  UINT nPage = 0;
  int32_t nPos = 0;
  int32_t nTrackPos = 0;
};
// Sets the fields named by fMask; the position is kept inside its range. Returns the position.
int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO& info, bool redraw = true);
bool GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info);
int GetScrollPos(HWND hwnd, int bar);
// The position of the vertical scroll bar that a WM_VSCROLL request asks for: a line of `line`
// pixels up or down, a page (the client height), the thumb's position `thumb`, the top or the
// bottom. Nothing for a request that moves nothing (SB_ENDSCROLL).
std::optional<int> ScrollRequestPos(HWND hwnd, int code, int thumb, int line);

// Moves and sizes a window (WM_SIZE follows when the client size changed).
bool MoveWindow(HWND hwnd, int x, int y, int width, int height, bool repaint = true);
// SW_SHOW or SW_HIDE; returns whether the window was visible before.
bool ShowWindow(HWND hwnd, int show);
// The window and all its ancestors are visible.
bool IsWindowVisible(HWND hwnd);
// A disabled window takes no input. Returns whether the window was disabled before.
bool EnableWindow(HWND hwnd, bool enable);
bool IsWindowEnabled(HWND hwnd);
// The top-level window that `hwnd` is a child (or grandchild...) of; `hwnd` itself when it is a
// top-level window; null when it has no surface.
HWND GetTopLevelWindow(HWND hwnd);
bool SetWindowText(HWND hwnd, std::u16string_view text);

bool GetClientRect(HWND hwnd, RECT* rect);
// The window's rectangle in screen coordinates.
bool GetWindowRect(HWND hwnd, RECT* rect);
bool ClientToScreen(HWND hwnd, POINT* point);
bool ScreenToClient(HWND hwnd, POINT* point);

// Adds `rect` (client coordinates; null for the whole client area) to the window's update area.
// Any thread.
bool InvalidateRect(HWND hwnd, const RECT* rect = nullptr);
// Delivers WM_PAINT at once if the window has an update area.
bool UpdateWindow(HWND hwnd);

// The window takes files dropped on it from a file manager: WM_DROPFILES with a DropFiles payload.
bool DragAcceptFiles(HWND hwnd, bool accept);

// What the window shows now, its visible children included, at its client size: the pixels it
// painted, or on the display what the screen shows. Pending paints of the window and its children
// are delivered first.
bool CaptureWindow(HWND hwnd, gfx::Bitmap* out);

}  // namespace platform
