#include "platform/gfx/ImageFormat.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/gfx/HeifCodec.h"
#include "platform/gfx/JpegSegments.h"
#include "platform/gfx/WebpCodec.h"

namespace platform::gfx {

namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) { return Le16(p) | (uint32_t{Le16(p + 2)} << 16); }
uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t Be32(const uint8_t* p) { return (uint32_t{Be16(p)} << 16) | Be16(p + 2); }

bool StartsWith(const uint8_t* data, size_t size, const char* signature, size_t length) {
  return size >= length && std::memcmp(data, signature, length) == 0;
}

// Stores a size when both sides are positive and fit an int.
bool SetSize(int64_t width, int64_t height, ImageHeader* out) {
  if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) return false;
  out->width = static_cast<int>(width);
  out->height = static_cast<int>(height);
  return true;
}

bool JpegSize(const ByteSource& source, ImageHeader* out) {
  bool found = false;
  WalkJpegSegments(source, [&](const JpegSegment& segment) {
    if (!IsJpegStartOfFrame(segment.marker)) return true;
    uint8_t frame[6];  // precision, height, width, components
    found = segment.length >= 6 && source.ReadExact(segment.offset, frame, 6) &&
            SetSize(Be16(frame + 3), Be16(frame + 1), out);
    out->components = frame[5];
    return false;
  });
  return found;
}

bool PngSize(const uint8_t* head, size_t size, ImageHeader* out) {
  // The signature is followed by the IHDR chunk: length 13, "IHDR", width, height (big-endian).
  return size >= 24 && std::memcmp(head + 12, "IHDR", 4) == 0 && SetSize(Be32(head + 16), Be32(head + 20), out);
}

bool BmpSize(const uint8_t* head, size_t size, ImageHeader* out) {
  if (size < 26) return false;
  const uint32_t infoSize = Le32(head + 14);
  if (infoSize == 12) return SetSize(Le16(head + 18), Le16(head + 20), out);
  if (infoSize < 40) return false;
  const int64_t height = static_cast<int32_t>(Le32(head + 22));
  return SetSize(static_cast<int32_t>(Le32(head + 18)), height < 0 ? -height : height, out);
}

// Walks the first directory of a TIFF file for the image width (0x0100) and length (0x0101).
bool TiffSize(const ByteSource& source, const uint8_t* head, ImageHeader* out) {
  const bool big = head[0] == 'M';
  auto u16 = [big](const uint8_t* p) { return big ? Be16(p) : Le16(p); };
  auto u32 = [big](const uint8_t* p) { return big ? Be32(p) : Le32(p); };
  const uint32_t directory = u32(head + 4);
  uint8_t countBytes[2];
  if (!source.ReadExact(directory, countBytes, 2)) return false;
  const uint16_t count = u16(countBytes);
  int64_t width = 0, height = 0;
  for (uint16_t i = 0; i < count; ++i) {
    uint8_t entry[12];
    if (!source.ReadExact(uint64_t{directory} + 2 + 12u * i, entry, 12)) return false;
    const uint16_t tag = u16(entry);
    const uint16_t type = u16(entry + 2);
    const int64_t value = type == 3 ? u16(entry + 8) : type == 4 ? u32(entry + 8) : 0;
    if (tag == 0x0100) width = value;
    if (tag == 0x0101) height = value;
  }
  return SetSize(width, height, out);
}

bool IconSize(const uint8_t* head, size_t size, ImageHeader* out) {
  // The first directory entry: width and height bytes, where 0 means 256.
  if (size < 8) return false;
  return SetSize(head[6] ? head[6] : 256, head[7] ? head[7] : 256, out);
}

bool EmfSize(const uint8_t* head, size_t size, ImageHeader* out) {
  // The header record's bounds rectangle (inclusive, device units).
  if (size < 24) return false;
  const int64_t left = static_cast<int32_t>(Le32(head + 8)), top = static_cast<int32_t>(Le32(head + 12));
  const int64_t right = static_cast<int32_t>(Le32(head + 16)), bottom = static_cast<int32_t>(Le32(head + 20));
  return SetSize(right - left + 1, bottom - top + 1, out);
}

bool WmfSize(const uint8_t* head, size_t size, ImageHeader* out) {
  // The placeable header: bounding box in metafile units and the units per inch, shown at 96 dpi.
  if (size < 16) return false;
  const int64_t left = static_cast<int16_t>(Le16(head + 6)), top = static_cast<int16_t>(Le16(head + 8));
  const int64_t right = static_cast<int16_t>(Le16(head + 10)), bottom = static_cast<int16_t>(Le16(head + 12));
  const int64_t inch = Le16(head + 14);
  if (inch == 0) return false;
  return SetSize((right - left) * 96 / inch, (bottom - top) * 96 / inch, out);
}

// HEIF brands, four letters each: those of HEVC pictures and those of AV1 pictures.
constexpr char kHeicBrands[] = "heicheixheimheis";
constexpr char kAvifBrands[] = "avifavis";

bool IsBrand(const uint8_t* brand, const char* brands) {
  for (; *brands; brands += 4) {
    if (std::memcmp(brand, brands, 4) == 0) return true;
  }
  return false;
}

