#pragma once
// A reader for uncompressed Windows bitmaps (BMP), the common kinds that cameras and scanners
// never produce but users still pick: 1, 4 and 8 bits with a palette, 16, 24 and 32 bits, with
// or without bit-field masks, bottom-up or top-down. Run-length compressed files are refused.

#include <cstddef>
#include <cstdint>

#include "platform/gfx/Bitmap.h"

namespace platform::gfx {

// Decodes to opaque pixels (the alpha byte of 32-bit files is not used, as most writers leave it
// zero). False for a malformed header, an unsupported kind, or pixel data shorter than declared;
// `out` is left alone then.
bool DecodeBmp(const uint8_t* data, size_t size, Bitmap* out);

}  // namespace platform::gfx
