#include "engine/ULStrategy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "control/services/Global.h"
#include "engine/LocalErrorReport.h"
#include "engine/Strings.h"
#include "engine/ThreadPool.h"
#include "engine/ULData.h"
#include "engine/UploadAnswer.h"
#include "engine/UploadForm.h"
#include "platform/CodePage.h"
#include "platform/gfx/PngCodec.h"
#include "platform/win/Window.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/ExifBuilder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestImages.h"
#include "tools/albumserver/AlbumServer.h"

using namespace std::chrono_literals;
using fotaro::AlbumReply;
using fotaro::AlbumRequest;
using fotaro::test::ExifBuilder;

namespace {

std::u16string U(const std::string& utf8) { return platform::FromUtf8(utf8); }

// Records every notification; results can be waited for.
class TestReceiver : public CUploadEventReceiver {
 public:
  explicit TestReceiver(CULData* queue) : m_pQueue(queue) {}
  void OnUploadNotify(const UploadNotifyHandle& message) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.push_back(*message);
    m_changed.notify_all();
  }
  CULData* GetULData() override {
    if (onGetULData) onGetULData();
    return m_pQueue;
  }

  std::vector<UploadNotifyMsg> Messages(int32_t code = 0) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<UploadNotifyMsg> out;
    std::copy_if(m_messages.begin(), m_messages.end(), std::back_inserter(out),
                 [code](const UploadNotifyMsg& m) { return code == 0 || m.nCode == code; });
    return out;
  }
  // The `count`-th result (1-based), once it has arrived; a result of -99 when it did not in time.
  UploadInfo WaitResult(size_t count = 1) {
    std::unique_lock<std::mutex> lock(m_mutex);
    std::vector<UploadInfo> results;
    m_changed.wait_for(lock, 30s, [&] {
      results.clear();
      for (const auto& m : m_messages) {
        if (m.nCode == ULSTRATEGY_UPLOAD_RESULT) results.push_back(std::get<UploadInfo>(m.param));
      }
      return results.size() >= count;
    });
    if (results.size() >= count) return results[count - 1];
    UploadInfo none;
    none.nResult = -99;
    return none;
  }

  std::function<void()> onGetULData;  // runs on every queue lookup of a strategy

 private:
  CULData* m_pQueue;
  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<UploadNotifyMsg> m_messages;
};

// The control's window: keeps the local errors it receives.
class ControlWindow : public platform::Window {
 public:
  ~ControlWindow() override { platform::DestroyWindow(hwnd()); }
  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM,
                            std::unique_ptr<platform::MessagePayload>& payload) override {
    const auto* record = dynamic_cast<LocalErrorRecord*>(payload.get());
    if (message == CM_FTUPLOADER && wParam == FTUPLOADER_LOCAL_ERROR && record) reports.push_back(*record);
    return 0;
  }
  // Handles the messages already posted: the reports of an attempt are posted before its result.
  static void Pump() {
    platform::Message message;
    while (platform::PeekMessage(message)) platform::DispatchMessage(message);
  }
  std::vector<LocalErrorRecord> reports;
};

// The text fields of a request, as "name=value", in the order they were sent.
std::vector<std::string> TextFields(const AlbumRequest& request) {
  std::vector<std::string> fields;
  for (const auto& part : request.parts) {
    if (part.filename.empty()) fields.push_back(part.name + "=" + part.value);
  }
  return fields;
}

// The account fields that every request of the fixture starts with.
std::vector<std::string> AccountFields() {
  const CGlobal::FileVersion version = CGlobal::GetModuleVersion();
  return {"ClientVersion=" + std::to_string(version.major * 100 + version.minor),
          "ClientCode=" + platform::Utf8(IDS_CLIENT_CODE),
          "OrniUin=10001", "SessionKey=session", "ExtendID=album-7", "ExtendStr=extra", "total=5", "uploadtime=1234"};
}

