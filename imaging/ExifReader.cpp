#include "imaging/ExifReader.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/CodePage.h"
#include "platform/gfx/ImageFormat.h"
#include "platform/gfx/JpegSegments.h"

using platform::gfx::ByteSource;
using platform::gfx::ImageHeader;
using platform::gfx::RotateFlipType;

namespace {

constexpr int kMaxFillBytes = 6;       // 0xFF bytes allowed before a marker
constexpr int kMaxKeptSegments = 19;   // segments other than APP0, comments and non-EXIF APP1
constexpr int kMaxDirectoryDepth = 8;  // nesting of sub-directories and next-directory links
constexpr size_t kMaxComment = 1000;
constexpr uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};

// Sizes of the TIFF value formats 0..12 (format 0 is accepted with size 0).
constexpr uint32_t kFormatSize[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

int32_t ToInt(double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<int32_t>(std::clamp(value, double{INT32_MIN}, double{INT32_MAX}));
}

uint32_t ToUnsigned(double value) {
  if (!std::isfinite(value) || value < 0) return 0;
  return static_cast<uint32_t>(std::min(value, double{UINT32_MAX}));
}

float ToFloat(double value) {
  if (std::isnan(value)) return static_cast<float>(value);
  return static_cast<float>(std::clamp(value, -double{FLT_MAX}, double{FLT_MAX}));
}

// Factor to inches of a TIFF resolution unit; false for an unknown unit (the field stays as it is).
bool UnitFactor(int unit, float* factor) {
  switch (unit) {
    case 1:
    case 2: *factor = 1.0f; return true;
    case 3: *factor = 0.3937008f; return true;
    case 4: *factor = 0.03937008f; return true;
    case 5: *factor = 0.00003937008f; return true;
    default: return false;
  }
}

// Parses the TIFF part of one EXIF block and fills the record. All offsets are relative to the
// start of the TIFF part and checked against its length before use.
class TiffWalker {
 public:
  TiffWalker(const uint8_t* tiff, size_t length, ExifInfo* info)
      : tiff_(tiff), length_(length), bigEndian_(length >= 2 && tiff[0] == 'M'), info_(info) {}

  // Checks the header (byte order, 42, a first directory at 8..16), walks the directories and
  // computes CCDWidth; false when the block is rejected.
  bool Parse() {
    if (length_ < 8 || tiff_[0] != tiff_[1] || (tiff_[0] != 'I' && tiff_[0] != 'M')) return false;
    const uint32_t first = U32(4);
    if (U16(2) != 42 || first < 8 || first > 16 || !Walk(first, 0)) return false;
    if (info_->FocalPlaneXRes != 0) {
      info_->CCDWidth = ToFloat(double{info_->FocalPlaneUnits} * exifImageWidth_ / info_->FocalPlaneXRes);
    }
    return true;
  }

 private:
  // The preview picture's tags as one directory gives them.
  struct Thumbnail {
    uint32_t offset = 0;
    uint32_t length = 0;
  };

  // Walks the directory at `offset` and everything it links to; false when anything is out of
  // bounds, a format is unknown, the nesting is too deep or a directory comes round again.
  bool Walk(uint64_t offset, int depth) {
    if (depth > kMaxDirectoryDepth || offset + 2 > length_) return false;
    if (std::find(visited_.begin(), visited_.end(), offset) != visited_.end()) return false;
    visited_.push_back(offset);
    const uint32_t count = U16(offset);
    const uint64_t end = offset + 2 + 12 * uint64_t{count};
    if (end > length_) return false;
    Thumbnail thumbnail;
    for (uint32_t i = 0; i < count; ++i) {
      if (!Entry(offset + 2 + 12 * uint64_t{i}, depth, &thumbnail)) return false;
    }
    if (thumbnail.offset && thumbnail.length && uint64_t{thumbnail.offset} + thumbnail.length <= length_) {
      info_->ThumbnailOffset = thumbnail.offset;
      info_->ThumbnailLength = thumbnail.length;
    }
    // The link to the next directory; a block that ends right after the entries has none.
    const uint32_t next = end + 4 <= length_ ? U32(end) : 0;
    if (next == 0) return true;
    return next < length_ && Walk(next, depth + 1);
  }

  uint16_t U16(uint64_t at) const {
    const uint8_t* p = tiff_ + at;
    return static_cast<uint16_t>(bigEndian_ ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8));
  }
  uint32_t U32(uint64_t at) const {
    return bigEndian_ ? (uint32_t{U16(at)} << 16) | U16(at + 2) : U16(at) | (uint32_t{U16(at + 2)} << 16);
  }

  // The first value of an entry as a number; 0 for text, undefined data and empty values.
  double Number(uint64_t at, uint16_t format, uint64_t size) const {
    if (size < kFormatSize[format] || size == 0) return 0;
    switch (format) {
      case 1: return tiff_[at];
      case 6: return static_cast<int8_t>(tiff_[at]);
      case 3: return U16(at);
      case 8: return static_cast<int16_t>(U16(at));
      case 4: return U32(at);
      case 9: return static_cast<int32_t>(U32(at));
      case 5:
      case 10: {
        const int32_t numerator = static_cast<int32_t>(U32(at)), denominator = static_cast<int32_t>(U32(at + 4));
        return denominator == 0 ? 0 : static_cast<double>(numerator) / denominator;
      }
      case 11: {
        const uint32_t bits = U32(at);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
      }
      case 12: {
        const uint64_t bits = (uint64_t{U32(bigEndian_ ? at : at + 4)} << 32) | U32(bigEndian_ ? at + 4 : at);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
      }
      default: return 0;
    }
  }

  void Text(char* field, size_t maxChars, uint64_t at, uint64_t size) const {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size, maxChars));
    const uint8_t* value = tiff_ + at;
    size_t i = 0;
    for (; i < n && value[i] != 0; ++i) field[i] = static_cast<char>(value[i]);
    field[i] = '\0';
  }

  bool Entry(uint64_t entry, int depth, Thumbnail* thumbnail) {
    const uint16_t tag = U16(entry), format = U16(entry + 2);
    const uint32_t count = U32(entry + 4);
    if (format > 12) return false;
    const uint64_t size = uint64_t{count} * kFormatSize[format];
    uint64_t at = entry + 8;
    if (size > 4) {
      at = U32(entry + 8);
      if (at + size > length_) return false;
    }
    const double number = Number(at, format, size);
    ExifInfo& info = *info_;
    switch (tag) {
      case 0x010F: Text(info.CameraMake, sizeof info.CameraMake - 1, at, size); break;
      case 0x0110: Text(info.CameraModel, sizeof info.CameraModel - 1, at, size); break;
      case 0x9003: Text(info.DateTimeOriginal, sizeof info.DateTimeOriginal - 1, at, size); break;
      case 0x9004: Text(info.DateTimeDigitized, sizeof info.DateTimeDigitized - 1, at, size); break;
      case 0x9000: Text(info.ExifVersion, sizeof info.ExifVersion - 1, at, size); break;
      case 0x0112: {
        const int32_t orientation = ToInt(number);
        info.Orientation = orientation >= 1 && orientation <= 8 ? orientation : 0;
        break;
      }
      case 0x9209: info.FlashUsed = (ToInt(number) & 7) != 0; break;
      case 0x920A: info.FocalLength = ToFloat(number); break;
      case 0x829A: info.ExposureTime = ToFloat(number); break;
      case 0x829D: info.ApertureFNumber = ToFloat(number); break;
      case 0x8822: info.ExposureProgram = ToInt(number); break;
      case 0x8827: {
        const int32_t iso = ToInt(number);
        info.ISOequivalent = iso < 50 ? ToInt(iso * 200.0) : iso;
        break;
      }
      case 0x9102: info.CompressionLevel = ToInt(number); break;
      case 0x9203: info.Brightness = ToFloat(number); break;
      case 0x9204: info.ExposureBias = ToFloat(number); break;
      case 0x9206: info.Distance = ToFloat(number); break;
      case 0x9207: info.MeteringMode = ToInt(number); break;
      case 0x9208: info.LightSource = ToInt(number); break;
      case 0x011A: info.XResolution = ToFloat(number); break;
      case 0x011B: info.YResolution = ToFloat(number); break;
      case 0x0128: UnitFactor(ToInt(number), &info.ResolutionUnit); break;
      case 0xA20E: info.FocalPlaneXRes = ToFloat(number); break;
      case 0xA20F: info.FocalPlaneYRes = ToFloat(number); break;
      case 0xA210: UnitFactor(ToInt(number), &info.FocalPlaneUnits); break;
      case 0xA002:
      case 0xA003: exifImageWidth_ = std::max<int64_t>(exifImageWidth_, ToInt(number)); break;
      case 0x9286:
        info.UserCommentOffset = static_cast<uint32_t>(at);
        info.UserCommentLength = static_cast<uint32_t>(size);
        break;
      case 0x927C:
        info.MakerNoteOffset = static_cast<uint32_t>(at);
        info.MakerNoteLength = static_cast<uint32_t>(size);
        break;
      case 0x0201: thumbnail->offset = ToUnsigned(number); break;
      case 0x0202: thumbnail->length = ToUnsigned(number); break;
      case 0x8769:  // EXIF sub-directory
      case 0xA005: {  // interoperability sub-directory
        const uint32_t offset = U32(entry + 8);
        return offset < length_ && Walk(offset, depth + 1);
      }
      default: break;
    }
    return true;
  }

  const uint8_t* tiff_;
  const uint64_t length_;
  const bool bigEndian_;
  ExifInfo* info_;
  std::vector<uint64_t> visited_;
  int64_t exifImageWidth_ = 0;  // the largest of tags 0xA002 and 0xA003
};

