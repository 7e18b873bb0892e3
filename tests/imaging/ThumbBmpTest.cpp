// Thumbnails: where the picture goes in the box, which source it is drawn from (the embedded
// preview, the 1/8 decode, the full decode), orientation, failures and the reduced JPEG decoder.

#include "imaging/ThumbBmp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "control/services/Global.h"
#include "imaging/ThumbFit.h"
#include "platform/CodePage.h"
#include "platform/gfx/JpegCodec.h"
#include "platform/gfx/PngCodec.h"
#include "platform/gfx/Resample.h"
#include "platform/gfx/RotateFlip.h"
#include "tests/control/ServicesEnv.h"
#include "tests/support/ExifBuilder.h"
#include "tests/support/TestImages.h"

namespace fotaro::test {
namespace {

using namespace platform::gfx;
namespace fs = std::filesystem;

constexpr int kBoxW = 148, kBoxH = 119;
constexpr ThumbCaller kGrid{"CUploadPreview::CreateThumbBmp", "###CreateThumbBmp takes time[MS] : [%d] %s", 7};
constexpr uint32_t kBlue = 0xFF0000FFu;
// How far a thumbnail may stray from the reference: JPEG's error and the difference between
// scaling a 1/8 decode and scaling the whole picture. A picture cut a few pixels off exceeds the
// mean limit; one that misses its place in the box by a pixel leaves or covers a transparent
// edge, which exceeds the largest difference.
constexpr double kMeanLimit = 1.5;
constexpr int kMaxLimit = 12;

TEST(ThumbFitTest, PlacesPicturesInTheGridsBox) {
  // Photo size, then fill mode, scaled size and the scaled picture's place in the box.
  const std::tuple<int, int, bool, int, int, int, int> cases[] = {
      {4000, 3000, true, 158, 119, -5, 0},  // larger both ways: covers the box, cut in the middle
      {3000, 4000, true, 148, 197, 0, 0},   // cut from the top
      {1025, 768, true, 158, 119, -5, 0},
      {100, 500, false, 23, 119, 62, 0},    // letterboxed
      {50, 40, false, 148, 118, 0, 0},      // enlarged
      {148, 119, false, 148, 119, 0, 0},
      {149, 119, false, 148, 118, 0, 0},
      // Computed in floating point these lose a line (118.99999 and 147.99999 truncated), which
      // would leave a transparent edge in the thumbnail.
      {1, 49, false, 2, 119, 73, 0},
      {200, 159, true, 149, 119, 0, 0},
      {1, 100000, false, 1, 119, 73, 0},    // at least a pixel
      {100000, 1, false, 148, 1, 0, 59},
  };
  for (const auto& [w, h, fill, width, height, x, y] : cases) {
    const ThumbFit fit = FitIntoBox(w, h, kBoxW, kBoxH);
    EXPECT_EQ(std::tie(fit.fill, fit.width, fit.height, fit.x, fit.y), std::tie(fill, width, height, x, y))
        << w << "x" << h;
  }
}

TEST(FitCropRectTest, CutsTheLargestCentredRectangleOfThePhotosShape) {
  // Photo, preview, and the cut's left, top, right, bottom.
  const std::tuple<int, int, int, int, int, int, int, int> cases[] = {
      {4000, 3000, 160, 120, 0, 0, 160, 120},   // same shape: all of it
      {2060, 1545, 160, 120, 0, 0, 160, 120},   // in floating point 119.99999 rows, truncated to 119
      {4000, 2250, 160, 120, 0, 15, 160, 105},  // a 16:9 photo's preview with bars above and below
      {3000, 4000, 160, 120, 35, 0, 125, 120},
      {1, 1000, 160, 120, 79, 0, 80, 120},      // at least a pixel
      {0, 3000, 160, 120, 0, 0, 0, 0},
      {4000, 3000, 160, -1, 0, 0, 0, 0},
  };
  for (const auto& [w, h, w2, h2, left, top, right, bottom] : cases) {
    const platform::RECT r = FitCropRect(w, h, w2, h2);
    EXPECT_EQ(std::tie(r.left, r.top, r.right, r.bottom), std::tie(left, top, right, bottom))
        << w << "x" << h << " in " << w2 << "x" << h2;
  }
}

class ThumbBmpTest : public ::testing::Test {
 protected:
  void TearDown() override { CGlobal::DestroyInstance(); }