std::vector<std::string> operator+(std::vector<std::string> head, const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

class CULStrategyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_server.Start());
    ASSERT_TRUE(m_window.Create());
    CGlobal::Instance().SetControlWnd(m_window.hwnd());
  }
  // The owner's rule: cancel and detach every strategy, then let the notification pool deliver
  // what is queued for the receiver before it goes.
  void TearDown() override {
    for (const auto& watch : m_watched) {
      if (const auto strategy = watch.lock()) {
        strategy->Cancel();
        strategy->ResetOwner();
      }
    }
    Drain();
    CGlobal::Instance().SetControlWnd(nullptr);
  }
  // Every notification posted so far has been delivered (or dropped) once this returns.
  static void Drain() { OrniFotaro::CThreadPool::FreeInstance(1); }

  std::u16string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const {
    fotaro::test::WriteFile(m_dir.file(name), bytes);
    return U(m_dir.file(name));
  }
  std::u16string WriteFile(const std::string& name, const std::string& text) const {
    return WriteFile(name, std::vector<uint8_t>(text.begin(), text.end()));
  }
  static CompressedFileInfo Part(int32_t spec, const std::u16string& name, const std::u16string& path,
                                 int32_t sourceFormat = 0, int32_t specParam = 0) {
    return CompressedFileInfo{spec, specParam, name, 0, path, 0, sourceFormat};
  }
  // Queues a photo (its key is its source path) sent as a big picture and a thumbnail.
  std::u16string AddPhoto(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::u16string source = WriteFile(name, bytes);
    const std::vector<CompressedFileInfo> parts = {Part(0, u"FileData", WriteFile("big-" + name, "abc")),
                                                   Part(1, u"ThumbData", WriteFile("thumb-" + name, "thumb"))};
    EXPECT_TRUE(m_queue.AddFile(source, source, parts));
    return source;
  }
  // A strategy that the test lets go of itself (the fixture only watches it).
  std::shared_ptr<CULStrategy> Detached() {
    std::shared_ptr<CULStrategy> strategy = CULStrategyFactory::Create();
    strategy->SetOwner(&m_receiver);
    m_watched.push_back(strategy);
    return strategy;
  }
  // A strategy that the fixture keeps until the test ends.
  std::shared_ptr<CULStrategy> NewStrategy() { return m_strategies.emplace_back(Detached()); }
  int32_t Upload(CULStrategy& strategy, const std::u16string& key, const std::u16string& title = u"Photo.jpg") {
    return strategy.Upload(title, key, U(m_server.Url()), u"10001", u"session", u"album-7", u"extra", 5, 1234);
  }
  // Starts the upload of a new photo against the scripted reply; returns the photo's key.
  std::u16string StartWith(CULStrategy& strategy, AlbumReply reply, const std::string& name) {
    m_server.Script(std::move(reply));
    const std::u16string key = AddPhoto(name, {1, 2, 3});
    EXPECT_EQ(Upload(strategy, key), CULStrategy::ULSTRATEGY_OK);
    return key;
  }
  // Uploads a photo against the scripted reply and returns its result; the photo then leaves the
  // queue, as its owner takes it out after a result.
  UploadInfo UploadWith(AlbumReply reply, const std::string& name) {
    const size_t count = m_receiver.Messages(ULSTRATEGY_UPLOAD_RESULT).size() + 1;
    const std::u16string key = StartWith(*NewStrategy(), std::move(reply), name);
    const UploadInfo result = m_receiver.WaitResult(count);
    m_queue.RemoveInfo(key);
    return result;
  }
  // What an owner does when it lets go of a strategy; returns a watch on it.
  static std::weak_ptr<CULStrategy> LetGo(std::shared_ptr<CULStrategy>& strategy) {
    strategy->ResetOwner();
    const std::weak_ptr<CULStrategy> watch = strategy;
    strategy.reset();
    return watch;
  }
  // Hands the strategy an event as its transfer would.
  static void Send(CULStrategy& strategy, int type, int64_t sent = 0, int64_t total = 0) {
    tagEvent event;
    event.nType = type;
    event.nSent = sent;
    event.nTotal = total;
    strategy.OnCM_Upload(&event);
  }
  static AlbumReply Body(const std::string& text, uint64_t padding = 0) {
    AlbumReply reply;
    reply.body = text;
    reply.padding = padding;
    return reply;
  }

  fotaro::test::TempDir m_dir;
  fotaro::test::ScopedEnv m_cache{"XDG_CACHE_HOME", m_dir.file("cache")};
  fotaro::AlbumServer m_server;
  CULData m_queue;
  TestReceiver m_receiver{&m_queue};
  ControlWindow m_window;
  std::vector<std::shared_ptr<CULStrategy>> m_strategies;
  std::vector<std::weak_ptr<CULStrategy>> m_watched;
};