// Parses the data of an APP1 segment that starts "Exif"; returns the value for HasExif.
int ParseExifBlock(const uint8_t* data, size_t size, ExifInfo* info) {
  info->FlashUsed = 0;
  if (size < sizeof kExifHeader || std::memcmp(data, kExifHeader, sizeof kExifHeader) != 0) return 0;
  TiffWalker walker(data + sizeof kExifHeader, size - sizeof kExifHeader, info);
  return walker.Parse() ? 1 : 0;
}

// Copies a comment: CR LF becomes LF, and control bytes other than tab and LF become "?".
void CopyComment(const uint8_t* data, size_t size, char* out) {
  const size_t n = std::min(size, kMaxComment);
  size_t length = 0;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t c = data[i];
    if (c == '\r' && i + 1 < n && data[i + 1] == '\n') continue;
    out[length++] = c < 32 && c != '\t' && c != '\n' ? '?' : static_cast<char>(c);
  }
  out[length] = '\0';
}

// A HEIC, AVIF or WebP photo keeps its EXIF block in the container; the size is the header's.
int ReadContainerExifInfo(const ByteSource& source, ExifInfo* info) {
  ImageHeader header;
  std::vector<uint8_t> app1;
  if (!platform::gfx::ReadImageHeader(source, &header, &app1) || !platform::gfx::HasContainerExif(header.format)) return -1;
  info->Width = header.width;
  info->Height = header.height;
  if (!app1.empty()) info->HasExif = ParseExifBlock(app1.data(), app1.size(), info);
  // A HEIF picture decodes upright: its decoder applies the container's rotation and mirror, the
  // turn a phone also writes as the EXIF orientation. That orientation is spent, so that nobody
  // turns the picture a second time.
  if (platform::gfx::IsHeifFormat(header.format) && info->Orientation != 0) info->Orientation = 1;
  return 1;
}

}  // namespace

