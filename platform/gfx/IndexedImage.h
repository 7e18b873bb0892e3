#pragma once
// A palette image: one palette index per pixel. GIF pictures keep this form so that turning them
// keeps their own colours exactly, with no new quantisation.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gfx/Bitmap.h"

namespace platform::gfx {

struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;    // width * height indices, rows top to bottom
  std::vector<uint32_t> palette;  // opaque 0xFFRRGGBB colours; every index in `pixels` is inside it
  int transparent = -1;           // the index shown as fully transparent, or -1

  // The same picture as premultiplied ARGB pixels.
  Bitmap ToBitmap() const {
    Bitmap bitmap(width, height);
    uint32_t* out = bitmap.data();
    for (size_t i = 0; i < pixels.size() && !bitmap.empty(); ++i) {
      const uint8_t index = pixels[i];
      out[i] = index == transparent ? 0u : index < palette.size() ? palette[index] : 0xFF000000u;
    }
    return bitmap;
  }
};

}  // namespace platform::gfx
