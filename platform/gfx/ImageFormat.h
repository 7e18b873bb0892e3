#pragma once
// Image file formats, recognised from the file's own signature, and a cheap header read that
// gives the format and the pixel size without decoding any pixels.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/gfx/ByteSource.h"

namespace platform::gfx {

// The numbering is the system's image format codes: callers store and compare these values.
enum class ImageFormat : int {
  Unknown = -1,
  Jpeg = 0,
  Gif = 1,
  Png = 2,
  Bmp = 3,
  Emf = 4,
  Wmf = 5,
  Tiff = 6,
  Exif = 7,       // never produced from a file signature; kept for the numbering
  Icon = 8,
  MemoryBmp = 9,  // a bitmap made in memory rather than read from a file
};

// The format whose signature starts `data` (Unknown when none matches).
ImageFormat SniffImageFormat(const uint8_t* data, size_t size);

struct ImageHeader {
  ImageFormat format = ImageFormat::Unknown;
  int width = 0;
  int height = 0;
  int components = 0;  // JPEG only: the frame's colour components (1 grey, 3 colour, 4 CMYK)
};

// Reads the format and the size from the header of an image. False (and Unknown) when the data
// has no known signature or its header is truncated, malformed or declares a zero size.
bool ReadImageHeader(const ByteSource& source, ImageHeader* out);
bool ReadImageHeader(const std::string& path, ImageHeader* out);

}  // namespace platform::gfx
