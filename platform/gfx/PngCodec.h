#pragma once
// PNG decoding and encoding with libpng.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gfx/Bitmap.h"

namespace platform::gfx {

// Decodes any PNG (palette, grey, colour, with or without alpha, 1 to 16 bits, interlaced) to
// premultiplied pixels. False for data that is not a decodable PNG or declares a size the data
// cannot plausibly hold; `out` is left alone then.
bool DecodePng(const uint8_t* data, size_t size, Bitmap* out);

// Encodes a bitmap as an 8-bit PNG: RGB when every pixel is opaque, else RGBA (straight alpha).
bool EncodePng(const Bitmap& bitmap, std::vector<uint8_t>* out);

}  // namespace platform::gfx