  std::u16string Photo(const std::string& name, const std::vector<uint8_t>& bytes) const {
    WriteFile(env_.root().file(name), bytes);
    return platform::PathFromBytes(env_.root().file(name));
  }

  // The grid's thumbnail of a photo; `rotated` receives outRotated.
  static Bitmap Thumb(const std::u16string& path, int* rotated = nullptr) {
    Bitmap thumb;
    int turned = -1;
    EXPECT_TRUE(CreateThumbBmp(path, kBoxW, kBoxH, kGrid, &thumb, &turned)) << platform::PathBytes(path);
    if (rotated) *rotated = turned;
    return thumb;
  }

  // The box as it should look: `upright` scaled to width x height with its top-left corner at
  // (x, y), transparent where it does not reach.
  static Bitmap Expected(const Bitmap& upright, int width, int height, int x, int y) {
    const Bitmap scaled = Resample(upright, width, height);
    Bitmap box(kBoxW, kBoxH);
    for (int by = std::max(y, 0); by < std::min(y + height, kBoxH); ++by) {
      for (int bx = std::max(x, 0); bx < std::min(x + width, kBoxW); ++bx) box.at(bx, by) = scaled.at(bx - x, by - y);
    }
    return box;
  }

  // A photo of one colour with an EXIF block (an embedded preview, an orientation).
  static std::vector<uint8_t> BluePhoto(int width, int height, const ExifBuilder& exif) {
    std::vector<uint8_t> jpeg;
    EXPECT_TRUE(EncodeJpeg(Bitmap(width, height, kBlue), 90, exif.Build(), &jpeg));
    return jpeg;
  }
  static bool AllBlue(const Bitmap& thumb) {
    return std::all_of(thumb.data(), thumb.data() + thumb.width() * thumb.height(),
                       [](uint32_t pixel) { return ChannelDistance(pixel, kBlue) <= 8; });
  }

  // `jpeg` with its frame header claiming width x height: the picture's data no longer fits it.
  static std::vector<uint8_t> Claiming(std::vector<uint8_t> jpeg, uint16_t width, uint16_t height) {
    for (size_t i = 0; i + 8 < jpeg.size(); ++i) {
      if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {  // SOF0: length, precision, height, width
        jpeg[i + 5] = static_cast<uint8_t>(height >> 8), jpeg[i + 6] = static_cast<uint8_t>(height);
        jpeg[i + 7] = static_cast<uint8_t>(width >> 8), jpeg[i + 8] = static_cast<uint8_t>(width);
        break;
      }
    }
    return jpeg;
  }

  // The contents of the preview files the grid (caller 7) left in the working folder.
  std::vector<std::vector<uint8_t>> PreviewFiles() const {
    const std::string prefix = "ULKERNEL_" + platform::Utf8(CGlobal::Instance().GetProcessTag()) + ".7.";
    std::vector<std::vector<uint8_t>> files;
    for (const auto& entry : fs::directory_iterator(env_.root().file("cache/Brennik/OrniFotaroEx"))) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(prefix, 0) == 0 && name.substr(name.size() - 4) == ".jpg") files.push_back(ReadFile(entry.path()));
    }
    return files;
  }

  ServicesEnv env_;
};

TEST_F(ThumbBmpTest, LargePhotosAreTurnedUprightAndCoverTheBox) {
  int rotated = -1;
  const Bitmap landscape = Thumb(Photo("camera.jpg", SmoothJpeg(4000, 3000)), &rotated);
  EXPECT_EQ(rotated, 0);
  ExpectClose(Expected(SmoothPicture(4000, 3000), 158, 119, -5, 0), landscape, kMeanLimit, kMaxLimit);

  // Stored 2000 x 1500 with orientation 6: upright 1500 x 2000, held as 148 x 197, cut from the top.
  const auto orientation = [](uint16_t value) {
    return ExifBuilder(true).Short(ExifBuilder::kMain, 0x0112, value).Build();
  };
  const Bitmap portrait = Thumb(Photo("portrait.jpg", SmoothJpeg(2000, 1500, orientation(6))), &rotated);
  EXPECT_EQ(rotated, 1);
  ExpectClose(Expected(RotateFlip(SmoothPicture(2000, 1500), RotateFlipType::Rotate90FlipNone), 148, 197, 0, 0),
              portrait, kMeanLimit, kMaxLimit);
  // A mirror image counts as turned too; orientation 1 does not.
  Thumb(Photo("mirrored.jpg", SmoothJpeg(60, 40, orientation(2))), &rotated);
  EXPECT_EQ(rotated, 1);
  Thumb(Photo("upright.jpg", SmoothJpeg(60, 40, orientation(1))), &rotated);
  EXPECT_EQ(rotated, 0);
}

