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
// Every call posts the data report (2, 1) to the control window first, whatever it then draws.
// Safe to call on several threads at once: fonts and brushes are made per image, the settings
// are only read.

#include <cstdint>
#include <string>

#include "platform/gfx/Bitmap.h"
#include "platform/win/Types.h"

// The watermark settings of an upload, as the settings record holds them.
struct WaterPressSettings {
  int32_t m_nWaterPressType = 0;
  std::u16string m_strWaterPressName;  // first line
  std::u16string m_strWaterPressURL;   // second line
  std::u16string m_strWaterPressPath;  // the downloaded watermark picture, or empty
};

// The watermark picture to draw: m_strWaterPressPath when that file exists, else
// "waterpress<type>.png" in the shared data folder when that exists, else empty.
std::u16string WaterPressPicturePath(const WaterPressSettings& settings);

// Draws the watermark into `image` in place (see above). The caller decides whether the image is
// to be watermarked at all.
void DrawWaterPress(platform::gfx::Bitmap& image, const WaterPressSettings& settings, platform::HWND controlWindow);
