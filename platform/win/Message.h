#pragma once
// Window messages: their numbers, the codes carried in their parameters and the message record.
// Numbers and codes keep the values of the desktop system the control was first written for, so
// that code handling them reads the same as its description.

#include <string>
#include <vector>

#include "platform/win/Types.h"

namespace platform {

constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;          // lParam: MAKELPARAM(client width, client height)
constexpr UINT WM_SETFOCUS = 0x0007;      // wParam: the window that lost the focus (or null)
constexpr UINT WM_KILLFOCUS = 0x0008;     // wParam: the window that gets the focus (or null)
constexpr UINT WM_ENABLE = 0x000A;        // wParam: 1 enabled, 0 disabled
constexpr UINT WM_PAINT = 0x000F;         // the update region is read with PaintDC (PaintDC.h)
constexpr UINT WM_CLOSE = 0x0010;         // the user asked to close a top-level window
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_SHOWWINDOW = 0x0018;    // wParam: 1 shown, 0 hidden
constexpr UINT WM_SETCURSOR = 0x0020;     // wParam: the window under the pointer; return 1 if handled
constexpr UINT WM_KEYDOWN = 0x0100;       // wParam: the VK_ code
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;          // wParam: one UTF-16 unit (Enter 0x0D, Backspace 0x08, ...)
constexpr UINT WM_COMMAND = 0x0111;       // wParam: MAKEWPARAM(id, notification); lParam: the control
constexpr UINT WM_TIMER = 0x0113;         // wParam: the timer id
constexpr UINT WM_VSCROLL = 0x0115;       // wParam: MAKEWPARAM(SB_ code, position for the thumb codes)
constexpr UINT WM_MOUSEMOVE = 0x0200;     // mouse messages: wParam MK_ flags, lParam client MAKELPARAM(x, y)
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MOUSEWHEEL = 0x020A;    // wParam: MAKEWPARAM(MK_ flags, delta); lParam: screen point
constexpr UINT WM_CAPTURECHANGED = 0x0215;  // to the window that lost the capture
constexpr UINT WM_DEVICECHANGE = 0x0219;  // wParam: DBT_ event (VolumeMonitor.h)
constexpr UINT WM_DROPFILES = 0x0233;     // payload: DropFiles
constexpr UINT WM_MOUSELEAVE = 0x02A3;    // the pointer left the window (or moved into a child)

// Key codes (VK_). Letters and digits are their upper-case ASCII codes ('A', '0').
constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_SHIFT = 0x10;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_MENU = 0x12;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;
constexpr UINT VK_PRIOR = 0x21;
constexpr UINT VK_NEXT = 0x22;
constexpr UINT VK_END = 0x23;
constexpr UINT VK_HOME = 0x24;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;
constexpr UINT VK_DELETE = 0x2E;
constexpr UINT VK_LBUTTON = 0x01;
constexpr UINT VK_RBUTTON = 0x02;

// Mouse-message key flags (MK_).
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;
constexpr int WHEEL_DELTA = 120;  // one notch of the wheel

// Scroll-bar requests of WM_VSCROLL (SB_).
constexpr int SB_LINEUP = 0;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGEDOWN = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_TOP = 6;
constexpr int SB_BOTTOM = 7;
constexpr int SB_ENDSCROLL = 8;

// Button notification of WM_COMMAND.
constexpr UINT BN_CLICKED = 0;

// The payload of WM_DROPFILES: the dropped files, in order, and where they were dropped (client
// coordinates of the receiving window). It stands for the drop handle of the original system.
struct DropFiles : MessagePayload {
  std::vector<std::u16string> files;
  POINT point;
};

struct Message {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::unique_ptr<MessagePayload> payload;
};

}  // namespace platform
