#include "engine/ULStrategy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "control/services/Global.h"
#include "engine/LocalErrorReport.h"
#include "engine/Strings.h"
#include "engine/ThreadPool.h"
#include "engine/ULData.h"
#include "engine/UploadAnswer.h"
#include "platform/CodePage.h"
#include "platform/gfx/PngCodec.h"
#include "platform/win/Window.h"
#include "tests/engine/WaitUntil.h"
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
    const auto results = [&] {
      return std::count_if(m_messages.begin(), m_messages.end(),
                           [](const UploadNotifyMsg& m) { return m.nCode == ULSTRATEGY_UPLOAD_RESULT; });
    };
    if (!m_changed.wait_for(lock, 30s, [&] { return static_cast<size_t>(results()) >= count; })) {
      UploadInfo none;
      none.nResult = -99;
      return none;
    }
    size_t seen = 0;
    for (const UploadNotifyMsg& m : m_messages) {
      if (m.nCode == ULSTRATEGY_UPLOAD_RESULT && ++seen == count) return std::get<UploadInfo>(m.param);
    }
    return {};
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

std::vector<std::string> TextFieldNames(const AlbumRequest& request) {
  std::vector<std::string> names;
  for (const auto& part : request.parts) {
    if (part.filename.empty()) names.push_back(part.name);
  }
  return names;
}

