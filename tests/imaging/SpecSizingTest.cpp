// Output sizes of the size rules, and the JPEG reduction the outputs allow.

#include "imaging/SpecSizing.h"

#include <gtest/gtest.h>

namespace fotaro::test {
namespace {

SpecInfo Spec(int rule, int width, int height) {
  SpecInfo spec;
  spec.nCompressType = rule;
  spec.nWidth = width;
  spec.nHeight = height;
  return spec;
}

// "WxH" of a Compress output (or "fails"), so that expectations read like the sizes they check.
std::string Size(const SpecInfo& spec, int width, int height) {
  OutputSize size;
  if (!CompressOutputSize(spec, width, height, &size)) return "fails";
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

TEST(SpecSizingTest, FitKeepsTheAspectAndLeavesPhotosThatFitAlone) {
  const SpecInfo box = Spec(kRuleFit, 800, 600);
  EXPECT_EQ(Size(box, 4000, 3000), "800x600");
  EXPECT_EQ(Size(box, 600, 4000), "90x600");
  EXPECT_EQ(Size(box, 800, 600), "800x600");
  EXPECT_EQ(Size(box, 120, 90), "120x90");        // never enlarged
  EXPECT_EQ(Size(box, 8000, 5), "800x1");         // a side of 0 becomes 1
  EXPECT_EQ(Size(Spec(kRuleFit, 670, 800), 4000, 3000), "670x502");  // truncated, not rounded
}

TEST(SpecSizingTest, FixedWidthCapsTheHeightAndSquashes) {
  EXPECT_EQ(Size(Spec(kRuleFixedWidth, 800, 10000), 1600, 1200), "800x600");
  EXPECT_EQ(Size(Spec(kRuleFixedWidth, 800, 500), 1600, 1200), "800x500");
  EXPECT_EQ(Size(Spec(kRuleFixedWidth, 800, 500), 800, 500), "800x500");
  // Narrower than the box but too tall: the width grows to nWidth, the height is capped.
  EXPECT_EQ(Size(Spec(kRuleFixedWidth, 800, 500), 400, 1000), "800x500");
}

TEST(SpecSizingTest, RatioLimitChoosesTheHeightLimitByAspect) {
  SpecInfo spec = Spec(kRuleRatioLimit, 1600, 1600);
  spec.fRatio = 1.5f;
  spec.nRatioValueA = 1200;
  spec.nRatioValueB = 800;
  EXPECT_EQ(Size(spec, 4000, 2000), "1600x800");  // h/w 0.5: limit A
  EXPECT_EQ(Size(spec, 1000, 2000), "400x800");   // h/w 2: limit B
  EXPECT_EQ(Size(spec, 1600, 1600), "1600x1600");  // fits the box: unchanged
  spec.nRatioValueB = 4000;
  EXPECT_EQ(Size(spec, 1000, 2000), "1600x3200");  // not clamped to 1: enlarges

  // From a cached bitmap the box decides the size and the limit crops a centred band.
  spec = Spec(kRuleRatioLimit, 100, 100);
  spec.fRatio = 0.5f;
  spec.nRatioValueB = 60;
  OutputSize thumb;
  ASSERT_TRUE(ThumbOutputSize(spec, 670, 502, &thumb));
  EXPECT_EQ(thumb.width, 99);
  EXPECT_EQ(thumb.height, 74);
  EXPECT_EQ(thumb.bandHeight, 60);
  EXPECT_EQ(thumb.bandTop, 7);
  spec.nRatioValueB = 0;  // no limit: no crop
  ASSERT_TRUE(ThumbOutputSize(spec, 670, 502, &thumb));
  EXPECT_EQ(thumb.bandHeight, 74);
  EXPECT_EQ(thumb.bandTop, 0);
}

TEST(SpecSizingTest, ThreeBoxesChoosesTheBoxByAspect) {
  SpecInfo spec = Spec(kRuleThreeBoxes, 200, 200);
  spec.fRatio1 = 0.5f;
  spec.nRatio1ValueA = 300;
  spec.nRatio1ValueB = 100;
  spec.fRatio2 = 2.0f;
  spec.nRatio2ValueA = 100;
  spec.nRatio2ValueB = 300;
  EXPECT_EQ(Size(spec, 1000, 2500), "100x250");  // r 2.5: the third box
  EXPECT_EQ(Size(spec, 2500, 1000), "250x100");  // r 0.4: the first box
  EXPECT_EQ(Size(spec, 1000, 1000), "200x200");  // the middle box
  EXPECT_EQ(Size(spec, 1000, 2000), "100x200");  // r exactly 2: still the middle box
}

TEST(SpecSizingTest, UnknownRulesCopiesAndImpossibleSidesHaveNoSize) {
  EXPECT_EQ(Size(Spec(kRuleCopy, 800, 600), 4000, 3000), "fails");
  EXPECT_EQ(Size(Spec(7, 800, 600), 4000, 3000), "fails");
  EXPECT_EQ(Size(Spec(7, 800, 600), 80, 60), "fails");  // fitting does not rescue an unknown rule
  EXPECT_EQ(Size(Spec(kRuleFit, -800, 600), 4000, 3000), "fails");
  SpecInfo negativeBox = Spec(kRuleThreeBoxes, 800, 600);
  negativeBox.fRatio2 = 2.0f;
  negativeBox.nRatio2ValueA = -5;
  negativeBox.nRatio2ValueB = 600;
  EXPECT_EQ(Size(negativeBox, 1000, 3000), "fails");
  EXPECT_EQ(Size(Spec(kRuleFit, 800, 600), 0, 600), "fails");
}

TEST(SpecSizingTest, ReductionLeavesTwiceTheLargestOutput) {
  EXPECT_EQ(JpegReductionFor(4000, 3000, 670, 502), 3);  // 1500 x 1125
  EXPECT_EQ(JpegReductionFor(6000, 4000, 670, 446), 2);  // 1500 x 1000
  EXPECT_EQ(JpegReductionFor(4000, 3000, 100, 75), 1);
  EXPECT_EQ(JpegReductionFor(4000, 3000, 4000, 3000), 8);
  EXPECT_EQ(JpegReductionFor(4000, 3000, 1600, 400), 7);  // the width decides

  CULKernel_Info settings;  // FileData 670 x 800 rule 0, ThumbData 100 x 100
  EXPECT_EQ(JpegReductionForTable(settings.m_mapSpecInfo, 4000, 3000), 3);
  // A copied big picture needs no pixels, but the thumbnail then resamples the decoded photo.
  settings.SetSizeLimits(u"Big|0|2|670|800|90|0|0|0", u"Thumb|1|0|1000|1000|85|0|0|0");
  EXPECT_EQ(JpegReductionForTable(settings.m_mapSpecInfo, 4000, 3000), 4);  // 1000 x 750, twice
  // After a resized big picture of rule 0 the thumbnails use it instead of the decode.
  settings.SetSizeLimits(u"Big|0|0|200|200|90|0|0|0", u"Thumb|1|0|1000|1000|85|0|0|0");
  EXPECT_EQ(JpegReductionForTable(settings.m_mapSpecInfo, 4000, 3000), 1);
  // A later big picture decodes the photo too.
  settings.SetSizeLimits(u"A|0|0|200|200|90|0|0|0,B|0|0|1500|1500|90|0|0|0", nullptr);
  EXPECT_EQ(JpegReductionForTable(settings.m_mapSpecInfo, 4000, 3000), 6);
  settings.SetSizeLimits(nullptr, nullptr);
  EXPECT_EQ(JpegReductionForTable(settings.m_mapSpecInfo, 4000, 3000), 1);
}

}  // namespace
}  // namespace fotaro::test
