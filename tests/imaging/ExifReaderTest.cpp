// The EXIF reader: segment walk, TIFF directories, field conversions and hostile blocks.

#include "imaging/ExifReader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/CodePage.h"
#include "platform/gfx/PngCodec.h"
#include "tests/support/ExifBuilder.h"
#include "tests/support/TestImages.h"
#include "tests/support/TempDir.h"

namespace fotaro::test {
namespace {

using platform::gfx::RotateFlipType;
constexpr auto kMain = ExifBuilder::kMain;
constexpr auto kExif = ExifBuilder::kExif;
constexpr auto kThumbnail = ExifBuilder::kThumbnail;

int Read(const std::vector<uint8_t>& bytes, ExifInfo* info) {
  const platform::gfx::MemorySource source(bytes.data(), bytes.size());
  return ReadExifInfo(source, info);
}

// An empty JPEG-like stream: SOI, the given segments, then a start of scan.
std::vector<uint8_t> Segments(const std::vector<std::pair<uint8_t, std::vector<uint8_t>>>& segments) {
  std::vector<uint8_t> out = {0xFF, 0xD8};
  for (const auto& [marker, data] : segments) {
    const size_t length = data.size() + 2;
    out.insert(out.end(), {0xFF, marker, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
    out.insert(out.end(), data.begin(), data.end());
  }
  out.insert(out.end(), {0xFF, 0xDA, 0, 2});
  return out;
}

TEST(ExifReaderTest, OrientationInBothByteOrders) {
  TempDir dir;
  for (bool bigEndian : {false, true}) {
    const std::string path = dir.file(bigEndian ? "mm.jpg" : "ii.jpg");
    WriteFile(path, OrientedJpeg(32, 24, 6, bigEndian));
    EXPECT_EQ(GetExifRotateFlip(platform::FromUtf8(path)), 1) << bigEndian;
    ExifInfo info;
    EXPECT_EQ(ReadExifInfo(platform::FromUtf8(path), &info), 1);
    EXPECT_EQ(info.HasExif, 1);
    EXPECT_EQ(info.Width, 32);
    EXPECT_EQ(info.Height, 24);
    EXPECT_EQ(info.IsColor, 1);
    EXPECT_EQ(info.Process, 0xC0);
  }
  const int expected[] = {0, 0, 4, 2, 6, 5, 1, 7, 3, 0};  // orientations 0..9
  for (int orientation = 0; orientation <= 9; ++orientation) {
    EXPECT_EQ(static_cast<int>(RotateFlipForOrientation(orientation)), expected[orientation]) << orientation;
  }
  ExifInfo info;
  ASSERT_EQ(Read(OrientedJpeg(8, 8, 9), &info), 1);
  EXPECT_EQ(info.Orientation, 0);
  EXPECT_EQ(info.HasExif, 1);
  EXPECT_EQ(GetExifRotateFlip(platform::FromUtf8(dir.file("missing.jpg"))), 0);
}

TEST(ExifReaderTest, FieldsAreConvertedAndCut) {
  const std::string make40(40, 'M');
  ExifBuilder builder(true);
  builder.Ascii(kMain, 0x010F, make40)
      .Ascii(kMain, 0x0110, "Model Z")
      .Short(kMain, 0x0128, 3)
      .Rationals(kMain, 0x011A, {{300, 1}})
      .Ascii(kExif, 0x9003, "2024:05:06 07:08:09")
      .Raw(kExif, 0x9000, 7, 4, {'0', '2', '3', '0'})
      .Short(kExif, 0x8827, 2)
      .Short(kExif, 0x9209, 0x19)
      .Rationals(kExif, 0x829D, {{28, 10}})
      .Rationals(kExif, 0x829A, {{1, 0}})  // zero denominator: 0
      .Raw(kExif, 0x9204, 10, 1, [&] {
        auto v = builder.Bytes32(static_cast<uint32_t>(-2));
        auto d = builder.Bytes32(3);
        v.insert(v.end(), d.begin(), d.end());
        return v;
      }())
      .Long(kExif, 0xA002, 4000)
      .Long(kExif, 0xA003, 3000)
      .Rationals(kExif, 0xA20E, {{2000, 1}})
      .Short(kExif, 0xA210, 2)
      .Raw(kExif, 0x9286, 7, 12, std::vector<uint8_t>(12, 'c'))
      .Thumbnail(std::vector<uint8_t>(100, 0xAB));
  ExifInfo info;
  ASSERT_EQ(Read(TestJpeg(10, 10, builder.Build()), &info), 1);
  EXPECT_EQ(info.HasExif, 1);
  EXPECT_EQ(std::string(info.CameraMake), make40.substr(0, 31));
  EXPECT_STREQ(info.CameraModel, "Model Z");
  EXPECT_STREQ(info.DateTimeOriginal, "2024:05:06 07:08:09");
  EXPECT_STREQ(info.ExifVersion, "0230");
  EXPECT_EQ(info.ISOequivalent, 400);
  EXPECT_EQ(info.FlashUsed, 1);
  EXPECT_FLOAT_EQ(info.ApertureFNumber, 2.8f);
  EXPECT_EQ(info.ExposureTime, 0.0f);
  EXPECT_FLOAT_EQ(info.ExposureBias, -2.0f / 3);
  EXPECT_FLOAT_EQ(info.ResolutionUnit, 0.3937008f);
  EXPECT_FLOAT_EQ(info.XResolution, 300.0f);
  EXPECT_FLOAT_EQ(info.CCDWidth, 2.0f);  // 1.0 x 4000 / 2000
  EXPECT_EQ(info.UserCommentLength, 12u);
  EXPECT_GT(info.UserCommentOffset, 8u);
  EXPECT_EQ(info.ThumbnailLength, 100u);
  EXPECT_GT(info.ThumbnailOffset, 8u);

  ExifInfo iso;
  ASSERT_EQ(Read(TestJpeg(8, 8, ExifBuilder(false).Short(kExif, 0x8827, 100).Short(kExif, 0x9209, 0x10).Build()), &iso), 1);
  EXPECT_EQ(iso.ISOequivalent, 100);
  EXPECT_EQ(iso.FlashUsed, 0);
}

TEST(ExifReaderTest, RejectedBlocksLeaveHasExifZero) {
  auto hasExif = [](const std::vector<uint8_t>& block) {
    ExifInfo info;
    EXPECT_EQ(Read(TestJpeg(8, 8, block), &info), 1);
    return info.HasExif;
  };
  auto oriented = [](bool big) {
    ExifBuilder builder(big);
    builder.Short(kMain, 0x0112, 6);
    return builder;
  };
  EXPECT_EQ(hasExif(oriented(false).FirstDirectoryOffset(16).Build()), 1);  // read where it says
  EXPECT_EQ(hasExif(oriented(false).FirstDirectoryOffset(20).Build()), 0);
  std::vector<uint8_t> badMagic = oriented(true).Build();
  badMagic[6 + 3] = 43;
  EXPECT_EQ(hasExif(badMagic), 0);
  std::vector<uint8_t> badOrder = oriented(false).Build();
  badOrder[6] = 'X';
  EXPECT_EQ(hasExif(badOrder), 0);
  EXPECT_EQ(hasExif(oriented(false).Raw(kMain, 0x9999, 13, 1, {0, 0, 0, 0}).Build()), 0);  // unknown format
  EXPECT_EQ(hasExif(oriented(false).Raw(kMain, 0x010F, 2, 1000, {0xF0, 0, 0, 0}).Build()), 0);  // value past the end
  EXPECT_EQ(hasExif(oriented(true).Raw(kMain, 0x010F, 5, 0xFFFFFFFF, {0, 0, 0, 16}).Build()), 0);  // size overflows
  // A directory loop: the EXIF pointer leads back to the main directory.
  ExifInfo loop;
  ASSERT_EQ(Read(TestJpeg(8, 8, oriented(false).Long(kMain, 0x8769, 8).Build()), &loop), 1);
  EXPECT_EQ(loop.HasExif, 0);
  EXPECT_EQ(loop.Orientation, 6);  // what was read before the fault stays
  // A thumbnail that runs past the block is not recorded.
  ExifInfo thumbnail;
  ASSERT_EQ(Read(TestJpeg(8, 8, ExifBuilder(false).Long(kThumbnail, 0x0201, 40).Long(kThumbnail, 0x0202, 5000).Build()),
                 &thumbnail),
            1);
  EXPECT_EQ(thumbnail.HasExif, 1);
  EXPECT_EQ(thumbnail.ThumbnailLength, 0u);
}

TEST(ExifReaderTest, SegmentWalk) {
  const std::vector<uint8_t> exif = ExifBuilder(false).Short(kMain, 0x0112, 8).Build();
  const std::string xmp = "http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>";
  // XMP first, then EXIF: the EXIF block is still found.
  const std::vector<uint8_t> both = InsertSegment(InsertSegment(TestJpeg(8, 8), 0xE1, exif), 0xE1, {xmp.begin(), xmp.end()});
  ExifInfo info;
  ASSERT_EQ(Read(both, &info), 1);
  EXPECT_EQ(info.Orientation, 8);
  ExifInfo xmpOnly;
  ASSERT_EQ(Read(InsertSegment(TestJpeg(8, 8), 0xE1, {xmp.begin(), xmp.end()}), &xmpOnly), 1);
  EXPECT_EQ(xmpOnly.Orientation, 0);
  EXPECT_EQ(xmpOnly.HasExif, 0);

  // Only the first comment counts; CR LF becomes LF and control bytes "?".
  const std::string comment = "line\r\none\x01\tend";
  ExifInfo commented;
  ASSERT_EQ(Read(Segments({{0xFE, {comment.begin(), comment.end()}}, {0xFE, {'x'}}}), &commented), 1);
  EXPECT_STREQ(commented.Comments, "line\none?\tend");
  ExifInfo longComment;
  ASSERT_EQ(Read(Segments({{0xFE, std::vector<uint8_t>(3000, 'a')}}), &longComment), 1);
  EXPECT_EQ(std::strlen(longComment.Comments), 1000u);

  // Nineteen kept segments are fine, the twentieth is not; APP0 and comments do not count.
  std::vector<std::pair<uint8_t, std::vector<uint8_t>>> segments(19, {0xE2, {1}});
  segments.push_back({0xE0, {1}});
  segments.push_back({0xFE, {1}});
  EXPECT_EQ(Read(Segments(segments), &info), 1);
  segments.push_back({0xDB, {1}});
  EXPECT_EQ(Read(Segments(segments), &info), -1);

  std::vector<uint8_t> png;
  ASSERT_TRUE(platform::gfx::EncodePng(TestPicture(4, 4), &png));
  const std::vector<uint8_t> jpeg = TestJpeg(8, 8, exif);
  EXPECT_EQ(Read(png, &info), -1);
  EXPECT_EQ(Read({}, &info), -1);
  EXPECT_EQ(Read({jpeg.begin(), jpeg.begin() + 30}, &info), -1);      // truncated
  EXPECT_EQ(Read({0xFF, 0xD8, 0xFF, 0xD9}, &info), -1);               // end before any scan
  EXPECT_EQ(Read({0xFF, 0xD8, 0xFF, 0xE2, 0, 1, 0xFF, 0xDA}, &info), -1);  // length below 2
  std::vector<uint8_t> padded = {0xFF, 0xD8};
  padded.insert(padded.end(), 7, 0xFF);
  padded.insert(padded.end(), {0xDA, 0, 2});
  EXPECT_EQ(Read(padded, &info), -1);  // seven fill bytes
  padded.erase(padded.begin() + 2);
  EXPECT_EQ(Read(padded, &info), 1);  // six are allowed
  ExifInfo missing;
  EXPECT_EQ(ReadExifInfo(u"/no/such/file.jpg", &missing), -1);
}

}  // namespace
}  // namespace fotaro::test
