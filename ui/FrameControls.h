#pragma once
// What both uploader frames do with their controls: placing a child window, placing a push button
// with its faces drawn at its size, and the line of the status strip.

#include <string>

#include "platform/win/Window.h"
#include "widgets/CMButton.h"

class CUploaderFrame;

namespace frame_controls {

// The accent face marks the action the frame suggests; a link shows only its text.
enum class Face { kMain, kPlain, kLink };

// Moves `window` to `rect` in its parent's client area.
void Place(const platform::Window& window, const platform::RECT& rect);
void PlaceButton(CCMButton& button, const platform::RECT& rect, Face face);
// "正在上传 3/10 张" and, once known, the speed.
std::u16string StatusText(CUploaderFrame& frame);

}  // namespace frame_controls
