// The frames' batches end to end, headless: photos added to the grid, uploaded to the album
// server, the server's answers shown on the photos, the questions the user answers, and the events
// the page hears.


#include <sys/stat.h>

#include <fstream>

#include <algorithm>

#include "control/services/Desktop.h"
#include "imaging/GkHelper.h"
#include "platform/CodePage.h"
#include "platform/RegistryStore.h"
#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Surface.h"
#include "platform/win/SyntheticInput.h"
#include "tests/ui/FrameFixture.h"
#include "ui/FrameTexts.h"

using fotaro::test::DispArgs;
using fotaro::test::FrameTest;
using fotaro::test::SinkEvent;

namespace {

class UploaderFrameBatchTest : public FrameTest {
 protected:
  // A server answer of its own.
  static fotaro::AlbumReply Reply(const std::string& body) {
    fotaro::AlbumReply reply;
    reply.body = body;
    return reply;
  }
  static fotaro::AlbumReply Held() {
    fotaro::AlbumReply reply;
    reply.holdAnswer = true;
    return reply;
  }
  // One photo at a time, so that the server's answers go to the photos in their order.
  void OneAtATime() { ASSERT_EQ(CallInts(u"SetThreadCount", {1}), S_OK); }
  bool RunUntilArrivals(size_t count) { return RunUntil([&] { return m_server.Arrivals() >= count; }); }
  // A batch of three photos, one at a time, whose first photo waits on the server for its answer.
  void StartHeldBatch() {
    StartWithServer();
    OneAtATime();
    m_server.Script(Held());
    AddPhotos(3);
    ASSERT_EQ(Call(u"Upload"), S_OK);
    ASSERT_TRUE(RunUntilArrivals(1));
  }
};


TEST_F(UploaderFrameBatchTest, ABatchUploadsEveryPhotoAndEndsWithTheCompleteEvents) {
  fotaro::test::TestSink& sink = Advise();
  StartWithServer();
  const std::vector<std::u16string> photos = AddPhotos(3);
  EXPECT_EQ(m_frame->grid().GetPhotoCount(), 3u);
  ASSERT_EQ(Call(u"Upload"), S_OK);
  EXPECT_TRUE(m_frame->IsUploading());
  EXPECT_EQ(m_frame->displayMode(), CUploaderFrame::kModeUploading);
  ASSERT_TRUE(RunUntilEvent(sink, DISPID_OnSink_UploadComplete));

  EXPECT_EQ(m_server.Requests().size(), 3u);
  EXPECT_EQ(Count(sink, DISPID_OnSink_StartUpload), 3);
  EXPECT_EQ(Count(sink, DISPID_OnSink_UploadResult), 3);
  EXPECT_EQ(Count(sink, DISPID_OnSink_UploadOver), 1);
  EXPECT_EQ(Count(sink, DISPID_OnSink_UploadAllSuccessful), 0);  // the main frame's end is code 4 with 0
  for (const SinkEvent& event : sink.received) {
    if (event.dispid != DISPID_OnSink_UploadResult) continue;
    EXPECT_NE(platform::Utf8(std::get<std::u16string>(event.args[0])).find("<Result>0</Result>"), std::string::npos);
  }
  // Uploaded photos leave the grid; the frame is idle again and nothing asked the user.
  EXPECT_EQ(m_frame->grid().GetPhotoCount(), 0u);
  EXPECT_TRUE(m_frame->files().empty());
  EXPECT_FALSE(m_frame->IsUploading());
  EXPECT_EQ(m_frame->displayMode(), CUploaderFrame::kModeIdle);
  EXPECT_TRUE(m_asked.empty());
}

TEST_F(UploaderFrameBatchTest, ATurnedPhotoGoesTurnedAndIsCountedAtTheEnd) {
  fotaro::test::TestSink& sink = Advise();
  fotaro::AlbumServer::Options keep;
  keep.store = m_env.root().file("album");
  fotaro::AlbumServer server(keep);
  ASSERT_TRUE(server.Start());
  Start(StartsFrame());
  GiveAccount(server.Url());
  const std::vector<std::u16string> photos = AddPhotos(2);
  ASSERT_TRUE(m_frame->grid().RotatePhoto(photos[1]));
  ASSERT_EQ(Call(u"Upload"), S_OK);
  ASSERT_TRUE(RunUntilEvent(sink, DISPID_OnSink_UploadComplete));
  for (const SinkEvent& event : sink.received) {
    if (event.dispid == DISPID_OnSink_UploadOver) {
      EXPECT_EQ(event.args, (std::vector<fotaro::test::ComValue>{1, 0, 0, 0}));
    }
  }
  // The turned photo went as its turned copy: its big picture stands upright.
  std::vector<std::pair<int, int>> sizes;
  for (const fotaro::AlbumRequest& request : server.Requests()) {
    const auto big = std::find_if(request.parts.begin(), request.parts.end(),
                                  [](const fotaro::AlbumPart& part) { return !part.filename.empty(); });
    ASSERT_NE(big, request.parts.end());
    int width = 0, height = 0;
    ASSERT_TRUE(CGkHelper::GetImageFileSize(platform::PathFromBytes(big->storedPath), &width, &height)) << big->storedPath;
    sizes.emplace_back(width, height);
  }
  std::sort(sizes.begin(), sizes.end());
  EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{48, 64}, {64, 48}}));
}

