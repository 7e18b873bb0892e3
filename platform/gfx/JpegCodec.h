#pragma once
// JPEG decoding and encoding with libjpeg-turbo, straight between the compressed bytes and the
// bitmap's own row memory (the library converts to and from the bitmap's byte order itself).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gfx/Bitmap.h"

namespace platform::gfx {

// Decodes a JPEG at scaleNumerator/8 of its size (1..8; 8 is full size). The library scales
// inside the inverse DCT, so the output is ceil(width*n/8) x ceil(height*n/8) and costs about
// (n/8)^2 of a full decode. Greyscale, colour and CMYK photos decode to opaque pixels. False for
// anything that is not a decodable JPEG, for a size the data cannot plausibly hold, and for a
// scale outside 1..8; `out` is left alone then. A photo whose data ends early decodes with the
// missing part grey, as the library fills it.
bool DecodeJpeg(const uint8_t* data, size_t size, int scaleNumerator, Bitmap* out);

// Encodes a bitmap as a baseline JPEG with 4:2:0 chroma at `quality` (0..100; the library treats
// 0 as 1). Alpha is dropped, which shows premultiplied pixels over black. When `app1` is not empty
// it is written as an APP1 segment right after the start of image (an EXIF block: "Exif\0\0" and
// the TIFF data) in place of the JFIF header; a block over 65533 bytes fails the call.
bool EncodeJpeg(const Bitmap& bitmap, int quality, const std::vector<uint8_t>& app1, std::vector<uint8_t>* out);

}  // namespace platform::gfx
