// The frame's decisions, headless: what each message of the upload manager changes on the photos
// and tells the page, the adding rule, the refresh, leaving the control, and keys.

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "control/ControlMessages.h"
#include "engine/UploadMgrMessage.h"
#include "platform/CodePage.h"
#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Surface.h"
#include "platform/win/SyntheticInput.h"
#include "tests/support/TestImages.h"
#include "tests/ui/FrameFixture.h"
#include "ui/FTFileSelectDlg.h"
#include "ui/FrameTexts.h"
#include "ui/PreviewMessages.h"

namespace fs = std::filesystem;
using fotaro::test::FrameTest;
using fotaro::test::SinkEvent;
using fotaro::test::TestSink;

namespace {

class UploaderFrameTest : public FrameTest {
 protected:
  // Posts what the manager posts for notification `code` of `file`.
  void Notify(const std::u16string& file, int32_t code, NotifyParam param = {}) {
    Manager(static_cast<platform::WPARAM>(code),
            std::make_unique<UploadMgrNotice>(UploadNotifyMsg{file, code, std::move(param)}));
  }
  void Manager(platform::WPARAM code, std::unique_ptr<platform::MessagePayload> payload = nullptr) {
    ASSERT_TRUE(platform::PostMessage(m_frame->hwnd(), CM_UPLOADMGR, code, 0, std::move(payload)));
    Drain();
  }
  // The result of `file` with the server's `result`, its answer in a file of its own.
  void Result(const std::u16string& file, int32_t result, const std::u16string& reason = u"") {
    UploadInfo info;
    info.strTitle = file;
    info.strSourcePath = file;
    info.nResult = result;
    info.strReason = reason;
    info.bDone = result == 0;
    const std::string answer = m_env.root().file("answer" + std::to_string(++m_nAnswers) + ".xml");
    std::ofstream(answer) << "<body><Result>" << result << "</Result></body>";
    info.strResultFile = platform::FromUtf8(answer);
    Notify(file, ULSTRATEGY_UPLOAD_RESULT, std::move(info));
  }
  const CPreviewItem& Photo(size_t index) { return *m_frame->grid().list().items().at(index); }
  std::vector<SinkEvent> Events(TestSink& sink) {
    Drain();
    std::vector<SinkEvent> events;
    for (const SinkEvent& event : sink.received) {
      if (event.dispid != DISPID_OnSink_AxInited && event.dispid != DISPID_OnSink_DataReport) events.push_back(event);
    }
    sink.received.clear();
    return events;
  }

