#include "platform/gfx/Image.h"

#include <algorithm>
#include <cstring>

#include "platform/gfx/BmpCodec.h"
#include "platform/gfx/GifCodec.h"
#include "platform/gfx/HeifCodec.h"
#include "platform/gfx/JpegCodec.h"
#include "platform/gfx/PngCodec.h"
#include "platform/gfx/WebpCodec.h"

namespace platform::gfx {

namespace {

ImageFormat SniffSource(const ByteSource& source) {
  uint8_t head[kSniffBytes] = {};
  return SniffImageFormat(head, source.ReadAt(0, head, sizeof head));
}

// The EXIF block of a HEIF picture, whose pixels libheif has turned upright already: its
// orientation must not ask anyone to turn them again.
ExifProperties UprightHeifProperties(const ByteSource& source) {
  ExifProperties properties = ReadExifProperties(source);
  const auto orientation = properties.Get(kPropertyOrientation);
  uint16_t value = 1;
  if (orientation && orientation->value.size() >= sizeof value) std::memcpy(&value, orientation->value.data(), sizeof value);
  if (value != 1) properties.SetShort(kPropertyOrientation, 1);
  return properties;
}

// Decodes from `source`, whose bytes are `data` (null for a HEIF file read through the source).
bool Decode(const ByteSource& source, const uint8_t* data, size_t size, Image* out) {
  Bitmap bitmap;
  const ImageFormat format = SniffSource(source);
  switch (format) {
    case ImageFormat::Jpeg:
      if (!DecodeJpeg(data, size, 8, &bitmap)) return false;
      *out = Image(format, std::move(bitmap), ReadExifProperties(source));
      return true;
    case ImageFormat::Png:
      if (!DecodePng(data, size, &bitmap)) return false;
      *out = Image(format, std::move(bitmap));
      return true;
    case ImageFormat::Gif: {
      IndexedImage indexed;
      int frames = 0;
      if (!DecodeGif(data, size, &indexed, &frames)) return false;
      Image gif(std::move(indexed), frames);
      if (gif.empty()) return false;
      *out = std::move(gif);
      return true;
    }
    case ImageFormat::Bmp:
      if (!DecodeBmp(data, size, &bitmap)) return false;
      *out = Image(format, std::move(bitmap));
      return true;
    case ImageFormat::Heic:
    case ImageFormat::Avif:
      if (!DecodeHeif(source, 0, 0, &bitmap)) return false;
      *out = Image(format, std::move(bitmap), UprightHeifProperties(source));
      return true;
    case ImageFormat::Webp:
      if (!DecodeWebp(data, size, 0, 0, &bitmap)) return false;
      *out = Image(format, std::move(bitmap), ReadExifProperties(source));
      return true;
    default:
      return false;
  }
}

// The smallest n (1..8) for which a JPEG decoded at n/8 is at least minWidth x minHeight.
int JpegScaleFor(const ImageHeader& header, int minWidth, int minHeight) {
  for (int n = 1; n < 8; ++n) {
    if ((int64_t{header.width} * n + 7) / 8 >= minWidth && (int64_t{header.height} * n + 7) / 8 >= minHeight) return n;
  }
  return 8;
}

bool DecodeReduced(const ByteSource& source, const uint8_t* data, size_t size, int minWidth, int minHeight,
                   ReducedImage* out) {
  minWidth = std::max(minWidth, 1);
  minHeight = std::max(minHeight, 1);
  ImageHeader header;
  if (!ReadImageHeader(source, &header)) return false;
  Bitmap bitmap;
  switch (header.format) {
    case ImageFormat::Jpeg:
      if (!DecodeJpeg(data, size, JpegScaleFor(header, minWidth, minHeight), &bitmap)) return false;
      break;
    case ImageFormat::Heic:
    case ImageFormat::Avif:
      if (!DecodeHeif(source, minWidth, minHeight, &bitmap)) return false;
      break;
    case ImageFormat::Webp:
      if (!DecodeWebp(data, size, minWidth, minHeight, &bitmap)) return false;
      break;
    default: {
      Image image;
      if (!Decode(source, data, size, &image)) return false;
      bitmap = std::move(image.mutableBitmap());
      break;
    }
  }
  out->format = header.format;
  out->width = header.width;
  out->height = header.height;
  out->bitmap = std::move(bitmap);
  return true;
}

// Calls `decode` with the file as a source and, except for a HEIF file, its bytes.
template <class Decoder>
bool WithFile(const std::string& path, const Decoder& decode) {
  const FileSource file(path);
  const ImageFormat format = SniffSource(file);
  if (!IsPictureFormat(format)) return false;
  if (IsHeifFormat(format)) return decode(file, nullptr, 0);
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, &bytes)) return false;
  const MemorySource memory(bytes.data(), bytes.size());
  return decode(memory, bytes.data(), bytes.size());
}

}  // namespace

void Image::RotateFlip(RotateFlipType type) {
  bitmap_ = gfx::RotateFlip(bitmap_, type);
  if (indexed_) indexed_ = gfx::RotateFlip(*indexed_, type);
}

bool DecodeImage(const uint8_t* data, size_t size, Image* out) {
  const MemorySource source(data, size);
  return Decode(source, data, size, out);
}

bool LoadImage(const std::string& path, Image* out) {
  return WithFile(path, [out](const ByteSource& source, const uint8_t* data, size_t size) {
    return Decode(source, data, size, out);
  });
}

bool DecodeImageReduced(const uint8_t* data, size_t size, int minWidth, int minHeight, ReducedImage* out) {
  const MemorySource source(data, size);
  return DecodeReduced(source, data, size, minWidth, minHeight, out);
}

bool LoadImageReduced(const std::string& path, int minWidth, int minHeight, ReducedImage* out) {
  return WithFile(path, [=](const ByteSource& source, const uint8_t* data, size_t size) {
    return DecodeReduced(source, data, size, minWidth, minHeight, out);
  });
}

const std::vector<ImageEncoder>& ImageEncoders() {
  static const std::vector<ImageEncoder> encoders = {
      {"image/jpeg", ImageFormat::Jpeg},
      {"image/png", ImageFormat::Png},
      {"image/gif", ImageFormat::Gif},
  };
  return encoders;
}

bool EncodeImage(const Image& image, ImageFormat format, int quality, std::vector<uint8_t>* out) {
  if (image.empty()) return false;
  switch (format) {
    case ImageFormat::Jpeg: return EncodeJpeg(image.bitmap(), quality, image.properties().app1(), out);
    case ImageFormat::Png: return EncodePng(image.bitmap(), out);
    case ImageFormat::Gif: return EncodeGif(image.indexed() ? *image.indexed() : QuantizeForGif(image.bitmap()), out);
    default: return false;
  }
}

}  // namespace platform::gfx