TEST_F(UploaderFrameBatchTest, TheGridsPhotosGoSilentlyAndLeaveTheGrid) {
  fotaro::test::TestSink& sink = Advise();
  StartWithServer();
  AddPhotos(2);
  ASSERT_EQ(Call(u"StartUploadSliently"), S_OK);
  EXPECT_EQ(m_frame->grid().GetPhotoCount(), 0u);
  EXPECT_TRUE(m_frame->files().empty());
  ASSERT_TRUE(RunUntilEvent(sink, DISPID_OnSlientSink_StopUpload));
  EXPECT_EQ(Count(sink, DISPID_OnSlientSink_Complete), 2);
  EXPECT_EQ(m_server.Requests().size(), 2u);
}

TEST_F(UploaderFrameBatchTest, ALockedAlbumStopsTheBatchWithoutAskingAndTheEndComesAfterTheBox) {
  fotaro::test::TestSink& sink = Advise();
  StartWithServer();
  OneAtATime();
  m_server.Script(Reply("<body><Result>-302</Result><Reason>相册已被锁定</Reason></body>"));
  m_server.Script(Held());
  AddPhotos(3);
  bool endBeforeTheBox = false;
  Answer({0}, [&](CCMMessageDlg&) { endBeforeTheBox = Count(sink, DISPID_OnSink_UploadOver) > 0; });
  ASSERT_EQ(Call(u"Upload"), S_OK);
  ASSERT_TRUE(RunUntilEvent(sink, DISPID_OnSink_UploadOver));
  m_server.ReleaseHeld();
  Drain();

  ASSERT_EQ(m_asked.size(), 1u);
  EXPECT_EQ(m_asked[0].caption, u"上传失败");
  EXPECT_EQ(m_asked[0].text, u"相册已被锁定");
  EXPECT_EQ(m_asked[0].buttons, std::vector<std::u16string>{u"确定"});
  EXPECT_FALSE(endBeforeTheBox);
  EXPECT_EQ(Count(sink, DISPID_OnSink_UploadOver), 1);
  EXPECT_EQ(Count(sink, DISPID_OnSink_UploadComplete), 0);  // stopped: code 4 with 1
  EXPECT_FALSE(m_frame->IsUploading());
  EXPECT_EQ(m_frame->displayMode(), CUploaderFrame::kModeIdle);
  EXPECT_EQ(m_frame->grid().GetPhotoCount(), 3u);  // nothing was uploaded
}

