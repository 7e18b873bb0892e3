#pragma once
// The messages a thumbnail grid sends: its notifications to the parent frame, the command that asks
// the frame to delete the selection, and the "give up focus" message to the control.

#include "platform/win/Types.h"

// Grid notifications to the parent: wParam is the code, lParam as listed.
constexpr platform::UINT CM_CMPREVIEW = platform::WM_USER + 11;
constexpr platform::WPARAM CMT_UPLOADPREVIEW_SELCHANGED = 4;  // lParam 0 none, 1 not only GIFs, 2 only GIFs
constexpr platform::WPARAM CMT_UPLOADPREVIEW_ADDPHOTO = 5;    // an add-photos button of the empty grid
constexpr platform::WPARAM CMT_UPLOADPREVIEW_BACK = 6;        // the empty grid's third button
constexpr platform::WPARAM CMT_UPLOADPREVIEW_ADDFILES = 7;    // sent; lParam: const std::vector<std::u16string>*
constexpr platform::WPARAM CMT_UPLOADPREVIEW_ENTER = 8;       // Enter pressed and released over photos
constexpr platform::WPARAM CMT_UPLOADPREVIEW_HOWTODRAG = 11;  // the empty grid's extra button

// WM_COMMAND id to the parent: the user asked to delete the selected photos.
constexpr platform::UINT IDC_UPLOADPREVIEW_DELETE = 107;

// To the control's window when the pointer leaves the grid for outside it: wParam 100, payload
// NotifyViewRecord{100}.
constexpr platform::UINT CM_NOTIFYVIEW = platform::WM_USER + 31;
struct NotifyViewRecord : platform::MessagePayload {
  explicit NotifyViewRecord(int32_t value) : nValue(value) {}
  int32_t nValue;
};
