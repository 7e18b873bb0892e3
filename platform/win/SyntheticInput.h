#pragma once
// Input made by a program instead of a device: tests and headless mode drive windows with it. It
// takes the same route as input from the display (Input.h: capture, hover and leave, the cursor
// request, key state, focus) and is handled before the call returns. Calls act on windows of the
// calling thread.

#include <string>
#include <vector>

#include "platform/win/Message.h"

namespace platform {

// A mouse message (WM_MOUSEMOVE, WM_LBUTTONDOWN, ...) at (x, y) in `hwnd`'s client area, with the
// MK_ flags `keys`. The key flags also set the Shift and Ctrl state that GetKeyState reports.
void SendMouseInput(HWND hwnd, UINT message, int x, int y, WPARAM keys = 0);
// One turn of the wheel by `delta` (WHEEL_DELTA per notch, positive away from the user) over
// (x, y) in `hwnd`'s client area.
void SendWheelInput(HWND hwnd, int x, int y, int delta, WPARAM keys = 0);
// The pointer left the windows of the thread.
void SendPointerLeftInput();
// A key pressed or released (WM_KEYDOWN / WM_KEYUP to the focus window), keeping the key state.
void SendKeyInput(UINT vk, bool down);
// Characters typed (WM_CHAR for each UTF-16 unit, to the focus window).
void SendTextInput(std::u16string_view text);
// Files dropped on `hwnd` at (x, y): WM_DROPFILES when the window takes files. False otherwise.
bool SendDropFilesInput(HWND hwnd, std::vector<std::u16string> files, int x, int y);

}  // namespace platform
