#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/gfx/Canvas.h"

using namespace platform::gfx;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;

int Alpha(uint32_t pixel) { return pixel >> 24; }
int Red(uint32_t pixel) { return (pixel >> 16) & 0xFF; }

// The family fontconfig actually picks for `family`.
std::string MatchedFamily(const std::string& family) {
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str()));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  std::string matched;
  FcChar8* name = nullptr;
  if (match && FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch) matched = reinterpret_cast<char*>(name);
  if (match) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  return matched;
}

// Bounds of the pixels that differ from `background`; empty (right < left) when none does.
struct Bounds {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};
Bounds ChangedPixels(const Bitmap& bitmap, uint32_t background) {
  Bounds b;
  for (int y = 0; y < bitmap.height(); ++y) {
    for (int x = 0; x < bitmap.width(); ++x) {
      if (bitmap.at(x, y) == background) continue;
      b.left = std::min(b.left, x);
      b.top = std::min(b.top, y);
      b.right = std::max(b.right, x);
      b.bottom = std::max(b.bottom, y);
    }
  }
  return b;
}

}  // namespace

TEST(CanvasTest, SolidFillsBlendWithAlphaAndCoverWholePixels) {
  Bitmap bitmap(20, 10, kWhite);
  {
    Canvas canvas(bitmap);
    ASSERT_TRUE(canvas.ok());
    EXPECT_TRUE(canvas.FillRect({2, 3, 5, 4}, 0x41000000));   // black at alpha 65
    EXPECT_TRUE(canvas.FillRect({10, 0, 2, 2}, 0xFFFF0000));  // opaque red
    EXPECT_TRUE(canvas.FillRect({14, 0, 2, 2}, 0x80FF0000));  // red at half alpha over white
  }
  EXPECT_EQ(bitmap.at(2, 3), 0xFFBEBEBEu);  // 255 * (255 - 65) / 255 = 190
  EXPECT_EQ(bitmap.at(6, 6), 0xFFBEBEBEu);
  EXPECT_EQ(bitmap.at(1, 3), kWhite);
  EXPECT_EQ(bitmap.at(7, 6), kWhite);
  EXPECT_EQ(bitmap.at(6, 7), kWhite);
  EXPECT_EQ(bitmap.at(11, 1), 0xFFFF0000u);
  EXPECT_EQ(Red(bitmap.at(14, 0)), 0xFF);
  EXPECT_NEAR((bitmap.at(14, 0) >> 8) & 0xFF, 127, 1);

  // Transparent pixels keep premultiplied values.
  Bitmap clear(4, 4);
  {
    Canvas canvas(clear);
    EXPECT_TRUE(canvas.FillRect({0, 0, 4, 4}, 0x80FFFFFF));
  }
  EXPECT_EQ(Alpha(clear.at(1, 1)), 0x80);
  EXPECT_EQ(Red(clear.at(1, 1)), 0x80);

  // An empty bitmap gives a canvas that draws nothing and says so.
  Bitmap empty;
  Canvas none(empty);
  EXPECT_FALSE(none.ok());
  EXPECT_FALSE(none.FillRect({0, 0, 1, 1}, 0xFF000000));
  EXPECT_FALSE(none.DrawText(u"x", Font(u"Verdana", 9), {0, 0, 10, 10}, 0xFF000000));
  EXPECT_EQ(none.MeasureText(u"x", Font(u"Verdana", 9)).width, 0);
}

TEST(CanvasTest, PathGradientRunsFromTheCentreToTheCornerColours) {
  // Opaque black in the middle, transparent at every corner: a square that is darkest in the
  // centre and fades out towards the corners, symmetrically, and touches nothing outside.
  Bitmap square(41, 41);
  {
    Canvas canvas(square);
    EXPECT_TRUE(canvas.FillPathGradient({10, 10, 21, 21}, {20.5f, 20.5f}, 0xFF000000, {0, 0, 0, 0}));
  }
  EXPECT_GE(Alpha(square.at(20, 20)), 240);
  EXPECT_LE(Alpha(square.at(10, 10)), 20);
  EXPECT_NEAR(Alpha(square.at(15, 20)), Alpha(square.at(25, 20)), 2);
  EXPECT_NEAR(Alpha(square.at(20, 15)), Alpha(square.at(20, 25)), 2);
  EXPECT_NEAR(Alpha(square.at(15, 20)), 128, 16);  // half way from the centre to a side
  const Bounds painted = ChangedPixels(square, 0);
  EXPECT_GE(painted.left, 10);
  EXPECT_LE(painted.right, 30);
  EXPECT_GE(painted.top, 10);
  EXPECT_LE(painted.bottom, 30);

  // The watermark's fade: the centre on the left side and the left corners as dark as the
  // centre, so that every row fades from left to right.
  Bitmap fade(120, 45);
  {
    Canvas canvas(fade);
    EXPECT_TRUE(canvas.FillPathGradient({10, 0, 100, 45}, {10, 23}, 0xFF000000,
                                        {0xFF000000, 0, 0, 0xFF000000}));
  }
  for (int y : {1, 10, 22, 35, 44}) {
    EXPECT_GE(Alpha(fade.at(10, y)), 240) << "row " << y;
    EXPECT_LE(Alpha(fade.at(109, y)), 16) << "row " << y;
    EXPECT_EQ(fade.at(9, y), 0u) << "row " << y;
    EXPECT_EQ(fade.at(110, y), 0u) << "row " << y;
    for (int x = 11; x < 110; ++x) ASSERT_LE(Alpha(fade.at(x, y)), Alpha(fade.at(x - 1, y)) + 1) << x << "," << y;
  }
  EXPECT_NEAR(Alpha(fade.at(60, 22)), 128, 16);
}

