#pragma once
// HEIF pictures, HEIC (HEVC coded) and AVIF (AV1 coded), with libheif and its decoder plugins.
//
// libheif applies the container's transformations (clean aperture, rotation "irot", mirror
// "imir") while it decodes, and the sizes it gives are those of the transformed picture: the
// pixels come out upright. A phone also writes the same turn as the EXIF orientation of the
// file, which therefore must not be applied a second time.
//
// libheif reads the file through a ByteSource with positioned reads, so that reading the size or
// the EXIF block of a large photo touches only the container's metadata.

#include <cstdint>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/ByteSource.h"

namespace platform::gfx {

// The primary picture's size (after the container's transformations) and, when `exifApp1` is
// given, its EXIF block as the data of a JPEG APP1 segment ("Exif\0\0" and the TIFF block; empty
// when the file has none, or one too large for a JPEG segment). The coded picture is not read.
// False for a source that is not a readable HEIF file with a primary picture.
bool ReadHeifInfo(const ByteSource& source, int* width, int* height, std::vector<uint8_t>* exifApp1);

// Decodes the primary picture, upright, to opaque pixels (premultiplied where it has alpha; more
// than 8 bits a sample are reduced to 8). With a minimum size (both sides above 0), the smallest
// thumbnail of the picture that is at least minWidth x minHeight and has the picture's shape
// (both wider than high, both higher than wide, or both square) is decoded instead when the file
// has one; a thumbnail that fails to decode falls back to the picture. False for anything that
// is not a decodable HEIF file, and for a picture over Bitmap::kMaxPixels or larger than the
// source can plausibly hold; `out` is left alone then.
bool DecodeHeif(const ByteSource& source, int minWidth, int minHeight, Bitmap* out);

}  // namespace platform::gfx
