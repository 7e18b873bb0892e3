#include "platform/gfx/RotateFlip.h"

#include <algorithm>
#include <cstdint>

namespace platform::gfx {

namespace {

// Where destination pixel (x, y) comes from: source index = origin + x * column + y * row.
struct Walk {
  int64_t origin;
  int64_t column;
  int64_t row;
};

Walk WalkFor(RotateFlipType type, int64_t width, int64_t height) {
  const int64_t last = (height - 1) * width;  // first pixel of the source's last row
  switch (type) {
    case RotateFlipType::Rotate90FlipNone: return {last, -width, 1};
    case RotateFlipType::Rotate180FlipNone: return {last + width - 1, -1, -width};
    case RotateFlipType::Rotate270FlipNone: return {width - 1, width, -1};
    case RotateFlipType::RotateNoneFlipX: return {width - 1, -1, width};
    case RotateFlipType::Rotate90FlipX: return {0, width, 1};
    case RotateFlipType::Rotate180FlipX: return {last, 1, -width};
    case RotateFlipType::Rotate270FlipX: return {last + width - 1, -width, -1};
    default: return {0, 1, width};
  }
}

// Copies in 64 x 64 tiles so that the column walks of the quarter turns stay in the cache.
template <class T>
void Transform(const T* source, int width, int height, RotateFlipType type, T* destination) {
  constexpr int kTile = 64;
  const Walk walk = WalkFor(type, width, height);
  const int outWidth = SwapsSides(type) ? height : width;
  const int outHeight = SwapsSides(type) ? width : height;
  for (int tileY = 0; tileY < outHeight; tileY += kTile) {
    for (int tileX = 0; tileX < outWidth; tileX += kTile) {
      const int endY = std::min(tileY + kTile, outHeight), endX = std::min(tileX + kTile, outWidth);
      for (int y = tileY; y < endY; ++y) {
        T* out = destination + static_cast<int64_t>(y) * outWidth;
        const int64_t start = walk.origin + y * walk.row;
        for (int x = tileX; x < endX; ++x) out[x] = source[start + x * walk.column];
      }
    }
  }
}

bool IsKnown(RotateFlipType type) { return static_cast<int>(type) >= 0 && static_cast<int>(type) <= 7; }

}  // namespace

Bitmap RotateFlip(const Bitmap& bitmap, RotateFlipType type) {
  if (!IsKnown(type)) return bitmap;
  if (bitmap.empty()) return {};
  const bool swap = SwapsSides(type);
  Bitmap result(swap ? bitmap.height() : bitmap.width(), swap ? bitmap.width() : bitmap.height());
  Transform(bitmap.data(), bitmap.width(), bitmap.height(), type, result.data());
  return result;
}

IndexedImage RotateFlip(const IndexedImage& image, RotateFlipType type) {
  IndexedImage result = image;
  if (!IsKnown(type) || image.width < 0 || image.height < 0 ||
      image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) {
    return result;
  }
  if (SwapsSides(type)) std::swap(result.width, result.height);
  Transform(image.pixels.data(), image.width, image.height, type, result.pixels.data());
  return result;
}

}  // namespace platform::gfx
