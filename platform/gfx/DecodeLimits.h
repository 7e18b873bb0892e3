#pragma once
// Bounds that keep a hostile or corrupt file from making a decoder allocate far more than the
// file could fill: a declared size must be plausible for the number of bytes actually present.

#include <cstddef>
#include <cstdint>

#include "platform/gfx/Bitmap.h"

namespace platform::gfx {

// The most pixels one byte of compressed data can describe, per format, with a margin:
// - JPEG: every 8x8 luminance block costs at least one bit of Huffman-coded data (512 pixels a
//   byte); arithmetic-coded JPEGs of huge flat images can be smaller and are refused.
// - PNG: deflate expands at most about 1032 times, and a byte holds up to 8 one-bit pixels.
// - GIF: one LZW code (at least a byte and a half at full width) stands for at most 4096 pixels.
// - HEIF (HEVC and AV1) and WebP code a flat picture in next to nothing: heif-enc makes a flat
//   4000 x 3000 AVIF of 441 bytes (27,000 pixels a byte), cwebp a lossless WebP of 528 bytes
//   (22,700 pixels a byte). The bound leaves twice that and more.
constexpr int64_t kJpegPixelsPerByte = 1024;
constexpr int64_t kPngPixelsPerByte = 8 * 1032;
constexpr int64_t kGifPixelsPerByte = 4096;
constexpr int64_t kHeifPixelsPerByte = 65536;
constexpr int64_t kWebpPixelsPerByte = 65536;

// True when a width x height image may be decoded from `bytes` bytes of data.
inline bool PlausibleSize(int64_t width, int64_t height, size_t bytes, int64_t pixelsPerByte) {
  if (width <= 0 || height <= 0 || width > Bitmap::kMaxPixels || height > Bitmap::kMaxPixels) return false;
  const int64_t pixels = width * height;
  return pixels <= Bitmap::kMaxPixels && pixels / pixelsPerByte <= static_cast<int64_t>(bytes);
}

}  // namespace platform::gfx