TEST_F(CULStrategyTest, SendsEveryFieldInOrderAndReportsTheAnswer) {
  const std::vector<uint8_t> exif = ExifBuilder(false)
                                        .Ascii(ExifBuilder::kMain, 0x010F, "Brennik")
                                        .Ascii(ExifBuilder::kMain, 0x0110, "Cam 1")
                                        .Short(ExifBuilder::kMain, 0x0112, 6)
                                        .Ascii(ExifBuilder::kExif, 0x9003, "2021:06:01 10:20:30")
                                        .Ascii(ExifBuilder::kGps, 0x0001, "N")
                                        .Rationals(ExifBuilder::kGps, 0x0002, {{31, 1}, {30, 1}, {0, 1}})
                                        .Ascii(ExifBuilder::kGps, 0x0003, "E")
                                        .Rationals(ExifBuilder::kGps, 0x0004, {{121, 1}, {15, 1}, {36, 1}})
                                        .Build();
  const std::u16string key = AddPhoto("source.jpg", fotaro::test::TestJpeg(40, 30, exif));
  ASSERT_EQ(Upload(*NewStrategy(), key, u"/home/u/Pictures/Photo.bmp"), CULStrategy::ULSTRATEGY_OK);
  const UploadInfo result = m_receiver.WaitResult();

  ASSERT_EQ(m_server.Requests().size(), 1u);
  const AlbumRequest request = m_server.Requests()[0];
  // The big picture goes under the upload name (a .bmp title is sent as .jpg), the thumbnail under
  // its own file name; "MD5" is the digest of the big picture's "abc".
  const std::vector<std::string> expected =
      AccountFields() + std::vector<std::string>{"Exif_Time=2021:06:01 10:20:30", "Exif_CameraMaker=Brennik",
                                                 "Exif_CameraModel=Cam 1", "Exif_Orientation=6", "Exif_LatitudeRef=N",
                                                 "Exif_Latitude=31.500000", "Exif_LongitudeRef=E",
                                                 "Exif_Longitude=121.260000", "Compress=1",
                                                 "MD5=900150983cd24fb0d6963f7d28e17f72", "PicType=jpg",
                                                 "PicWidth=width=40", "PicHeight=height=30", "FileData=Photo.jpg",
                                                 "ThumbData=thumb-source.jpg"};
  EXPECT_EQ(TextFields(request), expected);
  std::vector<std::string> files;
  for (const auto& part : request.parts) {
    if (!part.filename.empty()) files.push_back(part.name + "=" + part.filename);
  }
  EXPECT_EQ(files, (std::vector<std::string>{"FileData=big-source.jpg", "ThumbData=thumb-source.jpg"}));

  const auto starts = m_receiver.Messages(ULSTRATEGY_UPLOAD_START);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].strFile, key);
  EXPECT_EQ(std::get<std::u16string>(starts[0].param), key);  // the record's display name
  EXPECT_EQ(result.nResult, 0);
  EXPECT_TRUE(result.bDone);
  EXPECT_EQ(result.nRetriesLeft, 2);
  EXPECT_EQ(result.strAlbumId, u"album-7");
  EXPECT_FALSE(result.strResultURL.empty());
  // The answer stays in the working folder for whoever handles the result.
  const std::u16string folder = U(m_dir.file("cache")) + u"/Brennik/OrniFotaroEx/ULStrategyUpload.";
  EXPECT_EQ(result.strResultFile.compare(0, folder.size(), folder), 0) << platform::Utf8(result.strResultFile);
  EXPECT_TRUE(std::ifstream(platform::Utf8(result.strResultFile)).good());
  EXPECT_EQ(m_queue.GetInfo(key)->nRetriesLeft, 2);
  EXPECT_FALSE(m_queue.GetInfo(key)->bDone);
}

