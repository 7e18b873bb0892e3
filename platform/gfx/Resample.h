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

// A part of a picture: columns left .. right - 1 and rows top .. bottom - 1.
struct PixelWindow {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// Only the part `window` of the resampled picture: the same pixels as cutting it out of
// Resample(source, width, height), for the work and memory of the window alone (a thumbnail that
// shows part of a picture makes only that part). Empty also when the window is empty or does not
// lie inside width x height.
Bitmap Resample(const Bitmap& source, int width, int height, const PixelWindow& window);

}  // namespace platform::gfx
