#pragma once
// The eight ways of turning and mirroring a picture. Rotation is clockwise; "FlipX" mirrors left
// to right after the rotation. The numbering is the system's rotate-flip codes.

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/IndexedImage.h"

namespace platform::gfx {

enum class RotateFlipType : int {
  RotateNoneFlipNone = 0,
  Rotate90FlipNone = 1,
  Rotate180FlipNone = 2,
  Rotate270FlipNone = 3,
  RotateNoneFlipX = 4,
  Rotate90FlipX = 5,    // transpose
  Rotate180FlipX = 6,   // mirror top to bottom
  Rotate270FlipX = 7,   // transverse
};

// True for the codes that swap width and height (1, 3, 5 and 7).
inline bool SwapsSides(RotateFlipType type) { return static_cast<int>(type) & 1; }

// The turned copy of a picture (an empty picture stays empty; an unknown code copies unchanged).
Bitmap RotateFlip(const Bitmap& bitmap, RotateFlipType type);
IndexedImage RotateFlip(const IndexedImage& image, RotateFlipType type);

}  // namespace platform::gfx
