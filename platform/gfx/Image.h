#pragma once
// A decoded image: its pixels, the format it was read from, its frame count, its property items
// and, for GIF pictures, its palette form. Also the decoder and encoder entry points by format.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/ExifProperties.h"
#include "platform/gfx/ImageFormat.h"
#include "platform/gfx/IndexedImage.h"
#include "platform/gfx/RotateFlip.h"

namespace platform::gfx {

class Image {
 public:
  Image() = default;
  // A bitmap made in memory (format MemoryBmp, one frame, no properties).
  explicit Image(Bitmap bitmap) : bitmap_(std::move(bitmap)) {}
  // A still picture read from a file of this format.
  Image(ImageFormat format, Bitmap bitmap, ExifProperties properties = {})
      : format_(format), bitmap_(std::move(bitmap)), properties_(std::move(properties)) {}
  // A GIF picture: its first frame in palette form (the pixels are made from it) and the number
  // of frames of the file.
  Image(IndexedImage firstFrame, int frameCount)
      : format_(ImageFormat::Gif), bitmap_(firstFrame.ToBitmap()), frameCount_(frameCount) {
    indexed_ = std::move(firstFrame);
  }

  bool empty() const { return bitmap_.empty(); }
  ImageFormat format() const { return format_; }
  int width() const { return bitmap_.width(); }
  int height() const { return bitmap_.height(); }
  int frameCount() const { return frameCount_; }

  const Bitmap& bitmap() const { return bitmap_; }
  // For drawing on the pixels: the palette form no longer matches them and is dropped.
  Bitmap& mutableBitmap() {
    indexed_.reset();
    return bitmap_;
  }
  // The palette form of a GIF picture (null for other images, or after the pixels were changed).
  const IndexedImage* indexed() const { return indexed_ ? &*indexed_ : nullptr; }

  const ExifProperties& properties() const { return properties_; }
  ExifProperties& properties() { return properties_; }

  // Turns the pixels (and the palette form, so that a GIF keeps its own colours).
  void RotateFlip(RotateFlipType type);

 private:
  ImageFormat format_ = ImageFormat::MemoryBmp;
  Bitmap bitmap_;
  int frameCount_ = 1;
  std::optional<IndexedImage> indexed_;
  ExifProperties properties_;
};

// Decodes a JPEG, PNG, GIF or BMP from memory, recognised by its signature. False (and `out`
// untouched) for anything else or anything damaged beyond decoding.
bool DecodeImage(const uint8_t* data, size_t size, Image* out);
// Reads and decodes an image file (path in UTF-8).
bool LoadImage(const std::string& path, Image* out);

// The encoders there are, by MIME type.
struct ImageEncoder {
  const char* mimeType;
  ImageFormat format;
};
const std::vector<ImageEncoder>& ImageEncoders();

// Encodes an image as JPEG (with `quality` 0..100 and the image's EXIF block, if any), PNG or GIF
// (the palette form when there is one, else a palette made from the pixels). False for an empty
// image, another format, or an encoder failure.
bool EncodeImage(const Image& image, ImageFormat format, int quality, std::vector<uint8_t>* out);

}  // namespace platform::gfx
