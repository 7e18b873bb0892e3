// Upright and user-rotated copies, and the GPS texts of the upload.

#include "imaging/PhotoRotation.h"

#include <gtest/gtest.h>

#include "imaging/ExifGps.h"
#include "imaging/ExifReader.h"
#include "platform/CodePage.h"
#include "platform/gfx/GifCodec.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/PngCodec.h"
#include "tests/support/ExifBuilder.h"
#include "tests/support/TestImages.h"
#include "tests/support/TempDir.h"

namespace fotaro::test {
namespace {

using namespace platform::gfx;

class PhotoRotationTest : public ::testing::Test {
 protected:
  std::u16string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    WriteFile(dir_.file(name), bytes);
    return platform::FromUtf8(dir_.file(name));
  }
  static Image Load(const std::u16string& path) {
    Image image;
    EXPECT_TRUE(LoadImage(platform::Utf8(path), &image)) << platform::Utf8(path);
    return image;
  }
  // The colour of a pixel is that of the expected picture within JPEG's error.
  static void ExpectPixel(const Bitmap& expected, const Bitmap& actual, int x, int y) {
    EXPECT_LE(ChannelDistance(expected.at(x, y), actual.at(x, y)), 40) << x << "," << y;
  }

  TempDir dir_;
  ScopedEnv cache_{"XDG_CACHE_HOME", dir_.file("cache")};
};

TEST_F(PhotoRotationTest, AutoRotateWritesUprightCopiesOfJpgFilesOnly) {
  const std::u16string photo = Write("IMG.JPG", OrientedJpeg(48, 32, 8));
  std::u16string copy;
  ASSERT_TRUE(AutoRotateByExifInfo(photo, u"tag", &copy));
  const std::string copyPath = platform::Utf8(copy);
  EXPECT_EQ(copyPath.rfind(dir_.file("cache/Brennik/OrniFotaroEx/UPLOADPREVIEW_ROTATE."), 0), 0u) << copyPath;
  EXPECT_EQ(copyPath.substr(copyPath.size() - 4), ".tag");
  const Image upright = Load(copy);
  ASSERT_EQ(upright.width(), 32);
  ASSERT_EQ(upright.height(), 48);
  const Bitmap expected = RotateFlip(TestPicture(48, 32), RotateFlipType::Rotate270FlipNone);
  for (auto [x, y] : {std::pair{2, 2}, {29, 3}, {4, 45}, {30, 44}}) ExpectPixel(expected, upright.bitmap(), x, y);
  // The copy says it is upright, so nothing turns it again.
  EXPECT_EQ(GetExifRotateFlip(copy), 0);

  std::u16string other = u"unchanged";
  EXPECT_FALSE(AutoRotateByExifInfo(Write("IMG.jpeg", OrientedJpeg(48, 32, 8)), u"tag", &other));
  EXPECT_EQ(other, u"unchanged");
  EXPECT_FALSE(AutoRotateByExifInfo(Write("one.jpg", OrientedJpeg(8, 8, 1)), u"tag", &other));
  ASSERT_TRUE(AutoRotateByExifInfo(Write("nine.jpg", OrientedJpeg(8, 8, 9)), u"tag", &other));
  EXPECT_TRUE(other.empty());
  std::vector<uint8_t> png;
  ASSERT_TRUE(EncodePng(TestPicture(4, 4), &png));
  EXPECT_FALSE(AutoRotateByExifInfo(Write("picture.jpg", png), u"tag", &other));
}

TEST_F(PhotoRotationTest, RotatePhotoFileTurnsUprightThenByTheUsersQuarterTurn) {
  // Orientation 6 (90 clockwise) and a further clockwise turn: 180 degrees from the stored pixels.
  ExifBuilder builder(false);
  builder.Short(ExifBuilder::kMain, 0x0112, 6).Thumbnail(TestJpeg(16, 12));
  const std::u16string photo = Write("photo.jpg", TestJpeg(40, 24, builder.Build()));
  std::u16string copy;
  ASSERT_TRUE(RotatePhotoFile(photo, u"p.jpg", 1, &copy));
  const Image turned = Load(copy);
  ASSERT_EQ(turned.width(), 40);
  const Bitmap expected = RotateFlip(TestPicture(40, 24), RotateFlipType::Rotate180FlipNone);
  for (auto [x, y] : {std::pair{2, 2}, {37, 3}, {4, 21}}) ExpectPixel(expected, turned.bitmap(), x, y);
  ExifInfo info;
  ASSERT_EQ(ReadExifInfo(copy, &info), 1);
  EXPECT_EQ(info.HasExif, 1);
  EXPECT_EQ(info.Orientation, 0);
  EXPECT_FALSE(turned.properties().Get(kPropertyThumbnailData));

  // A mirrored photo (orientation 2) is made upright before the user's turn.
  ASSERT_TRUE(RotatePhotoFile(Write("mirror.jpg", OrientedJpeg(40, 24, 2)), u"m.jpg", 3, &copy));
  const Bitmap mirrored = RotateFlip(RotateFlip(TestPicture(40, 24), RotateFlipType::RotateNoneFlipX),
                                     RotateFlipType::Rotate270FlipNone);
  const Image mirroredCopy = Load(copy);
  ASSERT_EQ(mirroredCopy.width(), 24);
  for (auto [x, y] : {std::pair{2, 2}, {21, 3}, {4, 37}}) ExpectPixel(mirrored, mirroredCopy.bitmap(), x, y);

  std::u16string untouched = u"unchanged";
  EXPECT_FALSE(RotatePhotoFile(photo, u"x", 2, &untouched));
  EXPECT_FALSE(RotatePhotoFile(Write("photo.tiff", TestJpeg(8, 8)), u"x", 1, &untouched));
  EXPECT_FALSE(RotatePhotoFile(Write("broken.jpg", {0xFF, 0xD8, 0xFF}), u"x", 1, &untouched));
  EXPECT_EQ(untouched, u"unchanged");
}

TEST_F(PhotoRotationTest, RotatedGifAndPngKeepTheirFormat) {
  IndexedImage frame;
  frame.width = 3;
  frame.height = 2;
  frame.palette = {0xFF112233u, 0xFF445566u, 0xFF778899u};
  frame.pixels = {0, 1, 2, 2, 1, 0};
  std::vector<uint8_t> gif;
  ASSERT_TRUE(EncodeGif(frame, &gif));
  std::u16string copy;
  ASSERT_TRUE(RotatePhotoFile(Write("anim.GIF", gif), u"g.gif", 1, &copy));
  const Image turned = Load(copy);
  ASSERT_EQ(turned.format(), ImageFormat::Gif);
  ASSERT_TRUE(turned.indexed());
  EXPECT_EQ(turned.indexed()->pixels, RotateFlip(frame, RotateFlipType::Rotate90FlipNone).pixels);
  EXPECT_EQ(turned.indexed()->palette[2], 0xFF778899u);

  std::vector<uint8_t> png;
  ASSERT_TRUE(EncodePng(TestPicture(5, 3), &png));
  ASSERT_TRUE(RotatePhotoFile(Write("shot.png", png), u"../s.png", 3, &copy));
  EXPECT_EQ(platform::Utf8(copy).find("/.."), std::string::npos);
  const Image pngCopy = Load(copy);
  EXPECT_EQ(pngCopy.format(), ImageFormat::Png);
  EXPECT_EQ(pngCopy.bitmap(), RotateFlip(TestPicture(5, 3), RotateFlipType::Rotate270FlipNone));
}

TEST_F(PhotoRotationTest, RotatedPhonePhotosBecomeJpegsTurnedOnce) {
  // Portraits held upright (tests/data/make-phone-photos.py): blue top left, red top right, white
  // bottom left, green bottom right; a HEIC turned by its container, a WebP by its EXIF block.
  for (const char* name : {"portrait.heic", "portrait.webp"}) {
    const std::u16string photo =
        Write(name, ReadFile(std::string(FOTARO_SOURCE_DIR) + "/tests/data/phone/" + name));
    std::u16string copy;
    ASSERT_TRUE(RotatePhotoFile(photo, u"tag", 1, &copy)) << name;
    const Image turned = Load(copy);
    EXPECT_EQ(turned.format(), ImageFormat::Jpeg) << name;
    ASSERT_EQ(turned.width() * 1000 + turned.height(), 96064) << name;
    const Bitmap& pixels = turned.bitmap();
    EXPECT_LE(ChannelDistance(pixels.at(24, 16), 0xFFFFFFFF), 40) << name;  // white top left
    EXPECT_LE(ChannelDistance(pixels.at(72, 16), 0xFF0000FF), 40) << name;  // blue top right
    EXPECT_LE(ChannelDistance(pixels.at(72, 48), 0xFFFF0000), 40) << name;  // red bottom right
    // The copy keeps the camera's block, which must not ask for another turn.
    EXPECT_EQ(GetExifRotateFlip(copy), 0) << name;
    EXPECT_TRUE(turned.properties().Get(kPropertyGpsLatitude)) << name;
  }
}

TEST(ExifGpsTest, UploadTextsNeedAllFourTags) {
  ExifBuilder builder(true);
  builder.Ascii(ExifBuilder::kGps, 0x0001, "N")
      .Rationals(ExifBuilder::kGps, 0x0002, {{22, 1}, {32, 1}, {1800, 100}})
      .Ascii(ExifBuilder::kGps, 0x0003, "E");
  const std::vector<uint8_t> partial = builder.Build();
  const ExifProperties threeTags = ExifProperties::FromApp1(partial.data(), partial.size());
  std::u16string text;
  EXPECT_TRUE(GetGpsCoordinate(threeTags, kPropertyGpsLatitude, &text));
  EXPECT_EQ(text, u"22.538333");
  EXPECT_TRUE(GetGpsRef(threeTags, kPropertyGpsLatitudeRef, &text));
  EXPECT_EQ(text, u"N");
  EXPECT_FALSE(GetGpsCoordinate(threeTags, kPropertyGpsLongitude, &text));
  EXPECT_EQ(text, u"0");
  GpsUploadTexts texts;
  EXPECT_FALSE(GetGpsUploadTexts(threeTags, &texts));

  // A zero denominator counts as 0: 114 degrees, 0/0 minutes, 30 seconds.
  builder.Rationals(ExifBuilder::kGps, 0x0004, {{114, 1}, {5, 0}, {30, 1}});
  const std::vector<uint8_t> full = builder.Build();
  ASSERT_TRUE(GetGpsUploadTexts(ExifProperties::FromApp1(full.data(), full.size()), &texts));
  EXPECT_EQ(texts.LatitudeRef, u"N");
  EXPECT_EQ(texts.Latitude, u"22.538333");
  EXPECT_EQ(texts.LongitudeRef, u"E");
  EXPECT_EQ(texts.Longitude, u"114.008333");

  // Fewer than three rationals is no position.
  const std::vector<uint8_t> shortValue =
      ExifBuilder(false).Rationals(ExifBuilder::kGps, 0x0002, {{22, 1}, {32, 1}}).Build();
  EXPECT_FALSE(GetGpsCoordinate(ExifProperties::FromApp1(shortValue.data(), shortValue.size()), kPropertyGpsLatitude, &text));
  EXPECT_EQ(text, u"0");
  EXPECT_FALSE(GetGpsRef(ExifProperties(), kPropertyGpsLatitudeRef, &text));
  EXPECT_TRUE(text.empty());
}

}  // namespace
}  // namespace fotaro::test
