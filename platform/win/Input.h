#pragma once
// The keyboard and the pointer as the windows of a thread see them: focus, capture, cursor shape,
// key state and pointer position. Each thread that owns windows has its own; every function acts
// on the calling thread's.
//
// Input reaches windows as messages: mouse messages go to the window under the pointer, or to the
// window holding the capture; before each WM_MOUSEMOVE the window gets WM_SETCURSOR and, unless it
// answers 1, shows the arrow; a window that the pointer leaves (for another window, a child
// included, or for the outside) gets WM_MOUSELEAVE. The wheel goes to the nearest window with a
// vertical scroll bar under the pointer (the window itself or an ancestor). A disabled window
// gets no input. Keys and characters go to the focus window.
// Real input comes from the display; SyntheticInput.h makes the same input from a program.

#include "platform/win/Types.h"

namespace platform {

enum class Cursor { kArrow, kHand, kSizeAll, kSizeWE, kIBeam, kNo };

// Gives the focus to `hwnd` (null takes it away): WM_KILLFOCUS to the old focus window, then
// WM_SETFOCUS to the new one. Returns the old focus window.
HWND SetFocus(HWND hwnd);
HWND GetFocus();

// Sends every mouse message to `hwnd` until ReleaseCapture, wherever the pointer is (coordinates
// in its client area, possibly negative). The window losing the capture gets WM_CAPTURECHANGED.
HWND SetCapture(HWND hwnd);
bool ReleaseCapture();
HWND GetCapture();

// Shows `cursor` over the window under the pointer (or holding the capture).
void SetCursor(Cursor cursor);

// Moves the top-level window of `hwnd` with the pointer until the left button is released, as a
// press on a title bar does: a borderless window calls it from WM_LBUTTONDOWN so that any free
// spot drags it. Mouse messages stop meanwhile. False when `hwnd` is not a window with a surface.
bool StartWindowMove(HWND hwnd);

// The pointer's last known position, in screen coordinates.
bool GetCursorPos(POINT* point);
// The high bit (the value is negative) while the key is down: VK_SHIFT, VK_CONTROL, VK_LBUTTON,
// VK_RBUTTON, and the keys reported as pressed.
int16_t GetKeyState(int vk);

}  // namespace platform