// A HEIF file starts with its file-type box: size, "ftyp", the major brand, a minor version and
// the compatible brands. The major brand names the coding when it is a HEIC or AVIF brand;
// general ones (mif1, msf1, miaf) leave it to the compatible brands.
ImageFormat HeifFormat(const uint8_t* data, size_t size) {
  if (size < 16 || std::memcmp(data + 4, "ftyp", 4) != 0) return ImageFormat::Unknown;
  if (IsBrand(data + 8, kHeicBrands)) return ImageFormat::Heic;
  if (IsBrand(data + 8, kAvifBrands)) return ImageFormat::Avif;
  const size_t end = std::min<size_t>(size, Be32(data));
  for (size_t at = 16; at + 4 <= end; at += 4) {
    if (IsBrand(data + at, kHeicBrands)) return ImageFormat::Heic;
    if (IsBrand(data + at, kAvifBrands)) return ImageFormat::Avif;
  }
  return ImageFormat::Unknown;
}

}  // namespace

ImageFormat SniffImageFormat(const uint8_t* data, size_t size) {
  if (StartsWith(data, size, "\xFF\xD8\xFF", 3)) return ImageFormat::Jpeg;
  if (StartsWith(data, size, "GIF87a", 6) || StartsWith(data, size, "GIF89a", 6)) return ImageFormat::Gif;
  if (StartsWith(data, size, "\x89PNG\r\n\x1A\n", 8)) return ImageFormat::Png;
  if (StartsWith(data, size, "BM", 2)) return ImageFormat::Bmp;
  if (size >= 44 && Le32(data) == 1 && std::memcmp(data + 40, " EMF", 4) == 0) return ImageFormat::Emf;
  if (StartsWith(data, size, "\xD7\xCD\xC6\x9A", 4)) return ImageFormat::Wmf;
  if (StartsWith(data, size, "II*\0", 4) || StartsWith(data, size, "MM\0*", 4)) return ImageFormat::Tiff;
  if (size >= 12 && StartsWith(data, size, "RIFF", 4) && std::memcmp(data + 8, "WEBP", 4) == 0) return ImageFormat::Webp;
  // Before the icon's weak signature, which a HEIF file-type box of 256 bytes would match.
  if (size >= 8 && std::memcmp(data + 4, "ftyp", 4) == 0) return HeifFormat(data, size);
  if (size >= 6 && StartsWith(data, size, "\0\0\1\0", 4) && Le16(data + 4) > 0) return ImageFormat::Icon;
  return ImageFormat::Unknown;
}

const std::vector<PictureFormat>& PictureFormats() {
  static const std::vector<PictureFormat> formats = {
      {ImageFormat::Jpeg, {"jpg", "jpeg"}}, {ImageFormat::Gif, {"gif"}},
      {ImageFormat::Png, {"png"}},          {ImageFormat::Bmp, {"bmp"}},
      {ImageFormat::Heic, {"heic", "heif"}}, {ImageFormat::Avif, {"avif"}},
      {ImageFormat::Webp, {"webp"}},
  };
  return formats;
}

bool IsPictureFormat(ImageFormat format) {
  const auto& formats = PictureFormats();
  return std::any_of(formats.begin(), formats.end(), [format](const PictureFormat& f) { return f.format == format; });
}

ImageFormat PictureFormatOfExtension(const std::string& extension) {
  std::string lower = extension;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  for (const PictureFormat& format : PictureFormats()) {
    if (std::find(format.extensions.begin(), format.extensions.end(), lower) != format.extensions.end()) {
      return format.format;
    }
  }
  return ImageFormat::Unknown;
}

bool ReadImageHeader(const ByteSource& source, ImageHeader* out) { return ReadImageHeader(source, out, nullptr); }

bool ReadImageHeader(const ByteSource& source, ImageHeader* out, std::vector<uint8_t>* containerExif) {
  if (containerExif) containerExif->clear();
  uint8_t head[kSniffBytes] = {};
  const size_t size = source.ReadAt(0, head, sizeof head);
  ImageHeader header;
  header.format = SniffImageFormat(head, size);
  bool ok = false;
  switch (header.format) {
    case ImageFormat::Jpeg: ok = JpegSize(source, &header); break;
    case ImageFormat::Gif: ok = size >= 10 && SetSize(Le16(head + 6), Le16(head + 8), &header); break;
    case ImageFormat::Png: ok = PngSize(head, size, &header); break;
    case ImageFormat::Bmp: ok = BmpSize(head, size, &header); break;
    case ImageFormat::Emf: ok = EmfSize(head, size, &header); break;
    case ImageFormat::Wmf: ok = WmfSize(head, size, &header); break;
    case ImageFormat::Tiff: ok = TiffSize(source, head, &header); break;
    case ImageFormat::Icon: ok = IconSize(head, size, &header); break;
    case ImageFormat::Heic:
    case ImageFormat::Avif: ok = ReadHeifInfo(source, &header.width, &header.height, containerExif); break;
    case ImageFormat::Webp: ok = ReadWebpInfo(source, &header.width, &header.height, containerExif); break;
    default: break;
  }
  *out = ok ? header : ImageHeader{};
  return ok;
}

bool ReadImageHeader(const std::string& path, ImageHeader* out) {
  const FileSource file(path);
  return ReadImageHeader(file, out);
}

}  // namespace platform::gfx
