#pragma once
// The watermark: a caption band in the lower left corner of a big picture, drawn into the image
// just before it is encoded, so that it has the same size in pixels whatever the photo's size.
//
// The band is a translucent dark strip 45 pixels high that fades out to the right, with the
// album's picture (logo), the owner's name and the album's address in translucent white:
//   type 1  picture, name and address on two lines
//   type 2  picture and the address on one line
//   other   band and picture without text
// An image lower than 90 pixels, or too narrow for its texts plus 30 pixels, is left unchanged.
// A picture that cannot be decoded or drawn suppresses the text but keeps the band.
//
// Every call posts the data report (2, 1) to the control's window first, whatever it then draws.
// Safe to call on several threads at once: fonts and brushes are made per image, the settings
// are only read.

#include <string>

#include "control/settings/ULKernelInfo.h"
#include "platform/gfx/Bitmap.h"
#include "platform/win/Types.h"

// The watermark picture to draw: m_strWaterPressPath when that file exists, else
// "waterpress<m_nWaterPressType>.png" in the shared data folder when that exists, else empty.
std::u16string WaterPressPicturePath(const CULKernel_Info& settings);

// Draws the watermark of `settings` (type, name, address and picture) into `image` in place, as
// described above. The caller decides whether the image is to be watermarked (m_nWaterMark).
// The use is reported to the control `reportWnd` (data report 2; null: the process's control).
void DrawWaterPress(platform::gfx::Bitmap& image, const CULKernel_Info& settings, platform::HWND reportWnd = nullptr);