TEST_F(CULStrategyTest, OptionalFieldsOnlyWhenTheirSourceHasThem) {
  // A PNG sent as a single part: no EXIF and no picture fields; only a lower-case .bmp is renamed.
  std::vector<uint8_t> png;
  ASSERT_TRUE(platform::gfx::EncodePng(fotaro::test::TestPicture(8, 8), &png));
  const std::u16string pngKey = WriteFile("shot.png", png);
  ASSERT_TRUE(m_queue.AddFile(pngKey, pngKey, {Part(0, u"FileData", WriteFile("big.png", "abc"), 2)}));
  ASSERT_EQ(Upload(*NewStrategy(), pngKey, u"Photo.BMP"), CULStrategy::ULSTRATEGY_OK);
  ASSERT_EQ(m_receiver.WaitResult(1).nResult, 0);

  // A JPEG with a latitude only, its big picture sent uncompressed and above the MD5 size limit.
  const std::vector<uint8_t> exif = ExifBuilder(true)
                                        .Ascii(ExifBuilder::kMain, 0x010F, "Brennik")
                                        .Ascii(ExifBuilder::kGps, 0x0001, "S")
                                        .Rationals(ExifBuilder::kGps, 0x0002, {{10, 1}, {0, 1}, {0, 1}})
                                        .Build();
  const std::u16string jpegKey = WriteFile("half.jpg", fotaro::test::TestJpeg(16, 16, exif));
  ASSERT_TRUE(m_queue.AddFile(jpegKey, jpegKey,
                              {Part(0, u"FileData", WriteFile("big.jpg", "abc"), 0, 1), Part(1, u"ThumbData", jpegKey)}));
  CGlobal::Instance().SetMD5FileSize(0);
  ASSERT_EQ(Upload(*NewStrategy(), jpegKey), CULStrategy::ULSTRATEGY_OK);
  const UploadInfo second = m_receiver.WaitResult(2);
  CGlobal::Instance().SetMD5FileSize(10);
  ASSERT_EQ(second.nResult, 0);

  const auto requests = m_server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(TextFields(requests[0]), AccountFields() + std::vector<std::string>{"FileData=Photo.BMP"});
  const std::vector<std::string> noGps =
      AccountFields() + std::vector<std::string>{"Exif_Time=", "Exif_CameraMaker=Brennik", "Exif_CameraModel=",
                                                 "Exif_Orientation=0", "Compress=0", "PicType=jpg",
                                                 "PicWidth=width=16", "PicHeight=height=16", "FileData=Photo.jpg",
                                                 "ThumbData=half.jpg"};
  EXPECT_EQ(TextFields(requests[1]), noGps);
}

TEST_F(CULStrategyTest, APhonePhotoSendsItsContainersExifAndAJpegName) {
  // The HEIC's EXIF block lies in its container. The photo decodes upright, which its size and
  // orientation say: 64 x 96, orientation 1 (the block's 6 is the turn the container made).
  const std::string heic = std::string(FOTARO_SOURCE_DIR) + "/tests/data/phone/portrait.heic";
  const std::u16string key = WriteFile("IMG_0001.HEIC", fotaro::test::ReadFile(heic));
  ASSERT_TRUE(m_queue.AddFile(key, key, {Part(0, u"FileData", WriteFile("big.jpg", "abc"), 10),
                                         Part(1, u"ThumbData", WriteFile("thumb.jpg", "thumb"))}));
  ASSERT_EQ(Upload(*NewStrategy(), key, u"/home/u/DCIM/IMG_0001.HEIC"), CULStrategy::ULSTRATEGY_OK);
  ASSERT_EQ(m_receiver.WaitResult().nResult, 0);
  ASSERT_EQ(m_server.Requests().size(), 1u);
  const std::vector<std::string> expected =
      AccountFields() + std::vector<std::string>{"Exif_Time=2024:05:06 07:08:09", "Exif_CameraMaker=FotaroCam",
                                                 "Exif_CameraModel=Phone 12", "Exif_Orientation=1",
                                                 "Exif_LatitudeRef=N", "Exif_Latitude=22.538333",
                                                 "Exif_LongitudeRef=E", "Exif_Longitude=114.050000", "Compress=1",
                                                 "MD5=900150983cd24fb0d6963f7d28e17f72", "PicType=heic",
                                                 "PicWidth=width=64", "PicHeight=height=96",
                                                 "FileData=IMG_0001.jpg", "ThumbData=thumb.jpg"};
  EXPECT_EQ(TextFields(m_server.Requests()[0]), expected);
}

