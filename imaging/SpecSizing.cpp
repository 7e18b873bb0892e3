#include "imaging/SpecSizing.h"

#include <algorithm>

namespace {

// A side from its double value, truncated toward zero; 0 becomes 1. False for a negative side
// (from a negative box). Sides never exceed the box they were fitted into, so they fit an int.
bool ToSide(double value, int* side) {
  if (!(value > -1.0)) return false;
  *side = std::max(1, static_cast<int>(value));
  return true;
}

// Both sides scaled by s.
bool Scaled(double s, int width, int height, OutputSize* out) {
  if (!ToSide(width * s, &out->width) || !ToSide(height * s, &out->height)) return false;
  out->bandHeight = out->height;
  out->bandTop = 0;
  return true;
}

double FitScale(double boxWidth, double boxHeight, int width, int height) {
  return std::min(boxWidth / width, boxHeight / height);
}

// Rule 3's height limit: nRatioValueB for photos taller (relative to their width) than fRatio.
int RatioLimit(const SpecInfo& spec, int width, int height) {
  return static_cast<double>(height) / width > spec.fRatio ? spec.nRatioValueB : spec.nRatioValueA;
}

// A rule that resizes (every known rule but 2), applied to a photo that has pixels.
bool SizedRule(const SpecInfo& spec, int width, int height) {
  const int rule = spec.nCompressType;
  return width >= 1 && height >= 1 && (rule == kRuleFit || rule == kRuleFixedWidth || rule == kRuleRatioLimit || rule == kRuleThreeBoxes);
}

// A photo that already fits the spec's box keeps its size (it is still re-encoded).
bool Fits(const SpecInfo& spec, int width, int height) { return width <= spec.nWidth && height <= spec.nHeight; }

bool Unchanged(int width, int height, OutputSize* out) {
  *out = OutputSize{width, height, height, 0};
  return true;
}

// Rules 0, 1 and 4, which Compress and ThumbFromBitmap size alike; false for any other rule.
bool CommonSize(const SpecInfo& spec, int width, int height, OutputSize* out) {
  switch (spec.nCompressType) {
    case kRuleFit:
      return Scaled(FitScale(spec.nWidth, spec.nHeight, width, height), width, height, out);
    case kRuleFixedWidth: {
      const double g = static_cast<double>(spec.nWidth) / width;
      const double scaledWidth = width * g;
      if (!ToSide(spec.nWidth > scaledWidth ? scaledWidth : spec.nWidth, &out->width) ||
          !ToSide(std::min(height * g, static_cast<double>(spec.nHeight)), &out->height)) {
        return false;
      }
      out->bandHeight = out->height;
      out->bandTop = 0;
      return true;
    }
    case kRuleThreeBoxes: {
      // The aspect is compared in single precision, as the ratios are stored.
      const float r = static_cast<float>(height) / static_cast<float>(width);
      int boxWidth = spec.nWidth, boxHeight = spec.nHeight;
      if (r < spec.fRatio1) {
        boxWidth = spec.nRatio1ValueA;
        boxHeight = spec.nRatio1ValueB;
      } else if (r > spec.fRatio2) {
        boxWidth = spec.nRatio2ValueA;
        boxHeight = spec.nRatio2ValueB;
      }
      return Scaled(FitScale(boxWidth, boxHeight, width, height), width, height, out);
    }
    default:
      return false;
  }
}

}  // namespace

bool CompressOutputSize(const SpecInfo& spec, int width, int height, OutputSize* out) {
  if (!SizedRule(spec, width, height)) return false;
  if (Fits(spec, width, height)) return Unchanged(width, height, out);
  if (spec.nCompressType != kRuleRatioLimit) return CommonSize(spec, width, height, out);
  return Scaled(FitScale(spec.nWidth, RatioLimit(spec, width, height), width, height), width, height, out);
}

bool ThumbOutputSize(const SpecInfo& spec, int width, int height, OutputSize* out) {
  if (!SizedRule(spec, width, height)) return false;
  if (Fits(spec, width, height)) return Unchanged(width, height, out);
  if (spec.nCompressType != kRuleRatioLimit) return CommonSize(spec, width, height, out);
  if (!Scaled(FitScale(spec.nWidth, spec.nHeight, width, height), width, height, out)) return false;
  const int limit = RatioLimit(spec, width, height);
  if (limit >= 1 && out->height > limit) {
    out->bandHeight = limit;
    out->bandTop = (out->height - limit) / 2;
  }
  return true;
}

int JpegReductionFor(int width, int height, int targetWidth, int targetHeight) {
  for (int n = 1; n < 8; ++n) {
    const int64_t reducedWidth = (int64_t{width} * n + 7) / 8, reducedHeight = (int64_t{height} * n + 7) / 8;
    if (reducedWidth >= 2 * int64_t{targetWidth} && reducedHeight >= 2 * int64_t{targetHeight}) return n;
  }
  return 8;
}

int JpegReductionForTable(const std::map<std::u16string, SpecInfo>& specs, int width, int height) {
  int reduction = 1;
  bool cached = false, cacheIsPhoto = false;
  auto need = [&](bool fromCache, const SpecInfo& spec) {
    OutputSize size;
    const bool sized = fromCache ? ThumbOutputSize(spec, width, height, &size) : CompressOutputSize(spec, width, height, &size);
    if (sized) reduction = std::max(reduction, JpegReductionFor(width, height, size.width, size.height));
  };
  for (const auto& [name, spec] : specs) {
    if (cached && spec.nSpec != 0) {
      if (cacheIsPhoto) need(true, spec);
      continue;
    }
    need(false, spec);
    if (!cached) {
      cached = true;
      cacheIsPhoto = !(spec.nSpec == 0 && (spec.nCompressType == kRuleFit || spec.nCompressType == kRuleRatioLimit));
    }
  }
  return reduction;
}
