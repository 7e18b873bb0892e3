#pragma once
// Internal to platform/win: routes input, from the display or from a program (SyntheticInput.h),
// to the windows of the calling thread, keeping the thread's focus, capture, hover window, cursor
// and key state (Input.h).

#include "platform/win/Input.h"
#include "platform/win/Message.h"

namespace platform::detail {

// A mouse message at `client` in `target`, the window under the pointer.
void RouteMouse(HWND target, UINT message, POINT client, WPARAM keys);
// The wheel over `client` in `target`; it goes to the nearest window with a vertical scroll bar
// among `target` and its ancestors (else `target` itself).
void RouteWheel(HWND target, POINT client, int delta, WPARAM keys);
// The pointer left the windows (it is outside every top-level window of the thread).
void RoutePointerLeft();
// A key, to the focus window, or to `fallback` when no window has the focus.
void RouteKey(UINT vk, bool down, HWND fallback);
void RouteChar(char16_t unit, HWND fallback);
// Files dropped at `client` in `target`: WM_DROPFILES when it takes files, else false.
bool RouteDrop(HWND target, std::vector<std::u16string> files, POINT client);
// The Shift and Ctrl state that the display reports with each event.
void SetModifiers(bool shift, bool control);
// A window that is going: it stops being the focus, capture or hover window.
void ForgetInputWindow(HWND hwnd);

}  // namespace platform::detail