int ReadExifInfo(const ByteSource& source, ExifInfo* info) {
  uint8_t bytes[2];
  if (!source.ReadExact(0, bytes, 2)) return -1;
  if (bytes[0] != 0xFF || bytes[1] != 0xD8) return ReadContainerExifInfo(source, info);
  uint64_t position = 2;
  int kept = 0;
  bool haveComment = false;
  std::vector<uint8_t> data;
  for (;;) {
    uint8_t marker = 0;
    for (int fill = 0;; ++fill) {
      if (!source.ReadExact(position++, &marker, 1)) return -1;
      if (marker != 0xFF) break;
      if (fill == kMaxFillBytes) return -1;
    }
    if (marker == 0xD9) return -1;  // end of image before any scan
    if (!source.ReadExact(position, bytes, 2)) return -1;
    const size_t length = (size_t{bytes[0]} << 8) | bytes[1];
    if (length < 2) return -1;
    data.resize(length - 2);
    if (!source.ReadExact(position + 2, data.data(), data.size())) return -1;
    position += length;

    bool keep = true;
    if (platform::gfx::IsJpegStartOfFrame(marker)) {
      if (data.size() < 6) return -1;
      info->Height = (data[1] << 8) | data[2];
      info->Width = (data[3] << 8) | data[4];
      info->IsColor = data[5] == 3;
      info->Process = marker;
    } else if (marker == 0xDA) {
      return 1;
    } else if (marker == 0xE1) {
      keep = data.size() >= 4 && std::memcmp(data.data(), "Exif", 4) == 0;
      if (keep) info->HasExif = ParseExifBlock(data.data(), data.size(), info);
    } else if (marker == 0xFE) {
      if (!haveComment) CopyComment(data.data(), data.size(), info->Comments);
      haveComment = true;
      keep = false;
    } else if (marker == 0xE0) {
      keep = false;
    }
    if (keep && ++kept > kMaxKeptSegments) return -1;
  }
}

int ReadExifInfo(const std::u16string& path, ExifInfo* info) {
  const platform::gfx::FileSource file(platform::PathBytes(path));
  return file.is_open() ? ReadExifInfo(file, info) : -1;
}

RotateFlipType RotateFlipForOrientation(int orientation) {
  switch (orientation) {
    case 2: return RotateFlipType::RotateNoneFlipX;
    case 3: return RotateFlipType::Rotate180FlipNone;
    case 4: return RotateFlipType::Rotate180FlipX;
    case 5: return RotateFlipType::Rotate90FlipX;
    case 6: return RotateFlipType::Rotate90FlipNone;
    case 7: return RotateFlipType::Rotate270FlipX;
    case 8: return RotateFlipType::Rotate270FlipNone;
    default: return RotateFlipType::RotateNoneFlipNone;
  }
}

int GetExifRotateFlip(const std::u16string& path) {
  ExifInfo info;
  if (ReadExifInfo(path, &info) == -1) return 0;
  return static_cast<int>(RotateFlipForOrientation(info.Orientation));
}
