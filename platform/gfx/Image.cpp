#include "platform/gfx/Image.h"

#include "platform/gfx/BmpCodec.h"
#include "platform/gfx/GifCodec.h"
#include "platform/gfx/JpegCodec.h"
#include "platform/gfx/PngCodec.h"

namespace platform::gfx {

void Image::RotateFlip(RotateFlipType type) {
  bitmap_ = gfx::RotateFlip(bitmap_, type);
  if (indexed_) indexed_ = gfx::RotateFlip(*indexed_, type);
}

bool DecodeImage(const uint8_t* data, size_t size, Image* out) {
  Bitmap bitmap;
  switch (SniffImageFormat(data, size)) {
    case ImageFormat::Jpeg: {
      if (!DecodeJpeg(data, size, 8, &bitmap)) return false;
      const MemorySource source(data, size);
      *out = Image(ImageFormat::Jpeg, std::move(bitmap), ReadExifProperties(source));
      return true;
    }
    case ImageFormat::Png:
      if (!DecodePng(data, size, &bitmap)) return false;
      *out = Image(ImageFormat::Png, std::move(bitmap));
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
      *out = Image(ImageFormat::Bmp, std::move(bitmap));
      return true;
    default:
      return false;
  }
}

bool LoadImage(const std::string& path, Image* out) {
  // Only a file with a decodable signature is read whole.
  uint8_t head[8] = {};
  const FileSource file(path);
  const ImageFormat format = SniffImageFormat(head, file.ReadAt(0, head, sizeof head));
  if (format != ImageFormat::Jpeg && format != ImageFormat::Png && format != ImageFormat::Gif &&
      format != ImageFormat::Bmp) {
    return false;
  }
  std::vector<uint8_t> bytes;
  return ReadFileBytes(path, &bytes) && DecodeImage(bytes.data(), bytes.size(), out);
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
