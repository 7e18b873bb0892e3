#pragma once
// The messages a thumbnail grid sends to its parent frame: its notifications and the command that
// asks the frame to delete the selection. (The "give up focus" message to the control is
// CM_NOTIFYVIEW, control/ControlMessages.h.)

#include "platform/win/Types.h"

// Grid notifications to the parent: wParam is the code, lParam as listed.
constexpr platform::UINT CM_CMPREVIEW = platform::WM_USER + 11;
constexpr platform::WPARAM CMT_UPLOADPREVIEW_SELCHANGED = 4;  // lParam 0 none, 1 not only GIFs, 2 only GIFs
constexpr platform::WPARAM CMT_UPLOADPREVIEW_ADDPHOTO = 5;    // an add-photos button of the empty grid
constexpr platform::WPARAM CMT_UPLOADPREVIEW_BACK = 6;        // the empty grid's third button
constexpr platform::WPARAM CMT_UPLOADPREVIEW_ADDFILES = 7;    // sent; lParam: const std::vector<std::u16string>*
constexpr platform::WPARAM CMT_UPLOADPREVIEW_ENTER = 8;       // Enter pressed and released over photos
constexpr platform::WPARAM CMT_UPLOADPREVIEW_NEXT = 9;       // (from other windows) go on with the batch
constexpr platform::WPARAM CMT_UPLOADPREVIEW_HOWTODRAG = 11;  // the empty grid's extra button
constexpr platform::WPARAM CMT_UPLOADPREVIEW_SHOWGIF = 12;    // (from other windows) an animation is shown
constexpr platform::WPARAM CMT_UPLOADPREVIEW_MENU = 13;       // lParam: the menu's order command 1, 2 or 3

// WM_COMMAND id to the parent: the user asked to delete the selected photos.
constexpr platform::UINT IDC_UPLOADPREVIEW_DELETE = 107;
