#include "imaging/DecodedPhoto.h"

#include <algorithm>
#include <vector>

#include "imaging/ExifReader.h"
#include "platform/CodePage.h"
#include "platform/gfx/ByteSource.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/ImageFormat.h"
#include "platform/gfx/JpegCodec.h"

using platform::gfx::Bitmap;
using platform::gfx::ImageFormat;

DecodedPhoto::DecodedPhoto(std::u16string path, ReductionChooser chooser)
    : path_(std::move(path)), chooser_(std::move(chooser)) {}

bool DecodedPhoto::Decode() {
  if (state_ == State::kNotRead) state_ = Load() ? State::kDecoded : State::kFailed;
  return state_ == State::kDecoded;
}

bool DecodedPhoto::Load() {
  std::vector<uint8_t> bytes;
  if (!platform::gfx::ReadFileBytes(platform::PathBytes(path_), &bytes)) return false;
  const platform::gfx::MemorySource source(bytes.data(), bytes.size());
  platform::gfx::ImageHeader header;
  if (!platform::gfx::ReadImageHeader(source, &header)) return false;
  ExifInfo exif;
  if (ReadExifInfo(source, &exif) == 1) orientation_ = RotateFlipForOrientation(exif.Orientation);

  if (header.format == ImageFormat::Jpeg) {
    Bitmap bitmap;
    const int reduction = std::clamp(chooser_(header.width, header.height), 1, 8);
    if (!platform::gfx::DecodeJpeg(bytes.data(), bytes.size(), reduction, &bitmap)) return false;
    width_ = header.width;
    height_ = header.height;
    format_ = static_cast<int>(ImageFormat::Jpeg);
    pixels_ = std::make_shared<const Bitmap>(std::move(bitmap));
    return true;
  }
  platform::gfx::Image image;
  if (!platform::gfx::DecodeImage(bytes.data(), bytes.size(), &image)) return false;
  width_ = image.width();
  height_ = image.height();
  format_ = static_cast<int>(image.format());
  pixels_ = std::make_shared<const Bitmap>(std::move(image.mutableBitmap()));
  return true;
}
