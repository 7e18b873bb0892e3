// The platform codecs: decoders, encoders, header reads, rotate-flip and property items.

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/gfx/BmpCodec.h"
#include "platform/gfx/GifCodec.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/JpegCodec.h"
#include "platform/gfx/Pixel.h"
#include "platform/gfx/PngCodec.h"
#include "tests/support/ExifBuilder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestImages.h"

namespace fotaro::test {
namespace {

using namespace platform::gfx;

void PutBe32(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

TEST(JpegCodecTest, RoundTripAndScaledSizes) {
  const Bitmap picture = TestPicture(101, 75);
  std::vector<uint8_t> jpeg;
  ASSERT_TRUE(EncodeJpeg(picture, 95, {}, &jpeg));
  Bitmap decoded;
  ASSERT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), 8, &decoded));
  ExpectClose(picture, decoded, 10.0, 64);  // 4:2:0 chroma blurs the blue squares' edges
  EXPECT_EQ(decoded.at(50, 37) >> 24, 0xFFu);

  // Scaled decoding gives ceil(size * n / 8).
  const int expected[][2] = {{13, 10}, {26, 19}, {38, 29}, {51, 38}, {101, 75}};
  const int numerators[] = {1, 2, 3, 4, 8};
  for (int i = 0; i < 5; ++i) {
    Bitmap scaled;
    ASSERT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), numerators[i], &scaled)) << numerators[i];
    EXPECT_EQ(scaled.width(), expected[i][0]);
    EXPECT_EQ(scaled.height(), expected[i][1]);
  }
  Bitmap untouched(1, 1, 7);
  EXPECT_FALSE(DecodeJpeg(jpeg.data(), jpeg.size(), 0, &untouched));
  EXPECT_FALSE(DecodeJpeg(jpeg.data(), jpeg.size(), 9, &untouched));
  EXPECT_EQ(untouched.at(0, 0), 7u);

  // Quality changes the size, and the EXIF block is written right after the start of image.
  std::vector<uint8_t> small, withExif;
  ASSERT_TRUE(EncodeJpeg(picture, 10, {}, &small));
  EXPECT_LT(small.size(), jpeg.size());
  const std::vector<uint8_t> exif = ExifBuilder(false).Short(ExifBuilder::kMain, 0x0112, 3).Build();
  ASSERT_TRUE(EncodeJpeg(picture, 95, exif, &withExif));
  EXPECT_EQ(withExif[3], 0xE1);
  EXPECT_EQ(0, std::memcmp(withExif.data() + 6, exif.data(), exif.size()));
  EXPECT_FALSE(EncodeJpeg(picture, 95, std::vector<uint8_t>(70000, 1), &small));
}

TEST(JpegCodecTest, DamagedOrImplausibleDataFails) {
  const std::vector<uint8_t> jpeg = TestJpeg(16, 16);
  Bitmap out;
  // The start-of-frame declares 30000 x 30000: far more than a few hundred bytes can hold.
  std::vector<uint8_t> huge = jpeg;
  for (size_t i = 2; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 7] = 0x75;
      huge[i + 6] = huge[i + 8] = 0x30;
      break;
    }
  }
  EXPECT_FALSE(DecodeJpeg(huge.data(), huge.size(), 8, &out));
  EXPECT_FALSE(DecodeJpeg(jpeg.data(), 40, 8, &out));  // cut inside the headers
  const char text[] = "not a picture at all";
  EXPECT_FALSE(DecodeJpeg(reinterpret_cast<const uint8_t*>(text), sizeof text, 8, &out));
  EXPECT_TRUE(out.empty());
  // Data that ends inside the scan still gives a picture (the rest is filled in).
  const std::vector<uint8_t> big = TestJpeg(64, 64);
  EXPECT_TRUE(DecodeJpeg(big.data(), big.size() - 100, 8, &out));
}

