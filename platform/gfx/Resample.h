#pragma once
// High-quality resampling of bitmaps: a separable Catmull-Rom cubic ("bicubic") whose support
// widens with the reduction, so that a reduced picture averages every source pixel it covers
// (no aliasing, no moiré) and an enlarged one is interpolated smoothly.
//
// The filter runs in two passes over premultiplied pixels with 14-bit fixed-point weights: first
// down the columns (a loop over whole rows that the compiler vectorises), then along the rows of
// the already shortened picture. Chosen over pixman's separable convolution by measurement
// (bench/ResampleBench.cpp).

#include "platform/gfx/Bitmap.h"

namespace platform::gfx {

// `source` resampled to width x height. A side that keeps its size is copied, not filtered.
// Empty for an empty source or a size a Bitmap cannot have.
Bitmap Resample(const Bitmap& source, int width, int height);

}  // namespace platform::gfx