TEST(UploadNameTest, FileNamePartWithTheBmpRule) {
  UploadInfo record;
  record.strTitle = u"/x/Title.bmp";
  record.strDisplayName = u"Shown";
  EXPECT_EQ(GetUploadName(u"/home/u/Photo.bmp", record), u"Photo.jpg");
  EXPECT_EQ(GetUploadName(u"Photo.BMP", record), u"Photo.BMP");
  EXPECT_EQ(GetUploadName(u".bmp", record), u".jpg");
  EXPECT_EQ(GetUploadName(u"bmp", record), u"bmp");
  EXPECT_EQ(GetUploadName(u"a.bmp.png", record), u"a.bmp.png");
  EXPECT_EQ(GetUploadName(u"/home/u/", record), u"/x/Title.jpg");  // no file name: the record's title
  record.strTitle.clear();
  EXPECT_EQ(GetUploadName(u"", record), u"Shown");

  // A HEIC, AVIF or WebP photo whose big picture became a JPEG is named so; a copy keeps its name.
  record.vecParts = {CompressedFileInfo{0, 0, u"FileData", 0, u"/w/big.jpg", 3, 11}};
  EXPECT_EQ(GetUploadName(u"/home/u/IMG_0001.AVIF", record), u"IMG_0001.jpg");
  EXPECT_EQ(GetUploadName(u"a.b.webp", record), u"a.b.jpg");
  EXPECT_EQ(GetUploadName(u"noextension", record), u"noextension.jpg");
  record.vecParts[0].nCompressType = 2;
  EXPECT_EQ(GetUploadName(u"IMG_0001.AVIF", record), u"IMG_0001.AVIF");
}

