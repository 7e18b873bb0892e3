#pragma once
// The clipboard: a picture, a list of files (text/uri-list on the display) or a text. Setting
// anything replaces what was there. On the display thread it is the desktop's clipboard; on any
// other thread (headless) it is one clipboard shared by the process.
//
// Reading the desktop's clipboard waits for the program that owns it, running the display's loop
// meanwhile: messages, timers and paints of the thread's windows go on being handled.

#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"

namespace platform {

// The picture on the clipboard (opaque ARGB); false when there is none.
bool GetClipboardImage(gfx::Bitmap* out);
// The files on the clipboard, in order; false when it holds no file list.
bool GetClipboardFiles(std::vector<std::u16string>* out);

bool SetClipboardImage(const gfx::Bitmap& image);
bool SetClipboardFiles(const std::vector<std::u16string>& files);
bool SetClipboardText(std::u16string_view text);

}  // namespace platform
