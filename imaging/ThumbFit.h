#pragma once
// Where a picture goes in a thumbnail's box. A picture larger than the box both ways fills it:
// scaled by the larger of the two ratios so that it covers the box, centred horizontally and
// cut from the top. Any other picture fits: scaled by the smaller ratio (so that a small one is
// enlarged) and centred. Sizes are computed with exact integer arithmetic, so that the side that
// sets the scale always matches the box exactly.

struct ThumbFit {
  bool fill = false;  // the fill mode (cropped); else the fit mode (letterboxed)
  int width = 0;      // the scaled picture, each side at least 1
  int height = 0;
  int x = 0;  // where its top-left corner lies in the box; negative when cropped
  int y = 0;

  // The width an embedded preview must offer to be drawn at this size: the box's in the fill
  // mode, the scaled picture's in the fit mode.
  int neededWidth(int boxW) const { return fill ? boxW : width; }
};

// The layout of a w x h picture in a boxW x boxH box; every side must be positive.
ThumbFit FitIntoBox(int w, int h, int boxW, int boxH);