TEST_F(CULStrategyTest, ProgressErrorAndCancelledEvents) {
  // A record with a delay: the attempt hands the delay over and sends nothing, so the test drives
  // the events itself.
  const std::u16string first = AddPhoto("a.jpg", {1});
  const std::u16string second = AddPhoto("b.jpg", {2});
  ASSERT_TRUE(m_queue.SetDelayTime(1, 500));
  auto progress = NewStrategy();
  auto empty = NewStrategy();
  ASSERT_EQ(Upload(*progress, first), CULStrategy::ULSTRATEGY_OK);
  ASSERT_EQ(Upload(*empty, second), CULStrategy::ULSTRATEGY_OK);
  EXPECT_EQ(progress->GetPendingDelay(), 500u);
  EXPECT_EQ(m_queue.GetInfo(first)->dwDelay, 0u);
  EXPECT_EQ(m_queue.GetInfo(first)->nRetriesLeft, 3);
  Drain();
  EXPECT_TRUE(m_receiver.Messages().empty());
  EXPECT_EQ(m_server.Arrivals(), 0u);

  // 1, 1 and 198 bytes of 200: three extended reports, and a percent report only for 100.
  for (int64_t sent : {1, 2, 200}) Send(*progress, CCMHttpUpload::kEventProgress, sent, 200);
  // A request of no bytes is complete from the start.
  Send(*empty, CCMHttpUpload::kEventProgress, 0, 0);
  // An error ends the attempt at once; its completion then adds nothing.
  Send(*empty, CCMHttpUpload::kEventError);
  Send(*empty, CCMHttpUpload::kEventComplete);
  // Nothing of a cancelled attempt is reported.
  progress->Cancel();
  EXPECT_EQ(progress->GetPendingDelay(), 0u);
  Send(*progress, CCMHttpUpload::kEventProgress, 0, 0);
  Send(*progress, CCMHttpUpload::kEventComplete);
  Drain();

  // Several workers deliver: the reports may come in any order.
  std::vector<std::pair<int64_t, int64_t>> reports;  // {percent, bytes since the previous report}
  for (const auto& m : m_receiver.Messages(ULSTRATEGY_UPLOAD_PROGRESS_EX)) {
    const auto& report = std::get<UploadProgressEx>(m.param);
    EXPECT_EQ(m.strFile, first);
    EXPECT_EQ(report.nTotal, 200);
    reports.emplace_back(report.nPercent, report.nSentDelta);
  }
  std::sort(reports.begin(), reports.end());
  EXPECT_EQ(reports, (std::vector<std::pair<int64_t, int64_t>>{{0, 1}, {1, 1}, {100, 198}}));
  std::vector<std::u16string> hundreds;
  for (const auto& m : m_receiver.Messages(ULSTRATEGY_UPLOAD_PROGRESS)) {
    EXPECT_EQ(std::get<int64_t>(m.param), 100);
    hundreds.push_back(m.strFile);
  }
  std::sort(hundreds.begin(), hundreds.end());
  EXPECT_EQ(hundreds, (std::vector<std::u16string>{first, second}));
  const auto results = m_receiver.Messages(ULSTRATEGY_UPLOAD_RESULT);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].strFile, second);
  EXPECT_EQ(std::get<UploadInfo>(results[0].param).nResult, -1);
  EXPECT_FALSE(std::get<UploadInfo>(results[0].param).bDone);
}

TEST_F(CULStrategyTest, ServerResultsAreClassified) {
  struct Case {
    int32_t result;
    uint8_t retriesLeft;  // after one attempt of three
    bool done;
  };
  // Accepted (-301 with a new album), not to be tried again, and anything else.
  for (const Case& c : {Case{-301, 2, true}, Case{-401, 0, false}, Case{-7, 2, false}}) {
    SCOPED_TRACE(c.result);
    AlbumReply reply;
    reply.result = c.result;
    const UploadInfo result = UploadWith(reply, "result" + std::to_string(c.result) + ".jpg");
    EXPECT_EQ(result.nResult, c.result);
    EXPECT_EQ(result.nRetriesLeft, c.retriesLeft);
    EXPECT_EQ(result.bDone, c.done);
    EXPECT_EQ(result.strAlbumId, u"album-7");
  }

  // Every element the answer may hold; "RegMsg" keeps its own field.
  const UploadInfo all = UploadWith(Body("<body><Result> 0 </Result><AlbumId>9</AlbumId><RegMsg>hello</RegMsg>"
                                         "<RegUrl>http://r</RegUrl><Reason>ok</Reason><ResultURL>http://p</ResultURL>"
                                         "<Unknown>x</Unknown></body>"),
                                    "all.jpg");
  EXPECT_EQ(all.nResult, 0);
  EXPECT_TRUE(all.bDone);
  EXPECT_EQ(all.strAlbumId, u"9");
  EXPECT_EQ(all.strRegMsg, u"hello");
  EXPECT_EQ(all.strRegUrl, u"http://r");
  EXPECT_EQ(all.strReason, u"ok");
  EXPECT_EQ(all.strResultURL, u"http://p");
  EXPECT_TRUE(m_window.reports.empty());
}

