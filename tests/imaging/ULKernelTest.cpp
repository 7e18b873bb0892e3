// The compression pipeline end to end, on small generated photos.

#include "imaging/ULKernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "control/services/Global.h"
#include "engine/ThreadPool.h"
#include "imaging/SpecSizing.h"
#include "platform/CodePage.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/ImageFormat.h"
#include "platform/gfx/JpegCodec.h"
#include "net/DataReport.h"
#include "platform/gfx/Resample.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Window.h"
#include "tests/control/ServicesEnv.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/TestImages.h"

namespace fotaro::test {
namespace {

using namespace platform::gfx;
namespace fs = std::filesystem;

// What an output file holds, from its header.
struct Made {
  std::u16string spec;
  ImageFormat format;
  int width;
  int height;
  std::string extension;
};

std::ostream& operator<<(std::ostream& out, const Made& made) {
  return out << platform::Utf8(made.spec) << " " << static_cast<int>(made.format) << " " << made.width << "x"
             << made.height << made.extension;
}
bool operator==(const Made& a, const Made& b) {
  return a.spec == b.spec && a.format == b.format && a.width == b.width && a.height == b.height &&
         a.extension == b.extension;
}

// A photo of tests/data/phone.
std::vector<uint8_t> PhonePhoto(const std::string& name) {
  return ReadFile(std::string(FOTARO_SOURCE_DIR) + "/tests/data/phone/" + name);
}

class ULKernelTest : public ::testing::Test {
 protected:
  void TearDown() override {
    OrniFotaro::CThreadPool::FreeInstance(-1);
    CGlobal::DestroyInstance();
  }

  std::u16string Photo(const std::string& name, const std::vector<uint8_t>& bytes) const {
    WriteFile(env_.root().file(name), bytes);
    return platform::FromUtf8(env_.root().file(name));
  }
  // CompressFile on `photo`; the outputs as their headers describe them.
  std::vector<Made> Compress(const std::u16string& photo, int32_t expectedCode = CULKernel::kCompressOk) {
    records_.clear();
    EXPECT_EQ(kernel_.CompressFile(photo, photo, &records_, nullptr), expectedCode);
    std::vector<Made> made;
    for (const CompressedFileInfo& record : records_) {
      const std::string path = platform::Utf8(record.strFilePath);
      ImageHeader header;
      EXPECT_TRUE(ReadImageHeader(path, &header)) << path;
      EXPECT_EQ(record.nFileSize, static_cast<int32_t>(fs::file_size(path)));
      made.push_back({record.strSpecString, header.format, header.width, header.height, fs::path(path).extension()});
    }
    return made;
  }
  std::vector<std::string> WorkingFiles() const {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(env_.root().file("cache/Brennik/OrniFotaroEx"), error)) {
      names.push_back(entry.path().filename());
    }
    return names;
  }
  static Bitmap Decoded(const std::u16string& path) {
    Image image;
    EXPECT_TRUE(LoadImage(platform::Utf8(path), &image));
    return image.bitmap();
  }

  ServicesEnv env_;
  CULKernel kernel_;
  std::vector<CompressedFileInfo> records_;
};

TEST_F(ULKernelTest, DefaultTableMakesTheBigPictureAndItsThumbnail) {
  const std::vector<uint8_t> jpeg = TestJpeg(400, 300);
  const std::u16string photo = Photo("photo.jpg", jpeg);
  EXPECT_EQ(Compress(photo), (std::vector<Made>{{u"FileData", ImageFormat::Jpeg, 400, 300, ".jpg"},
                                                {u"ThumbData", ImageFormat::Jpeg, 100, 75, ".jpg"}}));
  ASSERT_EQ(records_.size(), 2u);
  EXPECT_EQ(records_[0].nSpec, 0);
  EXPECT_EQ(records_[0].nSpecParam, 0);
  EXPECT_EQ(records_[0].nSourceFormat, 0);
  EXPECT_EQ(records_[1].nSpec, 1);
  EXPECT_EQ(records_[1].nSpecParam, 3);
  const std::string name = fs::path(platform::Utf8(records_[0].strFilePath)).filename();
  const std::string tag = platform::Utf8(CGlobal::Instance().GetProcessTag());
  EXPECT_EQ(name.rfind("ULKERNEL_" + tag + ".", 0), 0u) << name;
  EXPECT_EQ(name.substr(name.size() - 13), "_FileData.jpg");
  // The photo fits the big picture's box: it is the decoded photo encoded at the spec's quality.
  Bitmap source;
  std::vector<uint8_t> expected;
  ASSERT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), 8, &source));
  ASSERT_TRUE(EncodeJpeg(source, 90, {}, &expected));
  EXPECT_EQ(ReadFile(platform::Utf8(records_[0].strFilePath)), expected);
}

