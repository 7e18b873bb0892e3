// HEIC, AVIF and WebP photos: recognising them, their sizes and EXIF blocks, decoding them
// upright exactly once, the reduced decodes, and damaged or hostile files. The photos are the
// ones tests/data/make-phone-photos.py makes: four flat quadrants, red top left, green top right,
// blue bottom left, white bottom right, of the 96 x 64 picture the sensor saw.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "imaging/ExifGps.h"
#include "imaging/ExifReader.h"
#include "platform/CodePage.h"
#include "platform/gfx/ExifProperties.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/ImageFormat.h"
#include "platform/gfx/WebpCodec.h"
#include "tests/support/TestImages.h"

namespace fotaro::test {
namespace {

using namespace platform::gfx;

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

std::string PhonePhoto(const std::string& name) { return std::string(FOTARO_SOURCE_DIR) + "/tests/data/phone/" + name; }

// Expects the colours at the centres of the four quadrants, within the blur of lossy coding.
void ExpectQuadrants(const Bitmap& bitmap, uint32_t topLeft, uint32_t topRight, uint32_t bottomLeft,
                     uint32_t bottomRight, const std::string& what) {
  ASSERT_FALSE(bitmap.empty()) << what;
  const int left = bitmap.width() / 4, right = bitmap.width() * 3 / 4;
  const int top = bitmap.height() / 4, bottom = bitmap.height() * 3 / 4;
  EXPECT_LE(ChannelDistance(bitmap.at(left, top), topLeft), 40) << what;
  EXPECT_LE(ChannelDistance(bitmap.at(right, top), topRight), 40) << what;
  EXPECT_LE(ChannelDistance(bitmap.at(left, bottom), bottomLeft), 40) << what;
  EXPECT_LE(ChannelDistance(bitmap.at(right, bottom), bottomRight), 40) << what;
}

// The portrait photo held upright: the sensor's picture turned a quarter clockwise.
void ExpectUprightPortrait(const Bitmap& bitmap, const std::string& what) {
  EXPECT_EQ(bitmap.width(), 64) << what;
  EXPECT_EQ(bitmap.height(), 96) << what;
  ExpectQuadrants(bitmap, kBlue, kRed, kWhite, kGreen, what);
}

TEST(PhonePhotoTest, FormatsAndSizesComeFromTheHeaders) {
  const struct {
    const char* name;
    ImageFormat format;
    int width, height;  // as the picture decodes: after the container's rotation
  } photos[] = {
      {"landscape.heic", ImageFormat::Heic, 96, 64}, {"portrait.heic", ImageFormat::Heic, 64, 96},
      {"deep.heic", ImageFormat::Heic, 96, 64},      {"portrait.avif", ImageFormat::Avif, 64, 96},
      {"portrait.webp", ImageFormat::Webp, 96, 64},  {"alpha.webp", ImageFormat::Webp, 32, 32},
      {"animated.webp", ImageFormat::Webp, 32, 32},
  };
  for (const auto& photo : photos) {
    ImageHeader header;
    ASSERT_TRUE(ReadImageHeader(PhonePhoto(photo.name), &header)) << photo.name;
    EXPECT_EQ(header.format, photo.format) << photo.name;
    EXPECT_EQ(header.width, photo.width) << photo.name;
    EXPECT_EQ(header.height, photo.height) << photo.name;
    EXPECT_TRUE(IsPictureFormat(photo.format));
  }

  // HEIF files are told apart by their brands: a general major brand leaves it to the others.
  auto sniff = [](const char* major, const char* compatible) {
    std::vector<uint8_t> ftyp = {0, 0, 0, 24, 'f', 't', 'y', 'p'};
    ftyp.insert(ftyp.end(), major, major + 4);
    ftyp.insert(ftyp.end(), {0, 0, 0, 0});
    ftyp.insert(ftyp.end(), compatible, compatible + 8);
    return SniffImageFormat(ftyp.data(), ftyp.size());
  };
  EXPECT_EQ(sniff("heix", "mif1miaf"), ImageFormat::Heic);
  EXPECT_EQ(sniff("mif1", "miafavif"), ImageFormat::Avif);
  EXPECT_EQ(sniff("mif1", "heicmiaf"), ImageFormat::Heic);
  EXPECT_EQ(sniff("mif1", "miafjpeg"), ImageFormat::Unknown);  // HEIF, but no coding we decode
  EXPECT_EQ(sniff("isom", "mp41avc1"), ImageFormat::Unknown);  // a video
  const uint8_t longBox[16] = {0, 0, 1, 0, 'f', 't', 'y', 'p', 'h', 'e', 'i', 'c'};  // 256 bytes: no icon
  EXPECT_EQ(SniffImageFormat(longBox, sizeof longBox), ImageFormat::Heic);

  EXPECT_EQ(PictureFormatOfExtension("HEIC"), ImageFormat::Heic);
  EXPECT_EQ(PictureFormatOfExtension("heif"), ImageFormat::Heic);
  EXPECT_EQ(PictureFormatOfExtension("Webp"), ImageFormat::Webp);
  EXPECT_EQ(PictureFormatOfExtension("tif"), ImageFormat::Unknown);
  EXPECT_FALSE(IsPictureFormat(ImageFormat::Tiff));
}

TEST(PhonePhotoTest, APortraitComesOutUprightExactlyOnce) {
  // HEIC and AVIF: the decoder applies the container's rotation; the EXIF orientation (6) says
  // the same and must turn neither the pixels again nor anything made from them.
  for (const char* name : {"portrait.heic", "portrait.avif"}) {
    Image image;
    ASSERT_TRUE(LoadImage(PhonePhoto(name), &image)) << name;
    ExpectUprightPortrait(image.bitmap(), name);
    EXPECT_EQ(GetExifRotateFlip(platform::PathFromBytes(PhonePhoto(name))), 0) << name;
    const auto orientation = image.properties().Get(kPropertyOrientation);
    ASSERT_TRUE(orientation) << name;
    uint16_t value = 0;
    std::memcpy(&value, orientation->value.data(), sizeof value);
    EXPECT_EQ(value, 1) << name;
  }
  // WebP has no container rotation: its EXIF orientation turns it, as for a JPEG.
  Image webp;
  ASSERT_TRUE(LoadImage(PhonePhoto("portrait.webp"), &webp));
  ExpectQuadrants(webp.bitmap(), kRed, kGreen, kBlue, kWhite, "portrait.webp as stored");
  const int rotateFlip = GetExifRotateFlip(platform::PathFromBytes(PhonePhoto("portrait.webp")));
  EXPECT_EQ(rotateFlip, static_cast<int>(RotateFlipType::Rotate90FlipNone));
  webp.RotateFlip(static_cast<RotateFlipType>(rotateFlip));
  ExpectUprightPortrait(webp.bitmap(), "portrait.webp turned");
}

TEST(PhonePhotoTest, ExifComesFromTheContainer) {
  // A HEIF picture's orientation is spent by its decoder: the block's 6 reads as 1.
  const std::pair<const char*, int> photos[] = {{"portrait.heic", 1}, {"portrait.avif", 1}, {"portrait.webp", 6}};
  for (const auto& [name, orientation] : photos) {
    ExifInfo info;
    ASSERT_EQ(ReadExifInfo(platform::PathFromBytes(PhonePhoto(name)), &info), 1) << name;
    EXPECT_EQ(info.HasExif, 1) << name;
    EXPECT_STREQ(info.CameraMake, "FotaroCam") << name;
    EXPECT_STREQ(info.CameraModel, "Phone 12") << name;
    EXPECT_STREQ(info.DateTimeOriginal, "2024:05:06 07:08:09") << name;
    EXPECT_EQ(info.Orientation, orientation) << name;

    const FileSource file(PhonePhoto(name));
    GpsUploadTexts gps;
    ASSERT_TRUE(GetGpsUploadTexts(ReadExifProperties(file), &gps)) << name;
    EXPECT_EQ(gps.Latitude, u"22.538333") << name;
    EXPECT_EQ(gps.LongitudeRef, u"E") << name;
  }
  // A photo without a block is read, with nothing in it.
  ExifInfo deep;
  EXPECT_EQ(ReadExifInfo(platform::PathFromBytes(PhonePhoto("deep.heic")), &deep), 1);
  EXPECT_EQ(deep.HasExif, 0);
  EXPECT_EQ(deep.Width, 96);
}

TEST(PhonePhotoTest, ReducedDecodesTakeTheCheapestSourceThatIsLargeEnough) {
  ReducedImage reduced;
  // The HEIC thumbnail (48 x 32) when it is large enough, the picture itself when it is not.
  ASSERT_TRUE(LoadImageReduced(PhonePhoto("landscape.heic"), 40, 30, &reduced));
  EXPECT_EQ(reduced.format, ImageFormat::Heic);
  EXPECT_EQ(reduced.width * 1000 + reduced.height, 96064);
  EXPECT_EQ(reduced.bitmap.width() * 1000 + reduced.bitmap.height(), 48032);
  ExpectQuadrants(reduced.bitmap, kRed, kGreen, kBlue, kWhite, "landscape thumbnail");
  ASSERT_TRUE(LoadImageReduced(PhonePhoto("landscape.heic"), 49, 10, &reduced));
  EXPECT_EQ(reduced.bitmap.width(), 96);
  // A portrait's thumbnail is turned by the container too.
  ASSERT_TRUE(LoadImageReduced(PhonePhoto("portrait.heic"), 20, 20, &reduced));
  EXPECT_EQ(reduced.bitmap.width() * 1000 + reduced.bitmap.height(), 32048);
  ExpectQuadrants(reduced.bitmap, kBlue, kRed, kWhite, kGreen, "portrait thumbnail");
  // The AVIF has no thumbnail.
  ASSERT_TRUE(LoadImageReduced(PhonePhoto("portrait.avif"), 20, 20, &reduced));
  ExpectUprightPortrait(reduced.bitmap, "avif without thumbnail");

  // WebP scales while decoding, to the smallest size that keeps both minimums.
  ASSERT_TRUE(LoadImageReduced(PhonePhoto("portrait.webp"), 30, 10, &reduced));
  EXPECT_EQ(reduced.bitmap.width() * 1000 + reduced.bitmap.height(), 30020);
  ExpectQuadrants(reduced.bitmap, kRed, kGreen, kBlue, kWhite, "scaled webp");
  ASSERT_TRUE(LoadImageReduced(PhonePhoto("portrait.webp"), 10, 40, &reduced));
  EXPECT_EQ(reduced.bitmap.width() * 1000 + reduced.bitmap.height(), 60040);

  // A JPEG takes the smallest n/8 whose size is still large enough.
  const std::vector<uint8_t> jpeg = TestJpeg(800, 600);
  ASSERT_TRUE(DecodeImageReduced(jpeg.data(), jpeg.size(), 150, 100, &reduced));
  EXPECT_EQ(reduced.bitmap.width() * 1000 + reduced.bitmap.height(), 200150);
  EXPECT_EQ(reduced.width, 800);
}

TEST(PhonePhotoTest, DepthAlphaAndAnimation) {
  Image image;
  ASSERT_TRUE(LoadImage(PhonePhoto("deep.heic"), &image));  // 10 bits a sample, reduced to 8
  ExpectQuadrants(image.bitmap(), kRed, kGreen, kBlue, kWhite, "deep.heic");

  ASSERT_TRUE(LoadImage(PhonePhoto("alpha.webp"), &image));
  EXPECT_EQ(image.bitmap().at(4, 4), kRed);
  EXPECT_EQ(image.bitmap().at(28, 4), 0u);  // premultiplied: nothing left of a transparent pixel

  ASSERT_TRUE(LoadImage(PhonePhoto("animated.webp"), &image));  // the first of red, green, blue
  EXPECT_EQ(image.bitmap().at(16, 16), kRed);
}

TEST(PhonePhotoTest, DamagedAndImplausibleFilesFail) {
  for (const char* name : {"landscape.heic", "portrait.avif", "portrait.webp"}) {
    const std::vector<uint8_t> whole = ReadFile(PhonePhoto(name));
    for (const size_t size : {whole.size() - 40, whole.size() / 2, size_t{30}, size_t{0}}) {
      const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(size));
      Image image;
      EXPECT_FALSE(DecodeImage(cut.data(), cut.size(), &image)) << name << " cut to " << size;
      ReducedImage reduced;
      EXPECT_FALSE(DecodeImageReduced(cut.data(), cut.size(), 1, 1, &reduced)) << name << " cut to " << size;
    }
  }