TEST_F(ThumbBmpTest, SmallPhotosAreLetterboxedOrEnlarged) {
  ExpectClose(Expected(SmoothPicture(100, 500), 23, 119, 62, 0), Thumb(Photo("tall.jpg", SmoothJpeg(100, 500))),
              kMeanLimit, kMaxLimit);
  ExpectClose(Expected(SmoothPicture(50, 40), 148, 118, 0, 0), Thumb(Photo("tiny.jpg", SmoothJpeg(50, 40))), kMeanLimit,
              kMaxLimit);
}

TEST_F(ThumbBmpTest, EmbeddedPreviewIsDrawnWhenItIsWideEnough) {
  const std::vector<uint8_t> preview = SmoothJpeg(160, 120);
  const Bitmap thumb = Thumb(Photo("camera.jpg", BluePhoto(4000, 3000, ExifBuilder(false).Thumbnail(preview))));
  ExpectClose(Expected(SmoothPicture(160, 120), 158, 119, -5, 0), thumb, kMeanLimit, kMaxLimit);
  // The preview was written into the working folder under the process tag and the caller's id.
  EXPECT_EQ(PreviewFiles(), std::vector<std::vector<uint8_t>>{preview});

  // A 16:9 photo's preview has bars above and below: only the photo's own shape is drawn.
  Bitmap barred(160, 120, 0xFF000000u);
  const Bitmap picture = SmoothPicture(160, 90);
  for (int y = 0; y < 90; ++y) std::copy_n(picture.row(y), 160, barred.row(15 + y));
  std::vector<uint8_t> barredJpeg;
  ASSERT_TRUE(EncodeJpeg(barred, 95, {}, &barredJpeg));
  const Bitmap wide = Thumb(Photo("wide.jpg", BluePhoto(4000, 2250, ExifBuilder(false).Thumbnail(barredJpeg))));
  ExpectClose(Expected(picture, 211, 119, -31, 0), wide, 3, 60);
  // The caller's earlier preview file became this one: a grid leaves its latest preview only.
  EXPECT_EQ(PreviewFiles(), std::vector<std::vector<uint8_t>>{barredJpeg});
}

TEST_F(ThumbBmpTest, PreviewThatDoesNotServeLeavesThePhotoToTheDecoder) {
  const std::vector<uint8_t> preview = SmoothJpeg(160, 120);
  const ExifBuilder turned = ExifBuilder(false).Short(ExifBuilder::kMain, 0x0112, 6).Thumbnail(preview);
  const std::pair<std::vector<uint8_t>, const char*> photos[] = {
      {BluePhoto(3000, 4000, ExifBuilder(false).Thumbnail(preview)), "orientation classes differ"},
      {BluePhoto(4000, 3000, turned), "turned upright, 120 pixels are narrower than the box"},
      {BluePhoto(1200, 1200, ExifBuilder(false).Thumbnail(SmoothJpeg(160, 160))), "squares never serve"},
      {BluePhoto(4000, 3000, ExifBuilder(false).Thumbnail({0xFF, 0xD8, 1, 2, 3})), "no picture"},
      {BluePhoto(4000, 3000, ExifBuilder(false).Thumbnail(Claiming(preview, 1200, 900))), "larger than a preview"},
      {BluePhoto(148, 119, ExifBuilder(false).Thumbnail(preview)), "more pixels than the photo"},
  };
  for (const auto& [bytes, why] : photos) EXPECT_TRUE(AllBlue(Thumb(Photo("photo.jpg", bytes)))) << why;
}

