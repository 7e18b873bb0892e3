#include "imaging/ThumbBmp.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "control/services/Log.h"
#include "imaging/ExifReader.h"
#include "imaging/PreviewFile.h"
#include "imaging/ThumbFit.h"
#include "platform/CodePage.h"
#include "platform/gfx/ByteSource.h"
#include "platform/gfx/ExifProperties.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/ImageFormat.h"
#include "platform/gfx/JpegCodec.h"
#include "platform/gfx/Resample.h"
#include "platform/gfx/RotateFlip.h"

using platform::RECT;
using platform::gfx::Bitmap;
using platform::gfx::ImageFormat;
using platform::gfx::RotateFlipType;

namespace {

// A photo this large on either side (upright) is first decoded at 1/8 of its size.
constexpr int kReducedDecodeSide = 1025;
constexpr int kThumbReduction = 8;
// An EXIF preview travels in one 64 KB segment: a header claiming more than this on a side, or
// more pixels than the photo, is no preview, and decoding it would allocate whatever a forged
// header asks for.
constexpr int kLargestPreviewSide = 1024;

Bitmap Upright(Bitmap bitmap, RotateFlipType turn) {
  if (turn == RotateFlipType::RotateNoneFlipNone) return bitmap;  // moved, not copied
  return platform::gfx::RotateFlip(bitmap, turn);
}

// Pixels `r` of `bitmap` (which contains r).
Bitmap Region(Bitmap bitmap, const RECT& r) {
  if (r.left == 0 && r.top == 0 && r.right == bitmap.width() && r.bottom == bitmap.height()) return bitmap;
  Bitmap region(r.right - r.left, r.bottom - r.top);
  for (int y = 0; y < region.height(); ++y) {
    std::copy_n(bitmap.row(r.top + y) + r.left, region.width(), region.row(y));
  }
  return region;
}

// The photo's embedded preview, turned upright and cut to the photo's aspect ratio, when it
// serves for this thumbnail: its orientation class must be the photo's (a square never serves)
// and its cut must be at least as wide as the picture drawn from it. Empty otherwise.
Bitmap PreviewSource(const platform::gfx::ByteSource& photo, int w, int h, RotateFlipType turn, const ThumbFit& fit,
                     int thumbW, const ThumbCaller& caller) {
  const std::optional<platform::gfx::PropertyItem> item =
      platform::gfx::ReadExifProperties(photo).Get(platform::gfx::kPropertyThumbnailData);
  if (!item) return {};
  if (WritePreviewFile(item->value, caller.callerId).empty()) fotaro::Log(caller.logScope, "cannot write the preview");
  platform::gfx::ImageHeader header;
  if (!platform::gfx::ReadImageHeader(platform::gfx::MemorySource(item->value.data(), item->value.size()), &header) ||
      header.width > kLargestPreviewSide || header.height > kLargestPreviewSide ||
      int64_t{header.width} * header.height > int64_t{w} * h) {
    return {};
  }
  platform::gfx::Image preview;
  if (!platform::gfx::DecodeImage(item->value.data(), item->value.size(), &preview)) return {};
  const bool swap = platform::gfx::SwapsSides(turn);
  const int w2 = swap ? preview.height() : preview.width();
  const int h2 = swap ? preview.width() : preview.height();
  const bool sameClass = (w > h && w2 > h2) || (w < h && w2 < h2);
  const RECT r = FitCropRect(w, h, w2, h2);
  if (!sameClass || r.right - r.left < fit.neededWidth(thumbW)) return {};
  return Region(Upright(std::move(preview.mutableBitmap()), turn), r);
}

// The whole photo, upright: at 1/8 of its size when it is large and a JPEG the reduced decoder
// takes; for a phone photo (HEIC, AVIF, WebP) at the cheapest size its decoder makes that still
// covers the picture drawn from it (a HEIF's embedded thumbnail, a WebP scaled while decoding);
// else decoded fully. Empty when it cannot be decoded.
Bitmap PhotoSource(const std::u16string& path, const platform::gfx::ImageHeader& header, int w, int h,
                   RotateFlipType turn, const ThumbFit& fit) {
  Bitmap bitmap;
  if (platform::gfx::HasContainerExif(header.format)) {
    // The decoder's minimum is in the picture's stored orientation.
    const bool swap = platform::gfx::SwapsSides(turn);
    platform::gfx::ReducedImage reduced;
    if (!platform::gfx::LoadImageReduced(platform::PathBytes(path), swap ? fit.height : fit.width,
                                         swap ? fit.width : fit.height, &reduced)) {
      return {};
    }
    return Upright(std::move(reduced.bitmap), turn);
  }
  const bool large = w >= kReducedDecodeSide || h >= kReducedDecodeSide;
  // Only a JPEG can pass the reduced decoder; anything else goes straight to the full decode.
  if (large && header.format == ImageFormat::Jpeg && LoadJpegScaled(path, kThumbReduction, &bitmap)) {
    return Upright(std::move(bitmap), turn);
  }
  platform::gfx::Image image;
  if (!platform::gfx::LoadImage(platform::PathBytes(path), &image)) return {};
  return Upright(std::move(image.mutableBitmap()), turn);
}

// Draws `source` scaled to the fit's size at its place in the box, clipped to the box: only the
// part of the scaled picture that the box shows is made.
bool Draw(const Bitmap& source, const ThumbFit& fit, Bitmap* box) {
  const platform::gfx::PixelWindow shown{std::max(-fit.x, 0), std::max(-fit.y, 0),
                                         std::min(fit.width, box->width() - fit.x),
                                         std::min(fit.height, box->height() - fit.y)};
  const Bitmap part = platform::gfx::Resample(source, fit.width, fit.height, shown);
  if (part.empty()) return false;
  for (int y = 0; y < part.height(); ++y) {
    std::copy_n(part.row(y), part.width(), box->row(fit.y + shown.top + y) + fit.x + shown.left);
  }
  return true;
}

}  // namespace