  // A HEIF picture that declares 20000 x 20000 pixels in 2 kB is refused.
  std::vector<uint8_t> heic = ReadFile(PhonePhoto("landscape.heic"));
  const uint8_t kSize[4] = {0, 0, 0x4E, 0x20};
  int patched = 0;
  for (size_t at = 0; at + 16 <= heic.size(); ++at) {
    if (std::memcmp(&heic[at], "ispe", 4) != 0) continue;
    std::copy_n(kSize, 4, &heic[at + 8]);  // after the type, the version and the flags
    std::copy_n(kSize, 4, &heic[at + 12]);
    ++patched;
  }
  ASSERT_EQ(patched, 3);  // the picture, the thumbnail (a grid) and the grid's one tile
  Image image;
  EXPECT_FALSE(DecodeImage(heic.data(), heic.size(), &image));

  // A lossless WebP header of 16384 x 16384 with next to no data.
  std::vector<uint8_t> webp = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'L',
                               5, 0, 0, 0, 0x2F, 0xFF, 0xFF, 0xFF, 0x0F, 0};
  webp[4] = static_cast<uint8_t>(webp.size() - 8);
  Bitmap bitmap;
  EXPECT_FALSE(DecodeWebp(webp.data(), webp.size(), 0, 0, &bitmap));
  EXPECT_TRUE(bitmap.empty());
}

}  // namespace
}  // namespace fotaro::test