TEST(CanvasTest, DrawImageCopiesPixelsUnscaledAndClipsAtTheEdges) {
  Bitmap picture(3, 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) picture.at(x, y) = 0xFF000000u | static_cast<uint32_t>(x * 40 + y * 100);
  }
  picture.at(2, 1) = 0;  // a transparent pixel leaves the background alone
  Bitmap bitmap(10, 10, kWhite);
  {
    Canvas canvas(bitmap);
    EXPECT_TRUE(canvas.DrawImage(picture, 5, 4));
    EXPECT_TRUE(canvas.DrawImage(picture, 8, 9));  // mostly outside: clipped, not an error
    Bitmap empty;
    EXPECT_FALSE(canvas.DrawImage(empty, 0, 0));
  }
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) EXPECT_EQ(bitmap.at(5 + x, 4 + y), picture.at(x, y));
  }
  EXPECT_EQ(bitmap.at(7, 4), picture.at(2, 0));
  EXPECT_EQ(bitmap.at(7, 5), kWhite);
  EXPECT_EQ(bitmap.at(9, 9), picture.at(1, 0));
  const Bounds changed = ChangedPixels(bitmap, kWhite);
  EXPECT_EQ(changed.left, 5);
  EXPECT_EQ(changed.top, 4);
}

TEST(CanvasTest, FacesMapToInstalledStandIns) {
  EXPECT_EQ(FontFamilyFor(u"宋体"), "AR PL UMing CN");
  EXPECT_EQ(FontFamilyFor(u"Verdana"), "DejaVu Sans");
  EXPECT_EQ(FontFamilyFor(u"Some Face"), "Some Face");
  // The stand-ins are what fontconfig really picks, not a fallback.
  EXPECT_EQ(MatchedFamily(FontFamilyFor(u"宋体")), "AR PL UMing CN");
  EXPECT_EQ(MatchedFamily(FontFamilyFor(u"Verdana")), "DejaVu Sans");
}

TEST(CanvasTest, TextIsMeasuredWithMarginsAndDrawnInsideItsRectangle) {
  Bitmap bitmap(200, 40, kWhite);
  Canvas canvas(bitmap);
  const Font verdana(u"Verdana", 14, FontWeight::kBold);
  const Font song(u"宋体", 14, FontWeight::kBold);

  const SizeF one = canvas.MeasureText(u"W", verdana);
  const SizeF three = canvas.MeasureText(u"WWW", verdana);
  // A margin of a sixth of the em at each end: three letters are two advances wider than one.
  EXPECT_NEAR(three.width - one.width, 2 * (one.width - 14.0f / 3), 0.5);
  EXPECT_GT(one.width, 14.0f / 3);
  EXPECT_GE(one.height, 14);
  EXPECT_LE(one.height, 20);
  // A Song-face ideograph is one em wide.
  EXPECT_NEAR(canvas.MeasureText(u"相", song).width, 14 + 14.0f / 3, 1);
  EXPECT_EQ(canvas.MeasureText(u"", verdana).width, 14.0f / 3);
  EXPECT_EQ(canvas.MeasureText(u"x", Font(u"Verdana", 0)).width, 0);

  // Drawn text starts one margin inside the rectangle and stays inside it.
  EXPECT_TRUE(canvas.DrawText(u"Hello 相册", verdana, {20, 10, 60, 12}, 0xFF000000));
  EXPECT_FALSE(canvas.DrawText(u"x", Font(u"", 9), {0, 0, 10, 10}, 0xFF000000));
  EXPECT_TRUE(canvas.DrawText(std::u16string(u"a\0b", 3), verdana, {100, 0, 60, 20}, 0xFF000000));
  Bitmap first(bitmap.width(), bitmap.height(), kWhite);
  {
    Canvas only(first);
    EXPECT_TRUE(only.DrawText(u"Hello 相册", verdana, {20, 10, 60, 12}, 0xFF000000));
  }
  const Bounds ink = ChangedPixels(first, kWhite);
  EXPECT_GE(ink.left, 20 + 2);
  EXPECT_LE(ink.left, 20 + 5);
  EXPECT_GE(ink.top, 10);
  EXPECT_LE(ink.right, 79);
  EXPECT_LE(ink.bottom, 21);
}