TEST(PngCodecTest, RoundTripKeepsPixelsAndAlpha) {
  Bitmap picture = TestPicture(33, 17);
  std::vector<uint8_t> png;
  ASSERT_TRUE(EncodePng(picture, &png));
  Bitmap decoded;
  ASSERT_TRUE(DecodePng(png.data(), png.size(), &decoded));
  EXPECT_EQ(decoded, picture);

  for (int x = 0; x < 33; ++x) picture.at(x, 3) = Premultiply((static_cast<uint32_t>(x * 7) << 24) | 0x80FF20);
  ASSERT_TRUE(EncodePng(picture, &png));
  ASSERT_TRUE(DecodePng(png.data(), png.size(), &decoded));
  ExpectClose(picture, decoded, 0.5, 1);
  EXPECT_EQ(decoded.at(0, 3), 0u);

  // An IHDR declaring 20000 x 20000 (with a correct checksum) over a few hundred bytes.
  std::vector<uint8_t> huge = png;
  PutBe32(&huge, 16, 20000);
  PutBe32(&huge, 20, 20000);
  PutBe32(&huge, 29, static_cast<uint32_t>(crc32(0, huge.data() + 12, 17)));
  Bitmap out;
  EXPECT_FALSE(DecodePng(huge.data(), huge.size(), &out));
  EXPECT_FALSE(DecodePng(png.data(), png.size() / 2, &out));
  EXPECT_TRUE(out.empty());
}

TEST(GifCodecTest, RoundTripKeepsPaletteAndCountsFrames) {
  IndexedImage image;
  image.width = 5;
  image.height = 3;
  image.palette = {0xFF102030u, 0xFFA0B0C0u, 0xFFFFFFFFu};
  image.transparent = 2;
  image.pixels = {0, 1, 2, 1, 0, 1, 1, 0, 0, 2, 2, 2, 1, 0, 1};
  std::vector<uint8_t> gif;
  ASSERT_TRUE(EncodeGif(image, &gif));
  IndexedImage decoded;
  int frames = 0;
  ASSERT_TRUE(DecodeGif(gif.data(), gif.size(), &decoded, &frames));
  EXPECT_EQ(frames, 1);
  EXPECT_EQ(decoded.pixels, image.pixels);
  EXPECT_EQ(decoded.transparent, 2);
  EXPECT_EQ(decoded.palette[1], 0xFFA0B0C0u);
  EXPECT_EQ(decoded.ToBitmap().at(2, 0), 0u);

  const std::vector<uint8_t> animation = AnimatedGif(12);
  ASSERT_TRUE(DecodeGif(animation.data(), animation.size(), &decoded, &frames));
  EXPECT_EQ(frames, 12);
  // A damaged later frame ends the count but keeps the first frame.
  ASSERT_TRUE(DecodeGif(animation.data(), animation.size() - 20, &decoded, &frames));
  EXPECT_LT(frames, 12);

  std::vector<uint8_t> huge = gif;
  huge[6] = huge[7] = huge[8] = huge[9] = 0xF0;  // a 61680 x 61680 screen
  EXPECT_FALSE(DecodeGif(huge.data(), huge.size(), &decoded, &frames));
  image.pixels[4] = 7;  // an index outside the palette
  EXPECT_FALSE(EncodeGif(image, &gif));
}

TEST(GifCodecTest, QuantizeKeepsFewColoursExactly) {
  Bitmap picture(4, 4, 0xFF0000FFu);
  picture.at(1, 1) = 0xFFFF0000u;
  picture.at(2, 2) = 0;  // transparent
  const IndexedImage exact = QuantizeForGif(picture);
  EXPECT_EQ(exact.ToBitmap(), picture);
  // A picture of more than 256 colours gets a palette close to it.
  const Bitmap many = TestPicture(64, 64);
  const IndexedImage reduced = QuantizeForGif(many);
  ASSERT_EQ(reduced.pixels.size(), 64u * 64u);
  EXPECT_LE(reduced.palette.size(), 256u);
  ExpectClose(many, reduced.ToBitmap(), 12.0, 80);
}