  int m_nAnswers = 0;
};

bool Exists(const std::u16string& path) {
  struct stat info {};
  return stat(platform::PathBytes(path).c_str(), &info) == 0;
}

TEST_F(UploaderFrameTest, TheManagersMessagesMarkThePhotosAndReachThePage) {
  TestSink& sink = Advise();
  StartWithServer();
  const std::vector<std::u16string> photos = AddPhotos(3);
  Events(sink);

  Manager(UPLOADMGR_PREPARING, std::make_unique<UploadMgrFile>(photos[0], 0));
  EXPECT_EQ(Photo(0).nPercent, 0);
  Notify(photos[0], ULKERNEL_READ_START, photos[0]);
  Notify(photos[0], ULKERNEL_COMPRESS_START, photos[0]);
  Notify(photos[0], ULSTRATEGY_UPLOAD_START, u"photo1.jpg");
  Notify(photos[0], ULSTRATEGY_UPLOAD_PROGRESS, int64_t{40});
  EXPECT_EQ(Photo(0).nPercent, 40);
  Notify(photos[0], ULSTRATEGY_UPLOAD_PROGRESS, int64_t{100});
  EXPECT_EQ(Photo(0).nPercent, 95);  // 100 only with the result
  Notify(photos[0], ULSTRATEGY_UPLOAD_PROGRESS, int64_t{60});  // a report that was overtaken
  EXPECT_EQ(Photo(0).nPercent, 95);
  Notify(photos[0], ULSTRATEGY_UPLOAD_PROGRESS_EX, UploadProgressEx{50, 4096, 8192, 10});
  EXPECT_EQ(m_frame->progress().SentBytes(), 4096);
  Notify(photos[1], ULMGR_COMPRESS_START);
  EXPECT_EQ(Photo(1).nPercent, 0);
  Notify(photos[1], ULMGR_UPLOAD_STARTED, int64_t{0});     // started well: nothing to say
  Notify(photos[1], ULMGR_UPLOAD_STARTED, int64_t{1004});  // a setting was missing
  Manager(UPLOADMGR_COMPRESS_ERROR, std::make_unique<UploadMgrFile>(photos[2], 5));
  Manager(UPLOADMGR_COMPRESS_ERROR, std::make_unique<UploadMgrFile>(u"", 5));  // no file: nothing
  EXPECT_EQ(Photo(2).strError, u"文件格式错误");
  Notify(photos[1], 10);
  EXPECT_EQ(Photo(1).strError, u"未知错误");

  const std::u16string name = photos[0];
  EXPECT_EQ(Events(sink), (std::vector<SinkEvent>{
                              {DISPID_OnSink_StartReadFile, {name}},
                              {DISPID_OnSink_StartCompress, {name}},
                              {DISPID_OnSink_StartUpload, {name}},
                              {DISPID_OnSink_LocalError, {1004, photos[1]}},
                              {DISPID_OnSink_LocalError, {5, photos[2]}},
                          }));
  EXPECT_TRUE(m_asked.empty());
}

TEST_F(UploaderFrameTest, ResultsShowTheirTextsAndUploadedPhotosLeave) {
  TestSink& sink = Advise();
  StartWithServer();
  const std::vector<std::u16string> photos = AddPhotos(8);
  Events(sink);
  const std::pair<int32_t, std::u16string> failures[] = {
      {-203, u"图片名称违规"}, {-202, u"图片格式不支持"}, {-201, u"图片大小超过限制"}, {-200, u"图片名太长"},
      {-101, u"上传超时"},     {-1, u"网络错误"},         {-250, u"网络错误"},
  };
  for (size_t i = 0; i < std::size(failures); ++i) Result(photos[i + 1], failures[i].first);
  for (size_t i = 0; i < std::size(failures); ++i) {
    EXPECT_EQ(Photo(i + 1).strError, failures[i].second) << failures[i].first;
    EXPECT_EQ(Photo(i + 1).nPercent, -1);
  }
  // The page hears every answer, read while the file is there; the frame then lets the file go.
  EXPECT_EQ(Count(sink, DISPID_OnSink_UploadResult), 7);
  const SinkEvent last = Last(sink, DISPID_OnSink_UploadResult);
  EXPECT_EQ(last.args, (std::vector<fotaro::test::ComValue>{u"<body><Result>-250</Result></body>", photos[7]}));
  EXPECT_FALSE(Exists(platform::FromUtf8(m_env.root().file("answer7.xml"))));

  Result(photos[0], 0);
  EXPECT_EQ(m_frame->grid().GetPhotoCount(), 7u);
  EXPECT_EQ(m_frame->files(), std::vector<std::u16string>(photos.begin() + 1, photos.end()));
  EXPECT_TRUE(m_asked.empty());  // no batch runs: nothing stops and nothing asks
}

TEST_F(UploaderFrameTest, TheAddingRuleSkipsPhotosAlreadyThereStopsAtTheLimitAndNamesTheMissingOnes) {
  TestSink& sink = Advise();
  StartWithServer();
  ASSERT_EQ(CallInts(u"SetUploadLimit", {3}), S_OK);
  const std::vector<std::u16string> photos = AddPhotos(2);
  std::vector<std::u16string> again{photos[1], photos[0], platform::FromUtf8(m_env.root().file("gone.jpg"))};
  Answer({0});  // the missing photo's notice
  platform::SendMessage(m_frame->hwnd(), CM_CMPREVIEW, CMT_UPLOADPREVIEW_ADDFILES, reinterpret_cast<platform::LPARAM>(&again));
  EXPECT_EQ(m_frame->files(), photos);
  ASSERT_EQ(m_asked.size(), 1u);
  EXPECT_EQ(m_asked[0].caption, u"添加图片");
  EXPECT_EQ(m_asked[0].text, u"1张图片已经被移动或删除，无法添加到极速上传。");
  EXPECT_EQ(m_asked[0].buttons, std::vector<std::u16string>{u"确定"});

  Answer({0});  // the limit's notice
  AddPhotos(2);
  EXPECT_EQ(m_frame->files().size(), 3u);
  EXPECT_EQ(m_frame->grid().GetPhotoCount(), 3u);
  ASSERT_EQ(m_asked.size(), 2u);
  EXPECT_EQ(m_asked[1].text, frame_text::Format(frame_text::kUploadLimit, 3));

  // Each add refreshed the page's count: the sizes in KiB (a small photo counts as 1) and photos.
  Drain();
  EXPECT_EQ(Last(sink, DISPID_OnSink_UploadSelect), (SinkEvent{DISPID_OnSink_UploadSelect, {3, 3}}));
}

TEST_F(UploaderFrameTest, DeletingTheSelectionRefreshesAndTheButtonsFollowThePhotos) {
  TestSink& sink = Advise();
  StartWithServer();
  EXPECT_FALSE(platform::IsWindowEnabled(m_frame->prepareButton().hwnd()));
  const std::vector<std::u16string> photos = AddPhotos(3);
  EXPECT_TRUE(platform::IsWindowEnabled(m_frame->prepareButton().hwnd()));
  m_frame->grid().SelectAll();
  platform::PostMessage(m_frame->hwnd(), platform::WM_COMMAND, CUploaderFrame::kCmdDelete);
  Drain();
  EXPECT_TRUE(m_frame->files().empty());
  EXPECT_EQ(m_frame->grid().GetPhotoCount(), 0u);
  EXPECT_FALSE(platform::IsWindowEnabled(m_frame->prepareButton().hwnd()));
  EXPECT_EQ(Last(sink, DISPID_OnSink_UploadSelect), (SinkEvent{DISPID_OnSink_UploadSelect, {0, 0}}));

  // The buttons and the empty grid's buttons tell the page what the user asked for.
  AddPhotos(1);
  Events(sink);
  for (platform::UINT command : {CUploaderFrame::kCmdAddPhoto, CUploaderFrame::kCmdPrepareUpload}) {
    platform::PostMessage(m_frame->hwnd(), platform::WM_COMMAND, command);
  }
  for (platform::WPARAM note : {CMT_UPLOADPREVIEW_BACK, CMT_UPLOADPREVIEW_HOWTODRAG, CMT_UPLOADPREVIEW_ENTER}) {
    platform::PostMessage(m_frame->hwnd(), CM_CMPREVIEW, note);
  }
  EXPECT_EQ(Events(sink), (std::vector<SinkEvent>{{DISPID_OnSink_PrepareToAddPhoto, {}},
                                                  {DISPID_OnSink_PrepareToUpload, {1}},
                                                  {DISPID_OnSink_UploadOver, {0, 0, 0, 0}},
                                                  {DISPID_OnSink_UploadComplete, {}},
                                                  {DISPID_OnSink_HowToDrag, {}},
                                                  {DISPID_OnSink_PrepareToUpload, {1}}}));
}

TEST_F(UploaderFrameTest, TheGridsMenuAndTheFramesCommandsSortThePhotos) {
  StartWithServer();
  const std::vector<std::u16string> photos = AddPhotos(3);
  platform::PostMessage(m_frame->hwnd(), CM_CMPREVIEW, CMT_UPLOADPREVIEW_MENU, CUploadPreview::kSortByName);
  platform::PostMessage(m_frame->hwnd(), platform::WM_COMMAND, CUploaderFrame::kCmdSortByTime);
  Drain();
  EXPECT_EQ(m_frame->grid().GetSortOrder(), CUploadPreview::kSortByTime);
  platform::PostMessage(m_frame->hwnd(), platform::WM_COMMAND, CUploaderFrame::kCmdSortByName);
  Drain();
  EXPECT_EQ(m_frame->grid().GetSortOrder(), CUploadPreview::kSortByName);
  EXPECT_EQ(m_frame->grid().GetFiles(), photos);  // photo1, photo2, photo3
}

TEST_F(UploaderFrameTest, LeavingAsksOnlyWhenThereArePhotosAndAClosedBoxSaysNothing) {
  TestSink& sink = Advise();
  StartWithServer();
  Events(sink);
  EXPECT_EQ(Call(u"LeaveControl"), S_OK);
  EXPECT_EQ(Events(sink), (std::vector<SinkEvent>{{DISPID_OnSink_LeaveControl, {0}}}));
  EXPECT_TRUE(m_asked.empty());

  AddPhotos(1);
  Events(sink);
  Answer({1, kClose, 0});
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Call(u"LeaveControl"), S_OK);
  EXPECT_EQ(Events(sink), (std::vector<SinkEvent>{{DISPID_OnSink_LeaveControl, {1}}, {DISPID_OnSink_LeaveControl, {0}}}));
  ASSERT_EQ(m_asked.size(), 3u);
  EXPECT_EQ(m_asked[0].caption, u"取消上传");
  EXPECT_EQ(m_asked[0].text, u"您将退出上传页面，确定退出上传吗?");
  EXPECT_EQ(m_asked[0].buttons, (std::vector<std::u16string>{u"确定", u"取消"}));
}

