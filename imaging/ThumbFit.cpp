#include "imaging/ThumbFit.h"

#include <algorithm>
#include <cstdint>

ThumbFit FitIntoBox(int w, int h, int boxW, int boxH) {
  ThumbFit fit;
  fit.fill = w > boxW && h > boxH;
  // The two ratios boxW / w and boxH / h compared without rounding: the width's is the larger
  // when boxW * h > boxH * w.
  const int64_t widthSide = int64_t{boxW} * h, heightSide = int64_t{boxH} * w;
  const bool byWidth = fit.fill ? widthSide >= heightSide : widthSide <= heightSide;
  if (byWidth) {
    fit.width = boxW;
    fit.height = static_cast<int>(std::max<int64_t>(1, int64_t{h} * boxW / w));
  } else {
    fit.height = boxH;
    fit.width = static_cast<int>(std::max<int64_t>(1, int64_t{w} * boxH / h));
  }
  if (fit.fill) {
    fit.x = fit.width > boxW ? -((fit.width - boxW) / 2) : 0;
  } else {
    fit.x = (boxW - fit.width) / 2;
    fit.y = (boxH - fit.height) / 2;
  }
  return fit;
}
