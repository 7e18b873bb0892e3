#pragma once
// The photo that one CompressFile call works on. Its file is read and decoded at most once, on
// first use, however many outputs are made from it. A photo is decoded at the reduction its
// outputs allow (a JPEG scaled inside its inverse DCT, a WebP while it is decoded, a HEIC or AVIF
// from its embedded thumbnail when that is large enough), so its pixels may be smaller than the
// photo; every size the pipeline computes comes from the photo's full size instead.

#include <functional>
#include <memory>
#include <string>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/RotateFlip.h"

class DecodedPhoto {
 public:
  // Picks the reduction n (decoded at n/8 of each side, rounded up; 1..8) from the photo's full
  // size. A format that cannot make exactly that size makes the next larger one it can.
  using ReductionChooser = std::function<int(int width, int height)>;

  DecodedPhoto(std::u16string path, ReductionChooser chooser);

  // Reads and decodes the file the first time; later calls give the first call's result. False
  // for a file that cannot be read, has no image format the decoders know, or does not decode.
  bool Decode();

  // After a successful Decode: the photo's full size, its image format code (0 JPEG, 1 GIF,
  // 2 PNG, 3 BMP, 10 HEIC, 11 AVIF, 12 WebP), its pixels (shared, never changed) and the turn
  // its EXIF orientation asks for (none for HEIC and AVIF, which decode upright).
  int width() const { return width_; }
  int height() const { return height_; }
  int format() const { return format_; }
  const std::shared_ptr<const platform::gfx::Bitmap>& pixels() const { return pixels_; }
  platform::gfx::RotateFlipType orientation() const { return orientation_; }

 private:
  enum class State { kNotRead, kDecoded, kFailed };

  bool Load();

  std::u16string path_;
  ReductionChooser chooser_;
  State state_ = State::kNotRead;
  int width_ = 0;
  int height_ = 0;
  int format_ = -1;
  std::shared_ptr<const platform::gfx::Bitmap> pixels_;
  platform::gfx::RotateFlipType orientation_ = platform::gfx::RotateFlipType::RotateNoneFlipNone;
};
