#include "imaging/DecodedPhoto.h"

#include <algorithm>
#include <vector>

#include "imaging/ExifReader.h"
#include "platform/CodePage.h"
#include "platform/gfx/ByteSource.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/ImageFormat.h"

using platform::gfx::Bitmap;

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
  // The outputs ask for a JPEG reduction n/8; every format gets at least that size.
  const int64_t reduction = std::clamp(chooser_(header.width, header.height), 1, 8);
  const int minWidth = static_cast<int>((header.width * reduction + 7) / 8);
  const int minHeight = static_cast<int>((header.height * reduction + 7) / 8);
  platform::gfx::ReducedImage image;
  if (!platform::gfx::DecodeImageReduced(bytes.data(), bytes.size(), minWidth, minHeight, &image)) return false;
  ExifInfo exif;
  if (ReadExifInfo(source, &exif) == 1) orientation_ = RotateFlipForOrientation(exif.Orientation);
  width_ = image.width;
  height_ = image.height;
  format_ = static_cast<int>(image.format);
  pixels_ = std::make_shared<const Bitmap>(std::move(image.bitmap));
  return true;
}