TEST_F(UploaderFrameBatchTest, AnAlbumToOpenFirstStopsTheBatchAndItsLinkOpensTheRegisterPage) {
  // The maker's browser stands in for the user's: a script that writes down what it was asked to open.
  const std::string opened = m_env.root().file("opened.txt");
  const std::string browser = m_env.root().file("browser.sh");
  std::ofstream(browser) << "#!/bin/sh\nprintf '%s' \"$1\" > " << opened << ".part && mv " << opened << ".part " << opened << "\n";
  chmod(browser.c_str(), 0755);
  ASSERT_TRUE(platform::RegistryStore().Write(fotaro::kBrowserKey, u"EXE", platform::FromUtf8(browser)));

  fotaro::test::TestSink& sink = Advise();
  StartWithServer();
  OneAtATime();
  m_server.Script(Reply("<body><Result>-401</Result><Reason>请先开通相册</Reason><AlbumId>88</AlbumId>"
                         "<RegMsg>立即开通</RegMsg><RegUrl>http://album.example.com/register</RegUrl></body>"));
  m_server.Script(Held());
  AddPhotos(2);
  Answer({0}, [&](CCMMessageDlg& dialog) { dialog.OpenLink(); });
  ASSERT_EQ(Call(u"Upload"), S_OK);
  ASSERT_TRUE(RunUntilEvent(sink, DISPID_OnSink_UploadOver));
  m_server.ReleaseHeld();

  ASSERT_EQ(m_asked.size(), 1u);
  EXPECT_EQ(m_asked[0].caption, u"上传失败");
  EXPECT_EQ(m_asked[0].text, u"请先开通相册\n相册：88");
  EXPECT_EQ(m_asked[0].link, u"立即开通");
  EXPECT_EQ(Count(sink, DISPID_OnSink_UploadComplete), 0);
  struct stat info {};
  ASSERT_TRUE(RunUntil([&] { return stat(opened.c_str(), &info) == 0; }));
  std::ifstream in(opened);
  const std::string url((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(url, "http://album.example.com/register");
}

TEST_F(UploaderFrameBatchTest, AFailedPhotoLetsTheOthersGoAndIsTriedAgainWhenTheUserSaysSo) {
  fotaro::test::TestSink& sink = Advise();
  StartWithServer();
  OneAtATime();
  m_server.Script({});
  m_server.Script(Reply("<body><Result>-201</Result></body>"));
  const std::vector<std::u16string> photos = AddPhotos(3);
  size_t photosAtTheQuestion = 0;
  Answer({0}, [&](CCMMessageDlg&) { photosAtTheQuestion = m_frame->grid().GetPhotoCount(); });
  ASSERT_EQ(Call(u"Upload"), S_OK);
  ASSERT_TRUE(RunUntilEvent(sink, DISPID_OnSink_UploadComplete));

  ASSERT_EQ(m_asked.size(), 1u);
  EXPECT_EQ(m_asked[0].caption, u"上传失败");
  EXPECT_EQ(m_asked[0].text, u"1张照片上传失败, 重新上传吗?");
  EXPECT_EQ(m_asked[0].buttons, (std::vector<std::u16string>{u"是", u"否"}));
  EXPECT_EQ(photosAtTheQuestion, 1u);  // the third photo went on after the second failed
  // "是": the failed photo went again, and then the batch ended as a whole.
  const std::vector<fotaro::AlbumRequest> requests = m_server.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[3].parts.at(0).value, requests[1].parts.at(0).value);
  EXPECT_EQ(Count(sink, DISPID_OnSink_UploadOver), 1);
  EXPECT_EQ(m_frame->grid().GetPhotoCount(), 0u);
}

TEST_F(UploaderFrameBatchTest, StoppingAnsweredWithCancelGoesOnWithTheNextPhoto) {
  fotaro::test::TestSink& sink = Advise();
  StartHeldBatch();
  Answer({1});
  ASSERT_EQ(CallInts(u"StopUpload", {1}), S_OK);
  ASSERT_EQ(m_asked.size(), 1u);
  EXPECT_EQ(m_asked[0].caption, u"取消上传");
  EXPECT_EQ(m_asked[0].text, u"照片正在上传中，确定取消上传吗?");
  EXPECT_EQ(m_asked[0].buttons, (std::vector<std::u16string>{u"确定", u"取消"}));
  EXPECT_TRUE(m_frame->IsUploading());
  m_server.ReleaseHeld();
  ASSERT_TRUE(RunUntilEvent(sink, DISPID_OnSink_UploadComplete));
  EXPECT_EQ(m_server.Requests().size(), 3u);
  EXPECT_EQ(m_frame->grid().GetPhotoCount(), 0u);
}

TEST_F(UploaderFrameBatchTest, StoppingAnsweredWithOkStopsTheBatch) {
  fotaro::test::TestSink& sink = Advise();
  StartHeldBatch();
  Answer({0});
  ASSERT_EQ(CallInts(u"StopUpload", {1}), S_OK);
  ASSERT_TRUE(RunUntilEvent(sink, DISPID_OnSink_UploadOver));
  m_server.ReleaseHeld();
  Drain();
  EXPECT_EQ(Count(sink, DISPID_OnSink_UploadOver), 1);
  EXPECT_EQ(Count(sink, DISPID_OnSink_UploadComplete), 0);  // stopped: code 4 with 1
  EXPECT_FALSE(m_frame->IsUploading());
  EXPECT_EQ(m_frame->displayMode(), CUploaderFrame::kModeIdle);
  EXPECT_EQ(m_frame->grid().GetPhotoCount(), 3u);
  // Asking to stop when nothing uploads asks nothing.
  EXPECT_EQ(CallInts(u"StopUpload", {1}), S_OK);
  EXPECT_EQ(m_asked.size(), 1u);
}

TEST_F(UploaderFrameBatchTest, SelectingAllDoesNothingDuringAnUpload) {
  fotaro::test::TestSink& sink = Advise();
  StartWithServer();
  m_server.Script(Held());
  AddPhotos(2);
  ASSERT_EQ(Call(u"Upload"), S_OK);
  ASSERT_TRUE(RunUntilArrivals(1));
  for (platform::HWND focus : {m_frame->grid().hwnd(), m_frame->hwnd()}) {
    platform::SetFocus(focus);
    platform::SendKeyInput(platform::VK_CONTROL, true);
    platform::SendKeyInput('A', true);
    platform::SendKeyInput('A', false);
    platform::SendKeyInput(platform::VK_CONTROL, false);
  }
  EXPECT_TRUE(m_frame->grid().GetSelectedFiles().empty());
  EXPECT_TRUE(m_frame->toolTip().IsShown());  // the frame says why
  EXPECT_EQ(m_frame->toolTip().text(), u"照片正在上传中，请稍候");
  m_server.ReleaseHeld();
  ASSERT_TRUE(RunUntilEvent(sink, DISPID_OnSink_UploadComplete));
}

TEST_F(UploaderFrameBatchTest, AFullAlbumIsSaidAndTheNextPhotosGoToTheNewAlbum) {
  fotaro::test::TestSink& sink = Advise();
  StartWithServer();
  OneAtATime();
  m_server.Script(Reply("<body><Result>-301</Result><AlbumId>album-2</AlbumId></body>"));
  AddPhotos(2);
  Answer({0});
  ASSERT_EQ(Call(u"Upload"), S_OK);
  ASSERT_TRUE(RunUntilEvent(sink, DISPID_OnSink_UploadComplete));
  ASSERT_EQ(m_asked.size(), 1u);
  EXPECT_EQ(m_asked[0].text, u"本相册已满，剩余照片将被存至新建同名相册中");
  const std::vector<fotaro::AlbumRequest> requests = m_server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Field("ExtendID"), "album-1");
  EXPECT_EQ(requests[1].Field("ExtendID"), "album-2");
  EXPECT_EQ(m_frame->grid().GetPhotoCount(), 0u);
}

