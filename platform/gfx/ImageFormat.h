#pragma once
// Image file formats, recognised from the file's own signature, and a cheap header read that
// gives the format and the pixel size without decoding any pixels.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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
  // The formats of today's phones and of pictures saved from the web, after the codes above.
  Heic = 10,  // HEVC in a HEIF container
  Avif = 11,  // AV1 in a HEIF container
  Webp = 12,
};

// HEIC and AVIF, the HEIF formats: their decoder applies the container's rotation and mirror.
inline bool IsHeifFormat(ImageFormat format) { return format == ImageFormat::Heic || format == ImageFormat::Avif; }
// The formats whose EXIF block lies in their container (HEIC, AVIF, WebP) rather than in a JPEG
// segment; ReadImageHeader hands it out.
inline bool HasContainerExif(ImageFormat format) { return IsHeifFormat(format) || format == ImageFormat::Webp; }

// Bytes enough to recognise every format (a HEIF file's brands included, as writers put them).
constexpr size_t kSniffBytes = 64;

// The format whose signature starts `data` (Unknown when none matches). HEIF files are told apart
// by the brands of their file-type box: HEIC or AVIF, anything else is Unknown.
ImageFormat SniffImageFormat(const uint8_t* data, size_t size);

// The formats the decoders read, that is the pictures the uploader accepts, with the file-name
// extensions they usually have (lower case, without the dot), for lists of picture files.
struct PictureFormat {
  ImageFormat format;
  std::vector<std::string> extensions;
};
const std::vector<PictureFormat>& PictureFormats();
// True for a format of PictureFormats(): JPEG, GIF, PNG, BMP, HEIC, AVIF and WebP.
bool IsPictureFormat(ImageFormat format);
// The picture format whose extensions hold `extension` (any letter case, without the dot);
// Unknown when none does.
ImageFormat PictureFormatOfExtension(const std::string& extension);

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
// The same, and for a HEIC, AVIF or WebP file also the container's EXIF block as the data of a
// JPEG APP1 segment ("Exif\0\0" and the TIFF block), empty when it has none. (A JPEG keeps its
// block in a segment of its own: see ReadExifProperties.)
bool ReadImageHeader(const ByteSource& source, ImageHeader* out, std::vector<uint8_t>* containerExif);

}  // namespace platform::gfx
