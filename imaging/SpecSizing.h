#pragma once
// The output sizes of the compression pipeline: how a size spec's rule turns a photo of w x h
// pixels into its output size, and how far a JPEG may be reduced while it is decoded so that
// every output still gets at least twice its size in pixels to resample from.
//
// Rules (SpecInfo::nCompressType): 0 fits the box nWidth x nHeight keeping the aspect; 1 makes the
// width nWidth and caps the height at nHeight (squashing when the cap applies); 2 copies the photo
// unchanged; 3 fits nWidth x L, with L chosen by the aspect h/w against fRatio; 4 fits one of
// three boxes chosen by the aspect against fRatio1 and fRatio2. A photo that already fits
// nWidth x nHeight keeps its size (it is still re-encoded). The arithmetic is double precision,
// truncated toward zero, and the scale is not clamped to 1, so rules 3 and 4 can enlarge.

#include "control/settings/ULKernelInfo.h"

// The resize rules (SpecInfo::nCompressType).
enum CompressRule : int32_t {
  kRuleFit = 0,
  kRuleFixedWidth = 1,
  kRuleCopy = 2,
  kRuleRatioLimit = 3,
  kRuleThreeBoxes = 4,
};

struct OutputSize {
  int width = 0;
  int height = 0;
  // Thumbnails of rule 3 made from a cached bitmap keep a band of this height, from row bandTop
  // of the width x height picture; otherwise bandHeight is height and bandTop 0.
  int bandHeight = 0;
  int bandTop = 0;
};

// The output size of a spec whose photo is decoded from its file. False for rule 2 (no resize),
// an unknown rule, or a side that is negative or beyond the range of int; a side of 0 becomes 1.
bool CompressOutputSize(const SpecInfo& spec, int width, int height, OutputSize* out);

// The same for a thumbnail made from the cached bitmap (width x height): rule 3 fits the box
// nWidth x nHeight and then keeps the centred band of height L when it is taller than that.
bool ThumbOutputSize(const SpecInfo& spec, int width, int height, OutputSize* out);

// The smallest JPEG reduction n (decoded at n/8 of each side, rounded up) that leaves at least
// twice target in both directions: 1..8, and 8 when even the full size does not.
int JpegReductionFor(int width, int height, int targetWidth, int targetHeight);

// The reduction at which a photo of width x height can be decoded once for every spec of the
// table, as CompressFile uses the table in key order: the first spec and every big picture
// decode the photo; the thumbnails after the first spec use the cached bitmap, which is the
// decoded photo itself unless the first spec is a big picture of rule 0 or 3 (then it is that
// resampled big picture, and they need nothing of the decode). Rule 2 outputs need no pixels.
int JpegReductionForTable(const std::map<std::u16string, SpecInfo>& specs, int width, int height);