TEST(BmpCodecTest, DecodesCommonKindsAndRefusesShortData) {
  // 24 bits, bottom-up: the first row in the file is the bottom row.
  const std::vector<uint8_t> rgb = Bmp(3, 2, 24, {}, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}});
  Bitmap out;
  ASSERT_TRUE(DecodeBmp(rgb.data(), rgb.size(), &out));
  EXPECT_EQ(out.at(0, 1), 0xFF030201u);
  EXPECT_EQ(out.at(2, 0), 0xFF121110u);

  // 8 bits with a palette, top-down (negative height).
  std::vector<uint8_t> indexed = Bmp(2, -2, 8, {0x00112233u, 0x00445566u}, {{0, 1}, {1, 1}});
  ASSERT_TRUE(DecodeBmp(indexed.data(), indexed.size(), &out));
  EXPECT_EQ(out.at(0, 0), 0xFF112233u);
  EXPECT_EQ(out.at(1, 1), 0xFF445566u);

  // 1 bit: eight pixels a byte, most significant bit first.
  const std::vector<uint8_t> mono = Bmp(9, 1, 1, {0, 0x00FFFFFFu}, {{0x80, 0x80}});
  ASSERT_TRUE(DecodeBmp(mono.data(), mono.size(), &out));
  EXPECT_EQ(out.at(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(out.at(1, 0), 0xFF000000u);
  EXPECT_EQ(out.at(8, 0), 0xFFFFFFFFu);

  Bitmap untouched;
  EXPECT_FALSE(DecodeBmp(rgb.data(), rgb.size() - 1, &untouched));  // last row short
  std::vector<uint8_t> huge = rgb;
  huge[18] = huge[19] = huge[22] = huge[23] = 0xC0;  // 49344 x 49344
  EXPECT_FALSE(DecodeBmp(huge.data(), huge.size(), &untouched));
  std::vector<uint8_t> rle = rgb;
  rle[30] = 1;  // run-length compression
  EXPECT_FALSE(DecodeBmp(rle.data(), rle.size(), &untouched));
  EXPECT_TRUE(untouched.empty());
}

TEST(ImageFormatTest, HeadersGiveFormatAndSize) {
  auto header = [](const std::vector<uint8_t>& bytes) {
    ImageHeader h;
    const MemorySource source(bytes.data(), bytes.size());
    return ReadImageHeader(source, &h) ? h : ImageHeader{ImageFormat::Unknown, -1, -1};
  };
  const std::vector<uint8_t> jpeg = TestJpeg(30, 20, ExifBuilder(true).Short(ExifBuilder::kMain, 0x0112, 6).Build());
  EXPECT_EQ(header(jpeg).format, ImageFormat::Jpeg);
  EXPECT_EQ(header(jpeg).width, 30);
  EXPECT_EQ(header(jpeg).height, 20);
  EXPECT_EQ(header(jpeg).components, 3);
  EXPECT_EQ(header(FlatJpeg(8, 8, 1, 0)).components, 1);
  EXPECT_EQ(header(FlatJpeg(8, 8, 4, 0)).components, 4);
  std::vector<uint8_t> png;
  ASSERT_TRUE(EncodePng(TestPicture(7, 9), &png));
  EXPECT_EQ(header(png).format, ImageFormat::Png);
  EXPECT_EQ(header(png).height, 9);
  EXPECT_EQ(header(AnimatedGif(2)).format, ImageFormat::Gif);
  EXPECT_EQ(header(AnimatedGif(2)).width, 8);
  EXPECT_EQ(header(Bmp(3, -2, 24, {}, {{0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0}})).height, 2);
  // A TIFF whose first directory has width 640 (SHORT) and length 480 (LONG).
  const std::vector<uint8_t> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0, 0x00, 0x01, 3, 0, 1, 0, 0, 0, 0x80, 0x02, 0, 0,
                                     0x01, 0x01, 4, 0, 1, 0, 0, 0, 0xE0, 0x01, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(header(tiff).format, ImageFormat::Tiff);
  EXPECT_EQ(header(tiff).width, 640);
  EXPECT_EQ(header(tiff).height, 480);
  const std::vector<uint8_t> icon = {0, 0, 1, 0, 1, 0, 0, 48, 0, 0};
  EXPECT_EQ(header(icon).format, ImageFormat::Icon);
  EXPECT_EQ(header(icon).width, 256);
  EXPECT_EQ(header(icon).height, 48);

  EXPECT_EQ(header(std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 30)).format, ImageFormat::Unknown);
  EXPECT_EQ(header({}).format, ImageFormat::Unknown);
  EXPECT_EQ(header({'h', 'e', 'l', 'l', 'o'}).format, ImageFormat::Unknown);
}