TEST_F(ULKernelTest, PhotosOfTheBoxSizeAreReencodedExceptForTheCopyRule) {
  const std::vector<uint8_t> jpeg = TestJpeg(200, 150);
  const std::u16string photo = Photo("box.jpg", jpeg);
  kernel_.SetSizeLimits(
      u"R0|0|0|200|150|50|0|0|0,R1|0|1|200|150|50|0|0|0,R2|0|2|200|150|50|0|0|0,R3|0|3|200|150|50|1.5|150|150,"
      u"R4|0|4|200|150|50|0.5|200|150|2.0|200|150",
      nullptr);
  const std::vector<Made> made = Compress(photo);
  ASSERT_EQ(made.size(), 5u);
  for (const Made& output : made) EXPECT_EQ(output.width * 1000 + output.height, 200150) << output;
  for (size_t i : {0, 1, 3, 4}) EXPECT_NE(ReadFile(platform::Utf8(records_[i].strFilePath)), jpeg) << i;
  EXPECT_EQ(ReadFile(platform::Utf8(records_[2].strFilePath)), jpeg);
}

TEST_F(ULKernelTest, RulesSizeTheOutputsEndToEnd) {
  const std::u16string photo = Photo("wide.jpg", TestJpeg(160, 120));
  kernel_.SetSizeLimits(
      u"A|0|1|80|1000|90|0|0|0,B|0|1|80|50|90|0|0|0,C|0|4|40|40|90|0.5|30|10|1.2|10|30,D|0|0|100|40|90|0|0|0", nullptr);
  EXPECT_EQ(Compress(photo), (std::vector<Made>{{u"A", ImageFormat::Jpeg, 80, 60, ".jpg"},
                                                {u"B", ImageFormat::Jpeg, 80, 50, ".jpg"},
                                                {u"C", ImageFormat::Jpeg, 40, 30, ".jpg"},
                                                {u"D", ImageFormat::Jpeg, 53, 40, ".jpg"}}));
  // An unknown rule fails the photo; the outputs made before it stay in the list.
  kernel_.SetSizeLimits(u"A|0|0|80|80|90|0|0|0,B|0|9|80|80|90|0|0|0,C|0|0|80|80|90|0|0|0", nullptr);
  EXPECT_EQ(Compress(photo, CULKernel::kCompressFormatError).size(), 1u);
}

TEST_F(ULKernelTest, ThumbnailOfRatioRuleKeepsTheCentredBand) {
  Bitmap thirds(300, 300);
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 300; ++x) thirds.at(x, y) = y < 100 ? 0xFFFF0000u : y < 200 ? 0xFF00FF00u : 0xFF0000FFu;
  }
  const BitmapCache cache{std::make_shared<const Bitmap>(thirds), 300, 300, 0};
  SpecInfo spec;
  spec.nSpec = 1;
  spec.strSpecString = u"Band";
  spec.nCompressType = kRuleRatioLimit;
  spec.nWidth = spec.nHeight = 100;
  spec.nQuality = 95;
  spec.fRatio = 0.5f;
  spec.nRatioValueB = 30;  // h/w 1 > 0.5: the band is 30 high, from row 35 of 100
  std::u16string path;
  const std::u16string photo = Photo("plain.jpg", TestJpeg(8, 8));
  ASSERT_EQ(kernel_.ThumbFromBitmap(cache, photo, photo, spec, &path), CULKernel::kSpecOk);
  const Bitmap band = Decoded(path);
  ASSERT_EQ(band.width(), 100);
  ASSERT_EQ(band.height(), 30);
  ExpectClose(Bitmap(100, 30, 0xFF00FF00u), band, 3.0, 12);  // all of it from the green middle
}

