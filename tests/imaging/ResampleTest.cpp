// The high-quality resampler: exact on flat areas, no aliasing when reducing, faithful ramps,
// valid premultiplied pixels.

#include "platform/gfx/Resample.h"

#include <gtest/gtest.h>

#include "tests/support/TestImages.h"

namespace fotaro::test {
namespace {

using platform::gfx::Bitmap;
using platform::gfx::Resample;

int Channel(uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

TEST(ResampleTest, FlatAreasStayExactAndUnchangedSidesAreCopied) {
  const Bitmap flat(97, 61, 0xFF336699u);
  for (auto [w, h] : {std::pair{40, 25}, {300, 200}, {97, 20}, {13, 61}, {1, 1}}) {
    const Bitmap out = Resample(flat, w, h);
    ASSERT_EQ(out.width(), w);
    ASSERT_EQ(out.height(), h);
    EXPECT_EQ(out, Bitmap(w, h, 0xFF336699u)) << w << "x" << h;
  }
  const Bitmap picture = TestPicture(64, 48);
  EXPECT_EQ(Resample(picture, 64, 48), picture);
  EXPECT_TRUE(Resample(Bitmap(), 10, 10).empty());
  EXPECT_TRUE(Resample(picture, 0, 10).empty());
  EXPECT_TRUE(Resample(picture, 10, -1).empty());
}

// Stripes and checks one pixel wide average to grey when reduced; a filter that does not widen
// with the reduction (nearest, plain bilinear or bicubic) would keep black and white or make moiré.
TEST(ResampleTest, ReductionDoesNotAlias) {
  Bitmap stripes(301, 200), checks(450, 337);
  for (int y = 0; y < stripes.height(); ++y) {
    for (int x = 0; x < stripes.width(); ++x) stripes.at(x, y) = x % 2 ? 0xFFFFFFFFu : 0xFF000000u;
  }
  for (int y = 0; y < checks.height(); ++y) {
    for (int x = 0; x < checks.width(); ++x) checks.at(x, y) = (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u;
  }
  for (const auto& [picture, w, h] : {std::tuple{&stripes, 100, 67}, {&stripes, 134, 89}, {&checks, 201, 150}}) {
    const Bitmap out = Resample(*picture, w, h);
    for (int y = 1; y < h - 1; ++y) {  // at the edges the cut window weighs the pattern unevenly
      for (int x = 1; x < w - 1; ++x) {
        ASSERT_NEAR(Channel(out.at(x, y), 8), 128, 12) << x << "," << y << " of " << w << "x" << h;
      }
    }
  }
}

// A horizontal ramp keeps its values where they were: each output pixel shows the value at the
// centre of the source area it covers, reduced or enlarged.
TEST(ResampleTest, RampsKeepTheirValuesInPlace) {
  Bitmap ramp(256, 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 256; ++x) ramp.at(x, y) = 0xFF000000u | static_cast<uint32_t>(x) << 16;
  }
  for (int w : {37, 100, 255, 600}) {
    const Bitmap out = Resample(ramp, w, 3);
    const double scale = 256.0 / w;
    for (int x = 2; x < w - 2; ++x) {  // away from the edges, where the window is cut
      EXPECT_NEAR(Channel(out.at(x, 1), 16), (x + 0.5) * scale - 0.5, 1.5) << x << " of " << w;
    }
  }
}

// The cubic overshoots at hard edges; premultiplied colours must still not exceed alpha.
// A window of the result is exactly that part of the whole result, whichever sides are
// filtered or copied; a window outside the picture gives nothing.
TEST(ResampleTest, WindowsAreCutsOfTheWholePicture) {
  const Bitmap picture = TestPicture(120, 90);
  struct Case {
    int width, height;
    platform::gfx::PixelWindow window;
  };
  const Case cases[] = {{40, 30, {3, 0, 40, 30}},   {158, 119, {5, 0, 153, 119}}, {148, 197, {0, 0, 148, 119}},
                        {120, 45, {10, 7, 20, 40}}, {61, 90, {0, 30, 61, 31}},    {120, 90, {1, 2, 3, 4}}};
  for (const Case& c : cases) {
    const Bitmap whole = Resample(picture, c.width, c.height);
    const Bitmap part = Resample(picture, c.width, c.height, c.window);
    ASSERT_EQ(part.width(), c.window.right - c.window.left);
    ASSERT_EQ(part.height(), c.window.bottom - c.window.top);
    for (int y = 0; y < part.height(); ++y) {
      for (int x = 0; x < part.width(); ++x) {
        ASSERT_EQ(part.at(x, y), whole.at(c.window.left + x, c.window.top + y))
            << c.width << "x" << c.height << " at " << x << "," << y;
      }
    }
  }
  EXPECT_TRUE(Resample(picture, 40, 30, {0, 0, 41, 30}).empty());
  EXPECT_TRUE(Resample(picture, 40, 30, {-1, 0, 40, 30}).empty());
  EXPECT_TRUE(Resample(picture, 40, 30, {5, 5, 5, 10}).empty());
}

TEST(ResampleTest, TranslucentEdgesStayValidPremultiplied) {
  Bitmap edge(40, 40, 0);
  for (int y = 0; y < 40; ++y) {
    for (int x = 20; x < 40; ++x) edge.at(x, y) = (x + y) % 3 ? 0xFFFFFFFFu : 0x80808080u;
  }
  for (auto [w, h] : {std::pair{17, 17}, {90, 90}}) {
    const Bitmap out = Resample(edge, w, h);
    for (int i = 0; i < w * h; ++i) {
      const uint32_t p = out.data()[i];
      const int alpha = Channel(p, 24);
      ASSERT_LE(Channel(p, 16), alpha);
      ASSERT_LE(Channel(p, 8), alpha);
      ASSERT_LE(Channel(p, 0), alpha);
    }
    EXPECT_EQ(out.at(0, h / 2), 0u);  // the transparent half stays transparent
  }
}

}  // namespace
}  // namespace fotaro::test