TEST_F(CULStrategyTest, AnswersThatSayNothingEndInAFailedResult) {
  struct Case {
    AlbumReply reply;
    std::optional<std::u16string> raw;  // the text of report 1009, when the answer is not XML with "body"
    bool unparsed;                       // report 1008 with the file key
  };
  const std::vector<Case> cases = {
      {Body("Service unavailable"), u"Service unavailable", true},
      {Body(""), u"", true},
      {Body("<html><Result>0</Result></html>"), u"<html><Result>0</Result></html>", true},
      {Body("<body><Result>0k</Result></body>"), std::nullopt, true},
      {Body("<body><Result>99999999999</Result></body>"), std::nullopt, true},
      // 200 KiB of filler: the report carries the first 64 KiB.
      {Body("", 200 * 1024), std::u16string(kMaxRawAnswerReport, u'x'), true},
      // Beyond what the transfer accepts: no answer file at all.
      {Body("", 2 * 1024 * 1024), std::nullopt, false},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const std::string name = "bad" + std::to_string(i) + ".jpg";
    m_window.reports.clear();
    const UploadInfo result = UploadWith(cases[i].reply, name);
    EXPECT_EQ(result.nResult, -1);
    EXPECT_FALSE(result.bDone);
    EXPECT_EQ(result.nRetriesLeft, 2);
    EXPECT_EQ(result.strResultFile.empty(), !cases[i].unparsed);

    std::vector<std::pair<int32_t, std::u16string>> expected, reports;
    if (cases[i].raw) expected.emplace_back(LOCALERROR_ANSWER_NOT_XML, *cases[i].raw);
    if (cases[i].unparsed) expected.emplace_back(LOCALERROR_ANSWER_UNPARSED, U(m_dir.file(name)));
    m_window.Pump();
    for (const auto& report : m_window.reports) reports.emplace_back(report.nCode, report.strText);
    EXPECT_EQ(reports, expected);
  }
}

TEST_F(CULStrategyTest, CancelOrLettingGoDuringTransfer) {
  // Cancel while the server holds the request body: nothing of the attempt follows, and the
  // transfer ended inside Cancel, and with it the strategy's hold on itself.
  AlbumReply held;
  held.holdBody = true;
  std::shared_ptr<CULStrategy> strategy = Detached();
  StartWith(*strategy, held, "held.jpg");
  ASSERT_TRUE(m_server.WaitForArrivals(1, 10s));
  strategy->Cancel();
  EXPECT_EQ(strategy->GetState(), CULStrategy::kStateIdle);
  EXPECT_TRUE(LetGo(strategy).expired());
  Drain();
  EXPECT_EQ(m_receiver.Messages(ULSTRATEGY_UPLOAD_START).size(), 1u);
  EXPECT_TRUE(m_receiver.Messages(ULSTRATEGY_UPLOAD_RESULT).empty());

  // A Cancel that comes while Upload is still building its attempt: the Upload call stops the
  // transfer it started before it returns.
  std::shared_ptr<CULStrategy> overlapped = Detached();
  m_receiver.onGetULData = [&overlapped] { overlapped->Cancel(); };
  StartWith(*overlapped, held, "overlap.jpg");
  m_receiver.onGetULData = nullptr;
  EXPECT_EQ(overlapped->GetState(), CULStrategy::kStateIdle);
  EXPECT_TRUE(LetGo(overlapped).expired());

  // Let go of without Cancel while the server holds its answer: the transfer keeps the strategy
  // until it ends, and its result reaches nobody.
  held.holdBody = false;
  held.holdAnswer = true;
  std::shared_ptr<CULStrategy> late = Detached();
  const size_t arrivals = m_server.Arrivals();
  StartWith(*late, held, "late.jpg");
  ASSERT_TRUE(m_server.WaitForArrivals(arrivals + 1, 10s));
  const std::weak_ptr<CULStrategy> alive = LetGo(late);
  EXPECT_FALSE(alive.expired());
  m_server.ReleaseHeld();
  EXPECT_TRUE(fotaro::test::WaitUntil([&] { return alive.expired(); }));
  Drain();
  EXPECT_TRUE(m_receiver.Messages(ULSTRATEGY_UPLOAD_RESULT).empty());
}