TEST(ByteSourceTest, BufferedFileReadsWhatTheFileHolds) {
  TempDir dir;
  std::vector<uint8_t> bytes(100);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
  WriteFile(dir.file("bytes"), bytes);
  const BufferedFileSource source(dir.file("bytes"), 40);
  ASSERT_TRUE(source.is_open());
  EXPECT_EQ(source.size(), 100u);
  // Inside the kept head, across its end, past it, and short at the end of the file.
  for (auto [offset, size] : {std::pair{0, 10}, {30, 10}, {35, 10}, {50, 10}, {95, 10}, {100, 1}}) {
    std::vector<uint8_t> read(size, 0xEE);
    const size_t count = source.ReadAt(offset, read.data(), read.size());
    EXPECT_EQ(count, static_cast<size_t>(std::min(size, 100 - offset))) << offset;
    EXPECT_TRUE(std::equal(read.begin(), read.begin() + static_cast<long>(count), bytes.begin() + offset)) << offset;
  }
  const BufferedFileSource missing(dir.file("missing"));
  uint8_t byte = 0;
  EXPECT_FALSE(missing.is_open());
  EXPECT_EQ(missing.ReadAt(0, &byte, 1), 0u);
}

TEST(RotateFlipTest, EveryCodeMovesPixelsAsDefined) {
  Bitmap source(3, 2);
  for (int i = 0; i < 6; ++i) source.data()[i] = static_cast<uint32_t>(i);
  // Where destination (x, y) comes from, for a w x h source, written out per code.
  const int w = 3, h = 2;
  const std::function<std::pair<int, int>(int, int)> from[8] = {
      [](int x, int y) { return std::make_pair(x, y); },
      [&](int x, int y) { return std::make_pair(y, h - 1 - x); },          // 90 clockwise
      [&](int x, int y) { return std::make_pair(w - 1 - x, h - 1 - y); },  // 180
      [&](int x, int y) { return std::make_pair(w - 1 - y, x); },          // 270 clockwise
      [&](int x, int y) { return std::make_pair(w - 1 - x, y); },          // mirror
      [](int x, int y) { return std::make_pair(y, x); },                   // transpose
      [&](int x, int y) { return std::make_pair(x, h - 1 - y); },          // upside down
      [&](int x, int y) { return std::make_pair(w - 1 - y, h - 1 - x); },  // transverse
  };
  IndexedImage indexed{3, 2, {0, 1, 2, 3, 4, 5}, {}, -1};
  for (int code = 0; code < 8; ++code) {
    const auto type = static_cast<RotateFlipType>(code);
    const Bitmap turned = RotateFlip(source, type);
    const IndexedImage turnedIndexed = RotateFlip(indexed, type);
    ASSERT_EQ(turned.width(), code % 2 ? 2 : 3) << code;
    ASSERT_EQ(turnedIndexed.width, turned.width());
    for (int y = 0; y < turned.height(); ++y) {
      for (int x = 0; x < turned.width(); ++x) {
        const auto [sx, sy] = from[code](x, y);
        EXPECT_EQ(turned.at(x, y), source.at(sx, sy)) << "code " << code << " at " << x << "," << y;
        EXPECT_EQ(turnedIndexed.pixels[static_cast<size_t>(y * turned.width() + x)], source.at(sx, sy));
      }
    }
  }
  EXPECT_EQ(RotateFlip(source, static_cast<RotateFlipType>(9)), source);
}