TEST_F(UploaderFrameBatchTest, TheSecondFramesBatchEndsAllSuccessful) {
  fotaro::test::TestSink& sink = Advise();
  StartWithServer({{u"EditMaxWidth", 600}, {u"EditMaxHeight", 400}, {u"StyleType", 0}});
  ASSERT_TRUE(m_kestrel->IsFrameCreated());
  EXPECT_FALSE(m_frame->IsFrameCreated());
  AddPhotos(2, m_kestrel);
  ASSERT_EQ(Call(u"Upload"), S_OK);
  ASSERT_TRUE(RunUntilEvent(sink, DISPID_OnSink_UploadAllSuccessful));
  EXPECT_EQ(Count(sink, DISPID_OnSink_UploadComplete), 0);
  EXPECT_EQ(Count(sink, DISPID_OnSink_UploadOver), 1);
  EXPECT_EQ(m_server.Requests().size(), 2u);

  // Its sort list closes when the page asks, and a watermark type of 0 hides its watermark box.
  m_kestrel->sortList().ShowList(true);
  EXPECT_TRUE(m_kestrel->sortList().IsListShown());
  EXPECT_EQ(Call(u"HideSortDropDown"), S_OK);
  EXPECT_FALSE(m_kestrel->sortList().IsListShown());
  EXPECT_FALSE(platform::IsWindowVisible(m_kestrel->waterPressBox().hwnd()));  // type 0 until set
  ASSERT_EQ(CallInts(u"SetWaterPressType", {1}), S_OK);
  EXPECT_TRUE(platform::IsWindowVisible(m_kestrel->waterPressBox().hwnd()));
  ASSERT_EQ(CallInts(u"SetWaterPressType", {0}), S_OK);
  EXPECT_FALSE(platform::IsWindowVisible(m_kestrel->waterPressBox().hwnd()));
}

}  // namespace
