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

// Decodes a picture of a PictureFormats() format from memory, recognised by its signature, with
// its EXIF block (the JPEG's, or the HEIF or WebP container's) as property items. HEIC and AVIF
// pictures come out upright, and their block's orientation, when it asks for a turn, says 1. False
// (and `out` untouched) for anything else or anything damaged beyond decoding.
bool DecodeImage(const uint8_t* data, size_t size, Image* out);
// Reads and decodes an image file (path in the OS's bytes). A HEIF file is read only as far as
// the decoder needs; other files are read whole.
bool LoadImage(const std::string& path, Image* out);

// A picture decoded at a reduced size, and the size of the whole picture it stands for.
struct ReducedImage {
  ImageFormat format = ImageFormat::Unknown;
  int width = 0;  // the whole picture's size, as its header gives it
  int height = 0;
  Bitmap bitmap;  // at most that size
};

// Decodes a picture at the smallest size its decoder makes cheaply that is still at least
// minWidth x minHeight (in the decoded picture's own orientation, that is before a JPEG's or
// WebP's EXIF turn; a side below 1 counts as 1):
//   JPEG         the smallest reduction n/8 (1..8) inside the inverse DCT
//   HEIC, AVIF   the smallest embedded thumbnail that is large enough (phones store one)
//   WebP         scaled down while it is decoded
// and at full size for other formats, and when no cheaper source is large enough. False as for
// DecodeImage.
bool DecodeImageReduced(const uint8_t* data, size_t size, int minWidth, int minHeight, ReducedImage* out);
// The same for a file, read as LoadImage reads it.
bool LoadImageReduced(const std::string& path, int minWidth, int minHeight, ReducedImage* out);

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