TEST_F(ULKernelTest, GifsAreCopiedAndTheirThumbnailsFollowTheirSource) {
  const std::vector<uint8_t> gif = AnimatedGif(3);
  const std::u16string photo = Photo("anim.gif", gif);
  EXPECT_EQ(Compress(photo), (std::vector<Made>{{u"FileData", ImageFormat::Gif, 8, 6, ".gif"},
                                                {u"ThumbData", ImageFormat::Png, 8, 6, ".png"}}));
  EXPECT_EQ(ReadFile(platform::Utf8(records_[0].strFilePath)), gif);
  EXPECT_EQ(records_[0].nSourceFormat, 1);
  // Without a big picture first, the thumbnail is made from the GIF itself: a JPEG.
  kernel_.SetSizeLimits(nullptr, u"Thumb|3|0|4|4|85|0|0|0");
  EXPECT_EQ(Compress(photo), (std::vector<Made>{{u"Thumb", ImageFormat::Jpeg, 4, 3, ".jpg"}}));
}

TEST_F(ULKernelTest, BmpsBecomeJpegDataUnderTheirOwnExtension) {
  const Bitmap picture = TestPicture(30, 20);
  std::vector<std::vector<uint8_t>> rows;
  for (int y = picture.height() - 1; y >= 0; --y) {
    std::vector<uint8_t>& row = rows.emplace_back();
    for (int x = 0; x < picture.width(); ++x) {
      for (int shift : {0, 8, 16}) row.push_back(static_cast<uint8_t>(picture.at(x, y) >> shift));
    }
  }
  const std::u16string photo = Photo("picture.bmp", Bmp(30, 20, 24, {}, rows));
  kernel_.SetSizeLimits(u"Big|0|0|20|20|90|0|0|0", u"Small|1|0|10|10|90|0|0|0");
  EXPECT_EQ(Compress(photo), (std::vector<Made>{{u"Big", ImageFormat::Jpeg, 20, 13, ".bmp"},
                                                {u"Small", ImageFormat::Jpeg, 10, 6, ".bmp"}}));
  EXPECT_EQ(records_[0].nSourceFormat, 3);
}

TEST_F(ULKernelTest, AnOutputOverTheLimitFailsAndStaysOnDisk) {
  const std::u16string photo = Photo("photo.jpg", TestJpeg(120, 90));
  kernel_.SetSizeLimits(u"Big|0|0|100|100|90|0|0|0", nullptr);
  ASSERT_EQ(Compress(photo).size(), 1u);
  const int32_t size = records_[0].nFileSize;
  kernel_.SetLimitSize(size);  // exactly the limit passes
  EXPECT_EQ(Compress(photo).size(), 1u);
  kernel_.SetLimitSize(size - 1);
  const size_t before = WorkingFiles().size();
  EXPECT_TRUE(Compress(photo, CULKernel::kCompressTooLarge).empty());
  EXPECT_EQ(WorkingFiles().size(), before + 1);
}