TEST_F(CULStrategyTest, RefusedArgumentsAndFailedTransfers) {
  const std::u16string key = AddPhoto("photo.jpg", {1});
  auto strategy = NewStrategy();
  const std::u16string url = U(m_server.Url());
  EXPECT_EQ(strategy->Upload(u"t", u"", url, u"u", u"k", u"e", u"", 0, 0), CULStrategy::ULSTRATEGY_NO_FILE_OR_URL);
  EXPECT_EQ(strategy->Upload(u"t", key, u"", u"u", u"k", u"e", u"", 0, 0), CULStrategy::ULSTRATEGY_NO_FILE_OR_URL);
  EXPECT_EQ(strategy->Upload(u"t", key, url, u"", u"k", u"e", u"", 0, 0), CULStrategy::ULSTRATEGY_NO_UIN);
  EXPECT_EQ(strategy->Upload(u"t", key, url, u"u", u"", u"e", u"", 0, 0), CULStrategy::ULSTRATEGY_NO_KEY);
  EXPECT_EQ(strategy->Upload(u"t", key, url, u"u", u"k", u"", u"", 0, 0), CULStrategy::ULSTRATEGY_NO_EXTEND_ID);
  EXPECT_EQ(strategy->Upload(u"t", key, url, u"u", u"k", u"e", u"", -1, 0), CULStrategy::ULSTRATEGY_BAD_TOTAL);
  EXPECT_EQ(strategy->GetState(), CULStrategy::kStateIdle);
  // A file that is not in the queue: nothing happens.
  EXPECT_EQ(Upload(*strategy, u"/not/queued.jpg"), CULStrategy::ULSTRATEGY_OK);
  Drain();
  EXPECT_TRUE(m_receiver.Messages().empty());
  EXPECT_EQ(m_server.Arrivals(), 0u);

  // A transfer that cannot start, and one that finds no server, still end in a result; the
  // retries run out at 0.
  CGlobal::Instance().SetRetryTimes(1);
  const std::u16string once = AddPhoto("once.jpg", {2});
  CGlobal::Instance().SetRetryTimes(3);
  ASSERT_EQ(strategy->Upload(u"t", once, u"ftp://127.0.0.1/", u"u", u"k", u"e", u"", 0, 0), CULStrategy::ULSTRATEGY_OK);
  EXPECT_EQ(m_receiver.WaitResult(1).nResult, -1);
  ASSERT_EQ(strategy->Upload(u"t", once, u"http://127.0.0.1:1/", u"u", u"k", u"e", u"", 0, 0),
            CULStrategy::ULSTRATEGY_OK);
  const UploadInfo refused = m_receiver.WaitResult(2);
  EXPECT_EQ(refused.nResult, -1);
  EXPECT_FALSE(refused.bDone);
  EXPECT_EQ(refused.nRetriesLeft, 0);
  EXPECT_EQ(m_queue.GetInfo(once)->nRetriesLeft, 0);
}

TEST_F(CULStrategyTest, UploadIsRefusedWhileTheLastTransferWillNotStop) {
  // The completion of the first transfer blocks in its queue lookup, past the transfer's stop bound.
  const std::thread::id testThread = std::this_thread::get_id();
  platform::Event inCompletion, release;
  m_receiver.onGetULData = [&] {
    if (std::this_thread::get_id() == testThread) return;
    inCompletion.Set();
    release.Wait(30s);
  };
  const std::u16string key = AddPhoto("slow.jpg", {1});
  auto strategy = NewStrategy();
  ASSERT_EQ(Upload(*strategy, key), CULStrategy::ULSTRATEGY_OK);
  ASSERT_TRUE(inCompletion.Wait(30s));
  EXPECT_EQ(Upload(*strategy, key), CULStrategy::ULSTRATEGY_BUSY);

  // The refused call changed nothing: the first attempt still ends with its own answer.
  release.Set();
  const UploadInfo result = m_receiver.WaitResult(1);
  EXPECT_EQ(result.nResult, 0);
  EXPECT_EQ(result.nRetriesLeft, 2);
  EXPECT_EQ(m_server.Arrivals(), 1u);
}

}  // namespace