bool CreateThumbBmp(const std::u16string& path, int thumbW, int thumbH, const ThumbCaller& caller,
                    platform::gfx::Bitmap* outBitmap, int* outRotated) {
  fotaro::Log(caller.logScope, "entry");
  const auto start = std::chrono::steady_clock::now();
  if (thumbW < 1 || thumbH < 1 || !outBitmap || !outRotated) return false;
  const platform::gfx::BufferedFileSource photo(platform::PathBytes(path));
  platform::gfx::ImageHeader header;
  if (!platform::gfx::ReadImageHeader(photo, &header)) return false;
  Bitmap thumb(thumbW, thumbH);
  if (thumb.empty()) return false;

  ExifInfo exif;
  const RotateFlipType turn =
      ReadExifInfo(photo, &exif) == 1 ? RotateFlipForOrientation(exif.Orientation) : RotateFlipType::RotateNoneFlipNone;
  const bool swap = platform::gfx::SwapsSides(turn);
  const int w = swap ? header.height : header.width;
  const int h = swap ? header.width : header.height;
  const ThumbFit fit = FitIntoBox(w, h, thumbW, thumbH);

  Bitmap source = PreviewSource(photo, w, h, turn, fit, thumbW, caller);
  if (source.empty()) source = PhotoSource(path, header, w, h, turn, fit);
  if (source.empty() || !Draw(source, fit, &thumb)) return false;

  *outBitmap = std::move(thumb);
  *outRotated = turn == RotateFlipType::RotateNoneFlipNone ? 0 : 1;
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  fotaro::Log(caller.logScope, caller.timingFormat, static_cast<int>(elapsed.count()), path);
  fotaro::Log(caller.logScope, "leave");
  return true;
}

bool LoadJpegScaled(const std::u16string& path, int factor, platform::gfx::Bitmap* outBitmap) {
  if (!outBitmap) return false;
  std::vector<uint8_t> bytes;
  if (!platform::gfx::ReadFileBytes(platform::PathBytes(path), &bytes)) return false;
  // Greyscale and colour pictures only; CMYK ones are left to the full decoder.
  const platform::gfx::MemorySource source(bytes.data(), bytes.size());
  platform::gfx::ImageHeader header;
  if (!platform::gfx::ReadImageHeader(source, &header) || header.format != ImageFormat::Jpeg ||
      (header.components != 1 && header.components != 3)) {
    return false;
  }
  const int numerator = factor == 8 ? 1 : factor == 4 ? 2 : factor == 2 ? 4 : 8;
  return platform::gfx::DecodeJpeg(bytes.data(), bytes.size(), numerator, outBitmap);
}

RECT FitCropRect(int w, int h, int w2, int h2) {
  if (w < 1 || h < 1 || w2 < 1 || h2 < 1) return {};
  // The scale is the smaller of w2 / w and h2 / h, compared without rounding; the side that sets
  // it is kept whole.
  int width = w2, height = h2;
  if (int64_t{w2} * h <= int64_t{h2} * w) {
    height = static_cast<int>(std::max<int64_t>(1, int64_t{h} * w2 / w));
  } else {
    width = static_cast<int>(std::max<int64_t>(1, int64_t{w} * h2 / h));
  }
  const int left = (w2 - width) / 2, top = (h2 - height) / 2;
  return {left, top, left + width, top + height};
}