TEST_F(ULKernelTest, OrientationTurnsEveryResizedOutputButNotTheCopy) {
  const std::vector<uint8_t> jpeg = OrientedJpeg(160, 120, 6);
  const std::u16string photo = Photo("turned.jpg", jpeg);
  kernel_.SetSizeLimits(u"R0|0|0|80|80|90|0|0|0,R1|0|1|80|80|90|0|0|0,R2|0|2|80|80|90|0|0|0,R3|0|3|80|80|90|9|50|50,"
                        u"R4|0|4|80|80|90|0.1|80|80|9|80|80",
                        u"T|1|0|40|40|90|0|0|0");
  EXPECT_EQ(Compress(photo), (std::vector<Made>{{u"R0", ImageFormat::Jpeg, 60, 80, ".jpg"},
                                                {u"R1", ImageFormat::Jpeg, 60, 80, ".jpg"},
                                                {u"R2", ImageFormat::Jpeg, 160, 120, ".jpg"},
                                                {u"R3", ImageFormat::Jpeg, 50, 66, ".jpg"},
                                                {u"R4", ImageFormat::Jpeg, 60, 80, ".jpg"},
                                                {u"T", ImageFormat::Jpeg, 30, 40, ".jpg"}}));
  EXPECT_EQ(ReadFile(platform::Utf8(records_[2].strFilePath)), jpeg);
  // Turned clockwise: the photo's top left corner ends top right, its bottom left top left.
  const Bitmap upright = Decoded(records_[0].strFilePath);
  const Bitmap original = TestPicture(160, 120);
  EXPECT_LT(ChannelDistance(upright.at(57, 2), original.at(5, 5)), 40);
  EXPECT_LT(ChannelDistance(upright.at(2, 2), original.at(5, 114)), 40);
}

TEST_F(ULKernelTest, MissingCorruptAndEmptyInputs) {
  std::vector<CompressedFileInfo> records;
  const std::u16string photo = Photo("photo.jpg", TestJpeg(40, 30));
  EXPECT_EQ(kernel_.CompressFile(u"", photo, &records, nullptr), CULKernel::kCompressFileMissing);
  EXPECT_EQ(kernel_.CompressFile(photo, photo + u".gone", &records, nullptr), CULKernel::kCompressFileMissing);
  std::vector<uint8_t> truncated = TestJpeg(40, 30);
  truncated.resize(200);
  EXPECT_TRUE(Compress(Photo("corrupt.jpg", truncated), CULKernel::kCompressFormatError).empty());
  EXPECT_TRUE(Compress(Photo("text.jpg", {'h', 'e', 'l', 'l', 'o'}), CULKernel::kCompressFormatError).empty());
  kernel_.SetSizeLimits(nullptr, nullptr);
  EXPECT_TRUE(Compress(photo).empty());
  EXPECT_TRUE(WorkingFiles().empty());
  EXPECT_TRUE(records.empty());
}

// Photos from phones and the web (tests/data/make-phone-photos.py): portraits whose sensor saw
// 96 x 64 pixels, red top left, blue bottom left, turned by the container (HEIC, AVIF) or by
// EXIF (WebP).
TEST_F(ULKernelTest, PhonePhotosBecomeUprightJpegs) {
  const std::pair<const char*, int> photos[] = {{"portrait.heic", 10}, {"portrait.avif", 11}, {"portrait.webp", 12}};
  for (const auto& [name, format] : photos) {
    const std::u16string photo = Photo(name, PhonePhoto(name));
    EXPECT_EQ(Compress(photo), (std::vector<Made>{{u"FileData", ImageFormat::Jpeg, 64, 96, ".jpg"},
                                                  {u"ThumbData", ImageFormat::Jpeg, 64, 96, ".jpg"}}))
        << name;
    ASSERT_EQ(records_.size(), 2u);
    EXPECT_EQ(records_[0].nSourceFormat, format) << name;
    // Turned exactly once, clockwise: red ends top right, blue top left.
    for (const CompressedFileInfo& record : records_) {
      const Bitmap output = Decoded(record.strFilePath);
      EXPECT_LT(ChannelDistance(output.at(48, 24), 0xFFFF0000), 40) << name;
      EXPECT_LT(ChannelDistance(output.at(16, 24), 0xFF0000FF), 40) << name;
    }
  }
}