TEST_F(UploaderFrameTest, AddPhotoOpensTheFileDialogAndItsTickedPhotosJoinTheGrid) {
  StartWithServer();
  const std::string pictures = m_env.root().file("Pictures");
  fs::create_directories(pictures);
  for (const char* name : {"a.jpg", "b.jpg"}) fotaro::test::WriteFile(pictures + "/" + name, fotaro::test::TestJpeg(64, 48));
  ASSERT_EQ(CallInts(u"AddPhoto", {0}), S_OK);
  CFTFileSelectDlg* dialog = m_frame->fileDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(platform::IsWindowVisible(dialog->hwnd()));
  EXPECT_FALSE(platform::IsWindowEnabled(m_frame->hwnd()));  // the dialog has the user's attention
  EXPECT_TRUE(m_frame->grid().IsLoaderPaused());
  platform::RECT size{};
  platform::GetClientRect(dialog->hwnd(), &size);
  EXPECT_EQ(size.right, 820);
  EXPECT_EQ(size.bottom, 520);

  ASSERT_TRUE(dialog->pane().LoadFolder(platform::FromUtf8(pictures)));
  dialog->pane().TickAll(true);
  platform::SendMessage(dialog->hwnd(), platform::WM_COMMAND, CFTFileSelectDlg::kOK);
  Drain();
  EXPECT_EQ(m_frame->files(), (std::vector<std::u16string>{platform::FromUtf8(pictures + "/a.jpg"),
                                                           platform::FromUtf8(pictures + "/b.jpg")}));
  EXPECT_EQ(m_frame->grid().GetPhotoCount(), 2u);
  EXPECT_FALSE(platform::IsWindowVisible(dialog->hwnd()));
  EXPECT_TRUE(platform::IsWindowEnabled(m_frame->hwnd()));
  // The grid's loader goes on: the photos get their thumbnails.
  EXPECT_FALSE(m_frame->grid().IsLoaderPaused());
  EXPECT_TRUE(RunUntil([&] {
    CPreviewList::Lock lock(m_frame->grid().list().mutex());
    for (const PreviewItemPtr& item : m_frame->grid().list().items()) {
      if (item->thumb.empty()) return false;
    }
    return true;
  }));

  // Asked again, the same dialog shows again.
  ASSERT_EQ(CallInts(u"AddPhoto", {0}), S_OK);
  EXPECT_EQ(m_frame->fileDialog(), dialog);
  EXPECT_TRUE(platform::IsWindowVisible(dialog->hwnd()));
  platform::SendMessage(dialog->hwnd(), platform::WM_COMMAND, CFTFileSelectDlg::kCancel);
  Drain();
  EXPECT_FALSE(platform::IsWindowVisible(dialog->hwnd()));
  EXPECT_TRUE(platform::IsWindowEnabled(m_frame->hwnd()));
}

TEST_F(UploaderFrameTest, TheFrameTakesTheFocusAndItsKeysSelectAll) {
  StartWithServer();
  AddPhotos(2);
  platform::SetFocus(platform::GetParent(m_frame->hwnd()));
  EXPECT_EQ(platform::GetFocus(), m_frame->hwnd());
  platform::SendKeyInput(platform::VK_CONTROL, true);
  platform::SendKeyInput('A', true);
  platform::SendKeyInput('A', false);
  platform::SendKeyInput(platform::VK_CONTROL, false);
  EXPECT_EQ(m_frame->grid().GetSelectedFiles().size(), 2u);
}

}  // namespace