TEST_F(ThumbBmpTest, PhotosFrom1025PixelsAreDecodedAtAnEighth) {
  // Black and white squares of 8 pixels, each centred on a corner of the JPEG's 8 x 8 blocks. The
  // 1/8 decode keeps one value per block, their mean, which is the same grey for every block; a
  // full decode keeps the squares, and they survive the reduction to the box as a pattern.
  const auto squares = [](int width, int height) {
    Bitmap bitmap(width, height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) bitmap.at(x, y) = ((x + 4) / 8 + (y + 4) / 8) % 2 ? 0xFFFFFFFFu : 0xFF000000u;
    }
    std::vector<uint8_t> jpeg;
    EXPECT_TRUE(EncodeJpeg(bitmap, 95, {}, &jpeg));
    return jpeg;
  };
  const auto spread = [](const Bitmap& thumb) {
    const auto [low, high] = std::minmax_element(thumb.data(), thumb.data() + thumb.width() * thumb.height(),
                                                 [](uint32_t a, uint32_t b) { return (a & 0xFF) < (b & 0xFF); });
    return static_cast<int>((*high & 0xFF) - (*low & 0xFF));
  };
  EXPECT_GT(spread(Thumb(Photo("1024.jpg", squares(1024, 768)))), 40);
  EXPECT_LT(spread(Thumb(Photo("1025.jpg", squares(1025, 768)))), 10);
  EXPECT_LT(spread(Thumb(Photo("tall.jpg", squares(768, 1025)))), 10);
}

TEST_F(ThumbBmpTest, PicturesTheReducedDecoderRefusesAreDecodedFully) {
  std::vector<uint8_t> png;
  ASSERT_TRUE(EncodePng(SmoothPicture(1100, 900), &png));
  ExpectClose(Expected(SmoothPicture(1100, 900), 148, 121, 0, 0), Thumb(Photo("large.png", png)), 1, 10);
  // CMYK, 200 for every ink (as the encoder writes it, with an Adobe marker: inverted).
  EXPECT_EQ(Thumb(Photo("cmyk.jpg", FlatJpeg(1600, 1200, 4, 200))), Bitmap(kBoxW, kBoxH, 0xFF9C9C9Cu));
}

// Phone photos (tests/data/phone: four flat quadrants, red top left, green top right, blue bottom
// left, white bottom right of the 96 x 64 picture the sensor saw) come out upright exactly once,
// whether the container turns them (HEIC, AVIF) or their EXIF orientation does (WebP), drawn from
// the cheapest source that covers the box (the HEIC's 48 x 32 thumbnail for the landscape).
TEST_F(ThumbBmpTest, PhonePhotosAreTurnedUprightOnce) {
  constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kWhite = 0xFFFFFFFF;
  const auto phone = [](const char* name) {
    return platform::PathFromBytes(std::string(FOTARO_SOURCE_DIR) + "/tests/data/phone/" + name);
  };
  // A 40 x 30 box shows the top of a portrait (blue left, red right) and the middle of a landscape.
  const struct {
    const char* name;
    uint32_t left, right;
    int rotated;
  } cases[] = {{"portrait.heic", kBlue, kRed, 0},
               {"portrait.avif", kBlue, kRed, 0},
               {"portrait.webp", kBlue, kRed, 1},
               {"landscape.heic", kRed, kGreen, 0}};
  for (const auto& c : cases) {
    Bitmap thumb;
    int rotated = -1;
    ASSERT_TRUE(CreateThumbBmp(phone(c.name), 40, 30, kGrid, &thumb, &rotated)) << c.name;
    EXPECT_EQ(rotated, c.rotated) << c.name;
    EXPECT_LE(ChannelDistance(thumb.at(8, 6), c.left), 40) << c.name;
    EXPECT_LE(ChannelDistance(thumb.at(31, 6), c.right), 40) << c.name;
  }
  Bitmap landscape;
  int rotated = 0;
  ASSERT_TRUE(CreateThumbBmp(phone("landscape.heic"), 40, 30, kGrid, &landscape, &rotated));
  EXPECT_LE(ChannelDistance(landscape.at(31, 24), kWhite), 40);
}