TEST_F(ULKernelTest, TheCopyRuleSendsAPhonePhotoAsItIs) {
  const std::vector<uint8_t> heic = PhonePhoto("portrait.heic");
  const std::u16string photo = Photo("IMG_0001.HEIC", heic);
  kernel_.SetSizeLimits(u"Big|0|2|670|800|90|0|0|0", u"Fit|1|0|100|100|85|0|0|0,Same|1|2|100|100|85|0|0|0");
  EXPECT_EQ(Compress(photo), (std::vector<Made>{{u"Big", ImageFormat::Heic, 64, 96, ".heic"},
                                                {u"Fit", ImageFormat::Jpeg, 64, 96, ".jpg"},
                                                {u"Same", ImageFormat::Heic, 64, 96, ".heic"}}));
  EXPECT_EQ(ReadFile(platform::Utf8(records_[0].strFilePath)), heic);
  EXPECT_EQ(ReadFile(platform::Utf8(records_[2].strFilePath)), heic);
}

TEST_F(ULKernelTest, ATruncatedPhonePhotoFailsAndLeavesNothingBehind) {
  for (const char* name : {"portrait.heic", "portrait.avif", "portrait.webp"}) {
    std::vector<uint8_t> cut = PhonePhoto(name);
    cut.resize(cut.size() * 2 / 3);
    EXPECT_TRUE(Compress(Photo(std::string("cut-") + name, cut), CULKernel::kCompressFormatError).empty()) << name;
  }
  EXPECT_TRUE(WorkingFiles().empty());
}

// The photo is decoded at a reduction, yet every output has the size computed from the full
// photo and looks like the output made from the full decode.
TEST_F(ULKernelTest, ReducedDecodingKeepsSizesAndPictures) {
  const std::vector<uint8_t> jpeg = TestJpeg(1003, 751);
  const std::u16string photo = Photo("large.jpg", jpeg);
  kernel_.SetSizeLimits(u"Big|0|0|301|301|95|0|0|0,Wide|0|1|123|1000|95|0|0|0", u"Thumb|4|0|97|97|95|0|0|0");
  ASSERT_EQ(JpegReductionForTable(kernel_.m_mapSpecInfo, 1003, 751), 5);
  Bitmap full;
  ASSERT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), 8, &full));
  const std::vector<Made> made = Compress(photo);
  ASSERT_EQ(made.size(), 3u);
  for (size_t i = 0; i < made.size(); ++i) {
    const SpecInfo& spec = kernel_.m_mapSpecInfo.at(made[i].spec);
    OutputSize size;
    ASSERT_TRUE(CompressOutputSize(spec, 1003, 751, &size));
    if (spec.nSpec == 0) {
      EXPECT_EQ(made[i].width * 10000 + made[i].height, size.width * 10000 + size.height) << made[i];
      std::vector<uint8_t> fromFull;
      ASSERT_TRUE(EncodeJpeg(Resample(full, size.width, size.height), 95, {}, &fromFull));
      Bitmap expected;
      ASSERT_TRUE(DecodeJpeg(fromFull.data(), fromFull.size(), 8, &expected));
      ExpectClose(expected, Decoded(records_[i].strFilePath), 6.0, 40);
    }
  }
  EXPECT_EQ(made[1], (Made{u"Thumb", ImageFormat::Jpeg, 97, 72, ".jpg"}));  // from the 301 x 225 big picture
}

// Counts the data reports that reach the control's window.
class ReportCounter : public platform::Window {
 public:
  ~ReportCounter() override { platform::DestroyWindow(hwnd()); }
  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM,
                            std::unique_ptr<platform::MessagePayload>&) override {
    if (message == CM_DATAREPORT && wParam == 2) ++watermarkReports;
    return 0;
  }
  int watermarkReports = 0;
};

