// CGkHelper: format codes, sizes, frame counts, encoder lookup and the three writers.

#include "imaging/GkHelper.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <thread>

#include "imaging/ExifReader.h"
#include "platform/CodePage.h"
#include "platform/gfx/PngCodec.h"
#include "tests/support/ExifBuilder.h"
#include "tests/support/TestImages.h"
#include "tests/support/TempDir.h"

namespace fotaro::test {
namespace {

using platform::gfx::Image;
using platform::gfx::ImageFormat;

class GkHelperTest : public ::testing::Test {
 protected:
  std::u16string Path(const std::string& name) const { return platform::FromUtf8(dir_.file(name)); }
  std::u16string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    WriteFile(dir_.file(name), bytes);
    return Path(name);
  }
  static Image Load(const std::u16string& path) {
    Image image;
    EXPECT_TRUE(platform::gfx::LoadImage(platform::Utf8(path), &image)) << platform::Utf8(path);
    return image;
  }

  TempDir dir_;
  ScopedEnv cache_{"XDG_CACHE_HOME", dir_.file("cache")};  // the working folder goes in here
};

TEST_F(GkHelperTest, FormatCodesAndSizesFromFiles) {
  std::vector<uint8_t> png;
  ASSERT_TRUE(platform::gfx::EncodePng(TestPicture(12, 5), &png));
  const std::vector<uint8_t> jpeg = TestJpeg(40, 30);
  const std::vector<uint8_t> tiff = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 2, 0x01, 0x00, 0, 3, 0, 0, 0, 1, 0, 9, 0, 0,
                                     0x01, 0x01, 0, 3, 0, 0, 0, 1, 0, 4, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(CGkHelper::GetFileImageFormat(Write("a.jpg", jpeg)), 0);
  EXPECT_EQ(CGkHelper::GetFileImageFormat(Write("a.gif", AnimatedGif(1))), 1);
  EXPECT_EQ(CGkHelper::GetFileImageFormat(Write("a.png", png)), 2);
  EXPECT_EQ(CGkHelper::GetFileImageFormat(Write("a.tif", tiff)), 6);
  EXPECT_EQ(CGkHelper::GetFileImageFormat(Path("missing.jpg")), -1);
  EXPECT_EQ(CGkHelper::GetFileImageFormat(Write("empty.jpg", {})), -1);
  EXPECT_EQ(CGkHelper::GetFileImageFormat(Write("cut.jpg", {jpeg.begin(), jpeg.begin() + 50})), -1);
  EXPECT_EQ(CGkHelper::GetFileImageFormat(Write("notes.txt", {'h', 'i', '\n'})), -1);
  EXPECT_EQ(CGkHelper::GetFileImageFormat(platform::FromUtf8(dir_.path())), -1);  // a folder

  int width = 0, height = 0;
  ASSERT_TRUE(CGkHelper::GetImageFileSize(Path("a.png"), &width, &height));
  EXPECT_EQ(width, 12);
  EXPECT_EQ(height, 5);
  ASSERT_TRUE(CGkHelper::GetImageFileSize(Path("a.tif"), &width, &height));
  EXPECT_EQ(width, 9);
  EXPECT_EQ(height, 4);
  EXPECT_FALSE(CGkHelper::GetImageFileSize(Path("missing.jpg"), &width, &height));

  const Image still = Load(Path("a.jpg"));
  const Image animation = Load(Write("twelve.gif", AnimatedGif(12)));
  EXPECT_EQ(CGkHelper::GetImageFormat(&still), 0);
  EXPECT_EQ(CGkHelper::GetImageFormat(nullptr), -1);
  EXPECT_EQ(CGkHelper::GetImageFormat(&animation), 1);
  EXPECT_EQ(CGkHelper::GetFrameCount(&still), 1);
  EXPECT_EQ(CGkHelper::GetFrameCount(&animation), 12);
  EXPECT_EQ(CGkHelper::GetFrameCount(nullptr), 1);

  ImageFormat encoder = ImageFormat::Unknown;
  EXPECT_TRUE(CGkHelper::GetEncoderClsid(u"image/png", &encoder));
  EXPECT_EQ(encoder, ImageFormat::Png);
  EXPECT_TRUE(CGkHelper::GetEncoderClsid(u"image/gif", &encoder));
  EXPECT_EQ(encoder, ImageFormat::Gif);
  EXPECT_FALSE(CGkHelper::GetEncoderClsid(u"image/JPEG", &encoder));  // exact comparison
  EXPECT_FALSE(CGkHelper::GetEncoderClsid(u"image/bmp", &encoder));
}

TEST_F(GkHelperTest, SaveJpegRetriesOnlyTransientFailures) {
  const Image image(TestPicture(16, 16));
  int calls = 0;
  auto failing = [&calls](int error) {
    return [&calls, error](const std::string&, const std::vector<uint8_t>&) { return ++calls, error; };
  };
  EXPECT_FALSE(CGkHelper::SaveJpeg(&image, Path("busy.jpg"), 80, failing(EBUSY)));
  EXPECT_EQ(calls, 5);
  calls = 0;
  EXPECT_FALSE(CGkHelper::SaveJpeg(&image, Path("denied.jpg"), 80, failing(EACCES)));
  EXPECT_EQ(calls, 1);

  // Busy twice, then the real writer succeeds.
  calls = 0;
  auto busyTwice = [&calls](const std::string& path, const std::vector<uint8_t>& bytes) {
    return ++calls <= 2 ? ETXTBSY : CGkHelper::WriteFileBytes(path, bytes);
  };
  ASSERT_TRUE(CGkHelper::SaveJpeg(&image, Path("late.jpg"), 80, busyTwice));
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(Load(Path("late.jpg")).width(), 16);

  EXPECT_FALSE(CGkHelper::SaveJpeg(nullptr, Path("x.jpg"), 80));
  EXPECT_FALSE(CGkHelper::SaveJpeg(&image, u"", 80));
  EXPECT_FALSE(CGkHelper::SaveJpeg(&image, Path("no/such/folder/x.jpg"), 80));
}

TEST_F(GkHelperTest, SaveJpegKeepsTheExifBlock) {
  const Image photo = Load(Write("photo.jpg", OrientedJpeg(24, 16, 6, true)));
  ASSERT_TRUE(CGkHelper::SaveJpeg(&photo, Path("copy.jpg"), 100));
  ExifInfo info;
  EXPECT_EQ(ReadExifInfo(Path("copy.jpg"), &info), 1);
  EXPECT_EQ(info.Orientation, 6);
  EXPECT_EQ(info.Width, 24);
}

TEST_F(GkHelperTest, SavePngReplacesOnlyWritableFiles) {
  const Image image(TestPicture(9, 9));
  const std::u16string target = Write("out.png", {'o', 'l', 'd'});
  ASSERT_TRUE(CGkHelper::SavePng(&image, target));
  EXPECT_EQ(Load(target).bitmap(), image.bitmap());

  const std::u16string locked = Write("locked.png", {'o', 'l', 'd'});
  ASSERT_EQ(chmod(dir_.file("locked.png").c_str(), 0444), 0);
  EXPECT_FALSE(CGkHelper::SavePng(&image, locked));
  EXPECT_EQ(ReadFile(dir_.file("locked.png")), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_FALSE(CGkHelper::SavePng(nullptr, target));
}

TEST_F(GkHelperTest, SaveGifFromManyThreadsKeepsEveryPictureApart) {
  constexpr int kThreads = 4;
  std::atomic<int> saved{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const Image image(platform::gfx::Bitmap(3 + t, 2, 0xFF000000u | static_cast<uint32_t>(t) * 0x405060u));
      for (int i = 0; i < 5; ++i) saved += CGkHelper::SaveGif(&image, Path("t" + std::to_string(t) + ".gif"));
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(saved, kThreads * 5);
  for (int t = 0; t < kThreads; ++t) {
    const Image image = Load(Path("t" + std::to_string(t) + ".gif"));
    EXPECT_EQ(image.width(), 3 + t);
    EXPECT_EQ(image.bitmap().at(0, 0), 0xFF000000u | static_cast<uint32_t>(t) * 0x405060u);
  }
  // The intermediate files are gone.
  for (const auto& entry : std::filesystem::directory_iterator(dir_.file("cache/Brennik/OrniFotaroEx"))) {
    ADD_FAILURE() << "left behind: " << entry.path();
  }
}

}  // namespace
}  // namespace fotaro::test