TEST_F(ThumbBmpTest, UnreadablePhotosAndEmptyBoxesFailAndLeaveTheOutputsAlone) {
  const std::vector<uint8_t> jpeg = SmoothJpeg(40, 30);
  const std::u16string good = Photo("good.jpg", jpeg);
  const auto fails = [](const std::u16string& path, int width, int height) {
    Bitmap thumb(3, 3, 0x12345678u);
    int rotated = 5;
    return !CreateThumbBmp(path, width, height, kGrid, &thumb, &rotated) && thumb == Bitmap(3, 3, 0x12345678u) &&
           rotated == 5;
  };
  EXPECT_TRUE(fails(Photo("text.jpg", {'h', 'e', 'l', 'l', 'o'}), kBoxW, kBoxH));
  EXPECT_TRUE(fails(Photo("header-only.jpg", std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 200)), kBoxW, kBoxH));
  EXPECT_TRUE(fails(platform::PathFromBytes(env_.root().file("missing.jpg")), kBoxW, kBoxH));
  EXPECT_TRUE(fails(platform::PathFromBytes(env_.root().path()), kBoxW, kBoxH));  // a folder
  EXPECT_TRUE(fails(good, 0, kBoxH));
  EXPECT_TRUE(fails(good, kBoxW, -1));
  EXPECT_TRUE(fails(good, 100000, 100000));  // no such bitmap
}

TEST_F(ThumbBmpTest, LoadJpegScaledDividesByTheFactorAndTakesGreyAndColourOnly) {
  const std::u16string photo = Photo("photo.jpg", SmoothJpeg(1025, 768));
  for (const auto& [factor, width, height] : {std::tuple{8, 129, 96}, {4, 257, 192}, {2, 513, 384}, {3, 1025, 768}}) {
    Bitmap bitmap;
    ASSERT_TRUE(LoadJpegScaled(photo, factor, &bitmap)) << factor;
    EXPECT_EQ(std::tie(width, height), std::make_tuple(bitmap.width(), bitmap.height())) << factor;
  }
  Bitmap grey;
  ASSERT_TRUE(LoadJpegScaled(Photo("grey.jpg", FlatJpeg(64, 48, 1, 77)), 8, &grey));
  EXPECT_EQ(grey, Bitmap(8, 6, 0xFF4D4D4Du));

  std::vector<uint8_t> png;
  ASSERT_TRUE(EncodePng(SmoothPicture(64, 48), &png));
  const std::vector<uint8_t> jpeg = SmoothJpeg(64, 48);
  for (const std::u16string& path : {Photo("cmyk.jpg", FlatJpeg(64, 48, 4, 90)), Photo("picture.png", png),
                                     Photo("cut.jpg", std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 100)),
                                     platform::PathFromBytes(env_.root().file("missing.jpg"))}) {
    Bitmap bitmap(2, 2, 0x11223344u);
    EXPECT_FALSE(LoadJpegScaled(path, 8, &bitmap)) << platform::PathBytes(path);
    EXPECT_EQ(bitmap, Bitmap(2, 2, 0x11223344u));
  }
}

// The log decides once per process whether it is on, so the calls run in a fresh child process
// (a death test in the "threadsafe" style) that finds the marker.
TEST_F(ThumbBmpTest, LogsUnderTheCallersScopeAndTimesOnlySuccesses) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::u16string photo = Photo("photo.jpg", SmoothJpeg(40, 30));
  fs::create_directories(env_.root().file("state/Brennik"));
  std::ofstream(env_.root().file("state/Brennik/FotaroEx_Log.txt")) << "";
  auto logAndCheck = [&] {
    Bitmap thumb;
    int rotated = 0;
    const ThumbCaller pane{"CCMPreview::CreateThumbBmp", "### CreateThumbBmp takes time[MS] : [%d] %s", 2};
    const bool made = CreateThumbBmp(photo, kBoxW, kBoxH, kGrid, &thumb, &rotated) &&
                      !CreateThumbBmp(u"/no/such/photo.jpg", kBoxW, kBoxH, pane, &thumb, &rotated);
    std::ifstream in(env_.root().file("state/Brennik/log/OrniFotaroEx.txt"));
    std::vector<std::string> lines;  // without the time, "hh:mm:ss"
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(8));
    const std::string timing = ": CUploadPreview::CreateThumbBmp: ###CreateThumbBmp takes time[MS] : [";
    const bool logged =
        lines.size() == 4 && lines[0] == ": CUploadPreview::CreateThumbBmp: entry" && lines[1].rfind(timing, 0) == 0 &&
        lines[1].find("] " + env_.root().file("photo.jpg")) != std::string::npos &&
        lines[2] == ": CUploadPreview::CreateThumbBmp: leave" && lines[3] == ": CCMPreview::CreateThumbBmp: entry";
    std::exit(made && logged ? 0 : 1);
  };
  EXPECT_EXIT(logAndCheck(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace fotaro::test