TEST_F(ULKernelTest, TheWatermarkReachesResizedBigPicturesOnly) {
  std::vector<uint8_t> white;
  ASSERT_TRUE(EncodeJpeg(Bitmap(400, 300, 0xFFFFFFFF), 95, {}, &white));
  const std::u16string photo = Photo("photo.jpg", white);
  ReportCounter control;
  ASSERT_TRUE(control.Create());
  CGlobal::Instance().SetControlWnd(control.hwnd());
  // A resized big picture of parameter 0, one of parameter 3, a copy, and a thumbnail.
  kernel_.SetSizeLimits(u"Big|0|0|400|300|95|0|0|0,Plain|3|0|400|300|95|0|0|0,Copy|0|2|400|300|95|0|0|0",
                        u"Thumb|1|0|400|300|95|0|0|0");
  kernel_.SetWaterMark(1);
  kernel_.SetWaterPressType(1);
  kernel_.SetWaterPressName(u"Album");
  kernel_.SetWaterPressURL(u"http://a.example/b");
  ASSERT_EQ(Compress(photo).size(), 4u);
  for (const CompressedFileInfo& record : records_) {
    const Bitmap made = Decoded(record.strFilePath);
    const bool banded = (made.at(5, made.height() - 10) & 0xFF) < 230;  // the band darkens white
    EXPECT_EQ(banded, record.strSpecString == u"Big") << platform::Utf8(record.strSpecString);
  }
  // Reported for the watermarked picture and for the copy that could not carry it.
  EXPECT_TRUE(platform::RunUntil([&] { return control.watermarkReports == 2; }, std::chrono::seconds(5)));
  CGlobal::Instance().SetControlWnd(nullptr);
}

class RecordingReceiver : public CUploadEventReceiver {
 public:
  void OnUploadNotify(const UploadNotifyHandle& message) override {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.push_back(message);
  }
  CULData* GetULData() override { return nullptr; }
  std::vector<UploadNotifyHandle> Received() {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
  }

 private:
  std::mutex mutex_;
  std::vector<UploadNotifyHandle> received_;
};

TEST_F(ULKernelTest, ReadingAndCompressingAreNotifiedOncePerDecodingSpec) {
  RecordingReceiver receiver;
  const std::u16string photo = Photo("photo.jpg", TestJpeg(40, 30));
  std::vector<CompressedFileInfo> records;
  EXPECT_EQ(kernel_.CompressFile(photo, photo, &records, &receiver), CULKernel::kCompressOk);
  ASSERT_TRUE(WaitUntil([&] { return receiver.Received().size() >= 2; }));
  OrniFotaro::CThreadPool::FreeInstance(-1);  // every notification has been delivered
  std::multiset<int32_t> codes;
  for (const UploadNotifyHandle& message : receiver.Received()) {
    codes.insert(message->nCode);
    EXPECT_EQ(message->strFile, photo);
    EXPECT_EQ(std::get<std::u16string>(message->param), photo);
  }
  EXPECT_EQ(codes, (std::multiset<int32_t>{ULKERNEL_READ_START, ULKERNEL_COMPRESS_START}));
}

TEST_F(ULKernelTest, ConcurrentCompressionsNeverShareAFileAndNamesStayInTheFolder) {
  kernel_.SetSizeLimits(u"../up/Big|0|0|20|20|90|0|0|0", u"Thumb|1|0|10|10|90|0|0|0");
  const std::u16string photo = Photo("photo.jpg", TestJpeg(40, 30));
  std::vector<CompressedFileInfo> lists[4];
  std::vector<std::thread> workers;
  for (auto& list : lists) {
    workers.emplace_back([&] {
      for (int i = 0; i < 5; ++i) EXPECT_EQ(kernel_.CompressFile(photo, photo, &list, nullptr), CULKernel::kCompressOk);
    });
  }
  for (std::thread& worker : workers) worker.join();
  std::set<std::u16string> paths;
  for (const auto& list : lists) {
    for (const CompressedFileInfo& record : list) paths.insert(record.strFilePath);
  }
  EXPECT_EQ(paths.size(), 40u);
  EXPECT_EQ(WorkingFiles().size(), 40u);  // the "/" of the spec name led nowhere else
}

}  // namespace
}  // namespace fotaro::test