TEST(ExifPropertiesTest, ReadsAndChangesItemsInBothByteOrders) {
  for (bool bigEndian : {false, true}) {
    const std::vector<uint8_t> preview = TestJpeg(16, 12);
    ExifBuilder builder(bigEndian);
    builder.Short(ExifBuilder::kMain, 0x0112, 6)
        .Ascii(ExifBuilder::kMain, 0x010F, "Maker")
        .Ascii(ExifBuilder::kGps, 0x0001, "N")
        .Rationals(ExifBuilder::kGps, 0x0002, {{22, 1}, {32, 1}, {1800, 100}})
        .Thumbnail(preview);
    const std::vector<uint8_t> jpeg = TestJpeg(40, 30, builder.Build());
    const MemorySource source(jpeg.data(), jpeg.size());
    ExifProperties properties = ReadExifProperties(source);
    ASSERT_FALSE(properties.empty()) << bigEndian;

    const auto orientation = properties.Get(kPropertyOrientation);
    ASSERT_TRUE(orientation);
    EXPECT_EQ(orientation->type, kPropertyShort);
    uint16_t value = 0;
    std::memcpy(&value, orientation->value.data(), 2);
    EXPECT_EQ(value, 6);
    const auto latitude = properties.Get(kPropertyGpsLatitude);
    ASSERT_TRUE(latitude);
    ASSERT_EQ(latitude->value.size(), 24u);
    int32_t seconds[2];
    std::memcpy(seconds, latitude->value.data() + 16, 8);
    EXPECT_EQ(seconds[0], 1800);
    EXPECT_EQ(seconds[1], 100);
    const auto thumbnail = properties.Get(kPropertyThumbnailData);
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(thumbnail->value, preview);
    EXPECT_FALSE(properties.Get(kPropertyGpsLongitude));

    ASSERT_TRUE(properties.SetShort(kPropertyOrientation, 1));
    ASSERT_TRUE(properties.RemoveThumbnail());
    std::memcpy(&value, properties.Get(kPropertyOrientation)->value.data(), 2);
    EXPECT_EQ(value, 1);
    EXPECT_FALSE(properties.Get(kPropertyThumbnailData));
    EXPECT_TRUE(properties.Get(0x010F));
    EXPECT_TRUE(properties.Get(kPropertyGpsLatitude));
  }
  // An orientation stored as LONG next to a stray tag 0 is replaced by a SHORT; a block without
  // one gets one.
  ExifBuilder odd(false);
  odd.Raw(ExifBuilder::kMain, 0x0000, kPropertyShort, 1, odd.Bytes16(5)).Long(ExifBuilder::kMain, 0x0112, 3);
  for (const std::vector<uint8_t>& block : {odd.Build(), ExifBuilder(true).Ascii(ExifBuilder::kMain, 0x010F, "x").Build()}) {
    ExifProperties properties = ExifProperties::FromApp1(block.data(), block.size());
    ASSERT_TRUE(properties.SetShort(kPropertyOrientation, 1));
    const auto orientation = properties.Get(kPropertyOrientation);
    ASSERT_TRUE(orientation);
    EXPECT_EQ(orientation->type, kPropertyShort);
    EXPECT_EQ(orientation->value[0] | orientation->value[1] << 8, 1);
  }
  EXPECT_TRUE(ExifProperties::FromApp1(reinterpret_cast<const uint8_t*>("http://ns.adobe.com/xap/1.0/"), 29).empty());
  ExifProperties none;
  EXPECT_FALSE(none.SetShort(kPropertyOrientation, 1));
  EXPECT_FALSE(none.Get(kPropertyOrientation));
}

TEST(ImageTest, DecodesByFormatAndEncodesBack) {
  const std::vector<uint8_t> jpeg = OrientedJpeg(20, 10, 8);
  Image image;
  ASSERT_TRUE(DecodeImage(jpeg.data(), jpeg.size(), &image));
  EXPECT_EQ(image.format(), ImageFormat::Jpeg);
  EXPECT_FALSE(image.properties().empty());
  image.RotateFlip(RotateFlipType::Rotate270FlipNone);
  EXPECT_EQ(image.width(), 10);
  std::vector<uint8_t> encoded;
  ASSERT_TRUE(EncodeImage(image, ImageFormat::Jpeg, 90, &encoded));
  EXPECT_EQ(encoded[3], 0xE1);  // the EXIF block goes along

  const std::vector<uint8_t> gif = AnimatedGif(3);
  ASSERT_TRUE(DecodeImage(gif.data(), gif.size(), &image));
  EXPECT_EQ(image.format(), ImageFormat::Gif);
  EXPECT_EQ(image.frameCount(), 3);
  ASSERT_TRUE(image.indexed());
  image.mutableBitmap();
  EXPECT_FALSE(image.indexed());
  EXPECT_FALSE(EncodeImage(Image(), ImageFormat::Png, 0, &encoded));
  EXPECT_FALSE(EncodeImage(image, ImageFormat::Bmp, 0, &encoded));
  const uint8_t text[] = "GIF89a but not really";
  EXPECT_FALSE(DecodeImage(text, sizeof text, &image));
}

}  // namespace
}  // namespace fotaro::test
