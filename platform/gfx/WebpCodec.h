#pragma once
// WebP pictures with libwebp: lossy and lossless, with or without alpha, and animated ones (their
// first frame). WebP has no rotation of its own: a camera's EXIF orientation, kept in the file's
// EXIF chunk, applies as it does for a JPEG.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/ByteSource.h"

namespace platform::gfx {

// The picture's size (the canvas of an extended or animated file) and, when `exifApp1` is given,
// the EXIF chunk as the data of a JPEG APP1 segment ("Exif\0\0" and the TIFF block; empty when
// the file has none, or one too large for a JPEG segment). Reads the header and the chunk headers
// only. False for a source that is not a WebP file or whose header is truncated or malformed.
bool ReadWebpInfo(const ByteSource& source, int* width, int* height, std::vector<uint8_t>* exifApp1);

// Decodes a WebP picture to opaque or premultiplied pixels; an animated one gives its first frame
// on the canvas. With a minimum size (both sides above 0) smaller than the picture, a still
// picture is scaled down while it is decoded, keeping its aspect, to the smallest size that is
// at least minWidth x minHeight. False for data that is not a decodable WebP file, and for a
// picture over Bitmap::kMaxPixels or larger than the data can plausibly hold; `out` is left
// alone then.
bool DecodeWebp(const uint8_t* data, size_t size, int minWidth, int minHeight, Bitmap* out);

}  // namespace platform::gfx