bool HasField(const AlbumRequest& request, const std::string& name) {
  const auto names = TextFieldNames(request);
  return std::find(names.begin(), names.end(), name) != names.end();
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
    for (const auto& strategy : m_strategies) {
      strategy->Cancel();
      strategy->ResetOwner();
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
    CompressedFileInfo part;
    part.nSpec = spec;
    part.nSpecParam = specParam;
    part.strSpecString = name;
    part.strFilePath = path;
    part.nSourceFormat = sourceFormat;
    return part;
  }
  // Queues a photo (its key is its source path) sent as a big picture and a thumbnail.
  std::u16string AddPhoto(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::u16string source = WriteFile(name, bytes);
    const std::vector<CompressedFileInfo> parts = {Part(0, u"FileData", WriteFile("big-" + name, "abc")),
                                                   Part(1, u"ThumbData", WriteFile("thumb-" + name, "thumb"))};
    EXPECT_TRUE(m_queue.AddFile(source, source, parts));
    return source;
  }
  std::shared_ptr<CULStrategy> NewStrategy() {
    m_strategies.push_back(CULStrategyFactory::Create());
    m_strategies.back()->SetOwner(&m_receiver);
    return m_strategies.back();
  }
  int32_t Upload(CULStrategy& strategy, const std::u16string& key, const std::u16string& title = u"Photo.jpg") {
    return strategy.Upload(title, key, U(m_server.Url()), u"10001", u"session", u"album-7", u"extra", 5, 1234);
  }
  // Uploads a photo against the scripted reply and returns its result; the photo then leaves the
  // queue, as its owner takes it out after a result.
  UploadInfo UploadWith(AlbumReply reply, const std::string& name) {
    m_server.Script(std::move(reply));
    const std::u16string key = AddPhoto(name, {1, 2, 3});
    EXPECT_EQ(Upload(*NewStrategy(), key), CULStrategy::ULSTRATEGY_OK);
    const UploadInfo result = m_receiver.WaitResult(m_receiver.Messages(ULSTRATEGY_UPLOAD_RESULT).size() + 1);
    m_queue.RemoveInfo(key);
    return result;
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
  EXPECT_EQ(TextFieldNames(request),
            (std::vector<std::string>{"ClientVersion", "ClientCode", "OrniUin", "SessionKey", "ExtendID", "ExtendStr",
                                      "total", "uploadtime", "Exif_Time", "Exif_CameraMaker", "Exif_CameraModel",
                                      "Exif_Orientation", "Exif_LatitudeRef", "Exif_Latitude", "Exif_LongitudeRef",
                                      "Exif_Longitude", "Compress", "MD5", "PicType", "PicWidth", "PicHeight",
                                      "FileData", "ThumbData"}));
  const CGlobal::FileVersion version = CGlobal::GetModuleVersion();
  EXPECT_EQ(request.Field("ClientVersion"), std::to_string(version.major * 100 + version.minor));
  EXPECT_EQ(request.Field("ClientCode"), platform::Utf8(IDS_CLIENT_CODE));
  EXPECT_EQ(request.Field("OrniUin"), "10001");
  EXPECT_EQ(request.Field("SessionKey"), "session");
  EXPECT_EQ(request.Field("ExtendID"), "album-7");
  EXPECT_EQ(request.Field("ExtendStr"), "extra");
  EXPECT_EQ(request.Field("total"), "5");
  EXPECT_EQ(request.Field("uploadtime"), "1234");
  EXPECT_EQ(request.Field("Exif_Time"), "2021:06:01 10:20:30");
  EXPECT_EQ(request.Field("Exif_CameraMaker"), "Brennik");
  EXPECT_EQ(request.Field("Exif_CameraModel"), "Cam 1");
  EXPECT_EQ(request.Field("Exif_Orientation"), "6");
  EXPECT_EQ(request.Field("Exif_LatitudeRef"), "N");
  EXPECT_EQ(request.Field("Exif_Latitude"), "31.500000");
  EXPECT_EQ(request.Field("Exif_LongitudeRef"), "E");
  EXPECT_EQ(request.Field("Exif_Longitude"), "121.260000");
  EXPECT_EQ(request.Field("Compress"), "1");
  EXPECT_EQ(request.Field("MD5"), "900150983cd24fb0d6963f7d28e17f72");  // MD5 of "abc", the big picture
  EXPECT_EQ(request.Field("PicType"), "jpg");
  EXPECT_EQ(request.Field("PicWidth"), "width=40");
  EXPECT_EQ(request.Field("PicHeight"), "height=30");
  // The big picture goes under the upload name (a .bmp title is sent as .jpg), the thumbnail under
  // its own file name; each file part carries its file's name.
  EXPECT_EQ(request.Field("FileData"), "Photo.jpg");
  EXPECT_EQ(request.Field("ThumbData"), "thumb-source.jpg");
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
  EXPECT_EQ(TextFieldNames(requests[0]), (std::vector<std::string>{"ClientVersion", "ClientCode", "OrniUin",
                                                                   "SessionKey", "ExtendID", "ExtendStr", "total",
                                                                   "uploadtime", "FileData"}));
  EXPECT_EQ(requests[0].Field("FileData"), "Photo.BMP");
  EXPECT_EQ(requests[1].Field("Exif_CameraMaker"), "Brennik");
  EXPECT_TRUE(HasField(requests[1], "Exif_Orientation"));
  for (const char* gps : {"Exif_LatitudeRef", "Exif_Latitude", "Exif_LongitudeRef", "Exif_Longitude", "MD5"}) {
    EXPECT_FALSE(HasField(requests[1], gps)) << gps;
  }
  EXPECT_EQ(requests[1].Field("Compress"), "0");
  EXPECT_EQ(requests[1].Field("PicType"), "jpg");
  EXPECT_EQ(requests[1].Field("PicWidth"), "width=16");
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
  for (int64_t sent : {1, 2, 200}) {
    tagEvent event;
    event.nType = CCMHttpUpload::kEventProgress;
    event.nSent = sent;
    event.nTotal = 200;
    progress->OnCM_Upload(&event);
  }
  // A request of no bytes is complete from the start.
  tagEvent nothing;
  nothing.nType = CCMHttpUpload::kEventProgress;
  empty->OnCM_Upload(&nothing);
  // An error ends the attempt at once; its completion then adds nothing.
  tagEvent error;
  error.nType = CCMHttpUpload::kEventError;
  error.nCode = 5;
  empty->OnCM_Upload(&error);
  tagEvent complete;
  complete.nType = CCMHttpUpload::kEventComplete;
  empty->OnCM_Upload(&complete);
  // Nothing of a cancelled attempt is reported.
  progress->Cancel();
  EXPECT_EQ(progress->GetPendingDelay(), 0u);
  progress->OnCM_Upload(&nothing);
  progress->OnCM_Upload(&complete);
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
  AlbumReply rejected;
  rejected.result = -401;
  const UploadInfo noRetry = UploadWith(rejected, "rejected.jpg");
  EXPECT_EQ(noRetry.nResult, -401);
  EXPECT_EQ(noRetry.nRetriesLeft, 0);
  EXPECT_FALSE(noRetry.bDone);

  AlbumReply full;
  full.result = -301;
  const UploadInfo newAlbum = UploadWith(full, "full.jpg");
  EXPECT_EQ(newAlbum.nResult, -301);
  EXPECT_TRUE(newAlbum.bDone);
  EXPECT_EQ(newAlbum.strAlbumId, u"album-7");

  AlbumReply other;
  other.result = -7;
  const UploadInfo retry = UploadWith(other, "other.jpg");
  EXPECT_EQ(retry.nResult, -7);
  EXPECT_EQ(retry.nRetriesLeft, 2);
  EXPECT_FALSE(retry.bDone);

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

TEST_F(CULStrategyTest, PlainTextAnswerIsReportedThenFails) {
  const UploadInfo result = UploadWith(Body("Service unavailable"), "plain.jpg");
  m_window.Pump();
  ASSERT_EQ(m_window.reports.size(), 2u);
  EXPECT_EQ(m_window.reports[0].nCode, LOCALERROR_ANSWER_NOT_XML);
  EXPECT_EQ(m_window.reports[0].strText, u"Service unavailable");
  EXPECT_EQ(m_window.reports[1].nCode, LOCALERROR_ANSWER_UNPARSED);
  EXPECT_EQ(m_window.reports[1].strText, U(m_dir.file("plain.jpg")));
  EXPECT_EQ(result.nResult, -1);
  EXPECT_FALSE(result.bDone);
  EXPECT_EQ(result.nRetriesLeft, 2);
  EXPECT_FALSE(result.strResultFile.empty());
}

TEST_F(CULStrategyTest, BadAnswersEndInAFailedResult) {
  constexpr int32_t kNotXml = LOCALERROR_ANSWER_NOT_XML;
  constexpr int32_t kUnparsed = LOCALERROR_ANSWER_UNPARSED;
  struct Case {
    AlbumReply reply;
    std::vector<int32_t> reports;
    std::u16string rawText;  // what the 1009 report carries
  };
  const std::vector<Case> cases = {
      {Body(""), {kNotXml, kUnparsed}, u""},
      {Body("<html><Result>0</Result></html>"), {kNotXml, kUnparsed}, u"<html><Result>0</Result></html>"},
      {Body("<body><Result>0k</Result></body>"), {kUnparsed}, u""},
      {Body("<body><Result>99999999999</Result></body>"), {kUnparsed}, u""},
      // 200 KiB of filler: the report carries the first 64 KiB.
      {Body("", 200 * 1024), {kNotXml, kUnparsed}, std::u16string(kMaxRawAnswerReport, u'x')},
      // Beyond what the transfer accepts: no answer file at all.
      {Body("", 2 * 1024 * 1024), {}, u""},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    m_window.reports.clear();
    const UploadInfo result = UploadWith(cases[i].reply, "bad" + std::to_string(i) + ".jpg");
    EXPECT_EQ(result.nResult, -1);
    EXPECT_FALSE(result.bDone);
    m_window.Pump();
    std::vector<int32_t> codes;
    for (const auto& report : m_window.reports) codes.push_back(report.nCode);
    EXPECT_EQ(codes, cases[i].reports);
    if (!codes.empty() && codes[0] == kNotXml) {
      EXPECT_EQ(m_window.reports[0].strText, cases[i].rawText);
    }
  }
}

TEST_F(CULStrategyTest, CancelDuringTransferEndsTheAttemptSilently) {
  AlbumReply held;
  held.holdBody = true;
  m_server.Script(held);
  const std::u16string key = AddPhoto("held.jpg", {1, 2, 3});
  std::shared_ptr<CULStrategy> strategy = CULStrategyFactory::Create();
  strategy->SetOwner(&m_receiver);
  ASSERT_EQ(Upload(*strategy, key), CULStrategy::ULSTRATEGY_OK);
  ASSERT_TRUE(m_server.WaitForArrivals(1, 10s));

  strategy->Cancel();
  EXPECT_EQ(strategy->GetState(), CULStrategy::kStateIdle);
  strategy->ResetOwner();
  // The transfer ended inside Cancel, and with it the strategy's hold on itself.
  const std::weak_ptr<CULStrategy> alive = strategy;
  strategy.reset();
  EXPECT_TRUE(alive.expired());
  Drain();
  EXPECT_EQ(m_receiver.Messages(ULSTRATEGY_UPLOAD_START).size(), 1u);
  EXPECT_TRUE(m_receiver.Messages(ULSTRATEGY_UPLOAD_RESULT).empty());

  // A Cancel that comes while Upload is still building its attempt: the Upload call stops the
  // transfer it started before it returns.
  m_server.Script(held);
  const std::u16string second = AddPhoto("overlap.jpg", {4, 5, 6});
  std::shared_ptr<CULStrategy> overlapped = CULStrategyFactory::Create();
  overlapped->SetOwner(&m_receiver);
  m_receiver.onGetULData = [&overlapped] { overlapped->Cancel(); };
  ASSERT_EQ(Upload(*overlapped, second), CULStrategy::ULSTRATEGY_OK);
  EXPECT_EQ(overlapped->GetState(), CULStrategy::kStateIdle);
  overlapped->ResetOwner();
  const std::weak_ptr<CULStrategy> stopped = overlapped;
  overlapped.reset();
  EXPECT_TRUE(stopped.expired());
  Drain();
  EXPECT_TRUE(m_receiver.Messages(ULSTRATEGY_UPLOAD_RESULT).empty());
}

TEST_F(CULStrategyTest, StrategyLetGoDuringTransferEndsWithIt) {
  AlbumReply held;
  held.holdAnswer = true;
  m_server.Script(held);
  const std::u16string key = AddPhoto("late.jpg", {1, 2, 3});
  std::shared_ptr<CULStrategy> strategy = CULStrategyFactory::Create();
  strategy->SetOwner(&m_receiver);
  ASSERT_EQ(Upload(*strategy, key), CULStrategy::ULSTRATEGY_OK);
  ASSERT_TRUE(m_server.WaitForArrivals(1, 10s));

  strategy->ResetOwner();
  const std::weak_ptr<CULStrategy> alive = strategy;
  strategy.reset();
  EXPECT_FALSE(alive.expired());  // the transfer still holds it
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
