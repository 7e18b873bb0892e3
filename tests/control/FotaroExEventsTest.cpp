// The control's events: what the messages of the frames, the grid and the workers fire, and how
// the sinks receive them.

#include <fstream>

#include "control/ControlMessages.h"
#include "control/services/Global.h"
#include "platform/CodePage.h"
#include "platform/win/MessageLoop.h"
#include "tests/control/ControlFixture.h"

using fotaro::test::ControlTest;
using fotaro::test::SinkEvent;
using fotaro::test::TestSink;

namespace {

class FotaroExEventsTest : public ControlTest {
 protected:
  platform::HWND Window() const { return CGlobal::Instance().GetControlWnd(); }
  void Post(platform::WPARAM code, platform::LPARAM value = 0, std::unique_ptr<platform::MessagePayload> payload = nullptr) {
    ASSERT_TRUE(platform::PostMessage(Window(), CM_FTUPLOADER, code, value, std::move(payload)));
  }
  void Report(int32_t operation, int32_t value) { ASSERT_TRUE(PostDataReport(Window(), operation, value)); }
  void Silent(platform::WPARAM code, platform::LPARAM value, const std::u16string& text = u"") {
    platform::SendMessage(Window(), CM_SILENTUPLOADER, code, value, std::make_unique<SilentText>(text));
  }
};

TEST_F(FotaroExEventsTest, EveryEventReachesEverySinkInConnectionOrder) {
  TestSink& failing = Advise(E_FAIL);
  TestSink& second = Advise();
  Start(StartsFrame());
  const std::string answer = m_env.root().file("answer.xml");
  std::ofstream(answer) << "<body><Result>0</Result></body>";

  Post(FTUPLOADER_UPLOADSELECT, 0, std::make_unique<FTUploaderSelection>(2048, 3));
  Drain();  // a sent message is handled at once, before what is queued
  // A result file that does not exist fires nothing; the one that does is read whole.
  platform::SendMessage(Window(), CM_FTUPLOADER, FTUPLOADER_UPLOADRESULT, 0,
                        std::make_unique<FTUploaderResultFile>(u"a.jpg", u"/nonexistent/answer.xml"));
  platform::SendMessage(Window(), CM_FTUPLOADER, FTUPLOADER_UPLOADRESULT, 0,
                        std::make_unique<FTUploaderResultFile>(u"a.jpg", platform::FromUtf8(answer)));
  Post(FTUPLOADER_ACTIVEFRAME, 1);
  Post(FTUPLOADER_PREPARETOUPLOAD, 4);
  Post(FTUPLOADER_UPLOADPARAMS, 9);
  Post(FTUPLOADER_LEAVECONTROL, 1);
  Post(FTUPLOADER_PREPARETOADDPHOTO);
  Post(FTUPLOADER_HOWTODRAG);
  Post(FTUPLOADER_SHOWTIMEINFO, 0, std::make_unique<FTUploaderText>(u"剩余 2 分钟"));
  Post(FTUPLOADER_HIDETIMEINFO);
  Post(FTUPLOADER_LOCAL_ERROR, 0, std::make_unique<LocalErrorRecord>(u"a.jpg", 1009));
  Post(FTUPLOADER_STARTREADFILE, 0, std::make_unique<FTUploaderText>(u"a.jpg"));
  Post(FTUPLOADER_STARTCOMPRESS, 0, std::make_unique<FTUploaderText>(u"a.jpg"));
  Post(FTUPLOADER_STARTUPLOAD, 0, std::make_unique<FTUploaderText>(u"a.jpg"));
  for (int32_t operation = 7; operation <= 12; ++operation) Report(operation, operation == 12 ? 25 : 1);
  ASSERT_TRUE(platform::PostMessage(Window(), CM_NOTIFYVIEW, 99, 0, std::make_unique<NotifyViewValue>(100)));
  ASSERT_TRUE(platform::PostMessage(Window(), CM_NOTIFYVIEW, NOTIFYVIEW_GIVEUPFOCUS, 0, std::make_unique<NotifyViewValue>(100)));
  Drain();
  Silent(CM_SLIENTUPLOADER_STARTUPLOAD, 0, u"/photos/b.jpg");
  Silent(CM_SLIENTUPLOADER_PROGRESS, 50);
  Silent(5, 0, u"ignored");
  Silent(CM_SLIENTUPLOADER_UPLOADRESULT, 0, u"<body/>");
  Silent(CM_SLIENTUPLOADER_ERROR, 0, u"没有图片可以上传");
  Silent(CM_SLIENTUPLOADER_STOPUPLOAD, 0);

  const std::vector<SinkEvent> expected = {
      {DISPID_OnSink_AxInited, {}},
      {DISPID_OnSink_UploadSelect, {2048, 3}},  // (size, count), though rgvarg holds them reversed
      {DISPID_OnSink_UploadResult, {u"<body><Result>0</Result></body>", u"a.jpg"}},
      {DISPID_OnSink_ActiveFrame, {1}},
      {DISPID_OnSink_PrepareToUpload, {4}},
      {DISPID_OnSink_UploadParams, {9}},
      {DISPID_OnSink_LeaveControl, {1}},
      {DISPID_OnSink_PrepareToAddPhoto, {}},
      {DISPID_OnSink_HowToDrag, {}},
      {DISPID_OnSink_ShowTimeInfo, {u"剩余 2 分钟"}},
      {DISPID_OnSink_HideTimeInfo, {}},
      {DISPID_OnSink_LocalError, {1009, u"a.jpg"}},
      {DISPID_OnSink_StartReadFile, {u"a.jpg"}},
      {DISPID_OnSink_StartCompress, {u"a.jpg"}},
      {DISPID_OnSink_StartUpload, {u"a.jpg"}},
      {DISPID_OnSink_DataReport, {u"opt_openbig", 1}},
      {DISPID_OnSink_DataReport, {u"opt_selectbig", 1}},
      {DISPID_OnSink_DataReport, {u"opt_selectall", 1}},
      {DISPID_OnSink_DataReport, {u"opt_dragsort", 1}},
      {DISPID_OnSink_DataReport, {u"opt_solveblocking", 1}},
      {DISPID_OnSink_DataReport, {u"cms_createthumb", 25}},
      {DISPID_OnSink_GiveupFocus, {}},
      {DISPID_OnSlientSink_StartUpload, {u"/photos/b.jpg"}},
      {DISPID_OnSlientSink_Progress, {50}},
      {DISPID_OnSlientSink_Complete, {u"<body/>"}},
      {DISPID_OnSlientSink_Error, {u"没有图片可以上传"}},
      {DISPID_OnSlientSink_StopUpload, {0}},
  };
  EXPECT_EQ(failing.received, expected);
  EXPECT_EQ(second.received, expected);
}

TEST_F(FotaroExEventsTest, TheTotalsOfABatchAccumulateAndStartAgainAfterItsEnd) {
  TestSink& sink = Advise();
  Start(StartsFrame());
  Report(3, 1);
  Report(4, 2);
  Report(5, 2);
  Report(5, 3);
  Report(6, 4);
  Post(FTUPLOADER_COMPLETE, 0);  // done: the totals, then complete
  Post(FTUPLOADER_COMPLETE, 1);  // going on after failures: the totals only
  Report(6, 1);
  Post(FTUPLOADER_COMPLETE, 2);  // all uploaded
  Drain();
  const std::vector<SinkEvent> expected = {
      {DISPID_OnSink_AxInited, {}},
      {DISPID_OnSink_UploadOver, {1, 2, 5, 4}},
      {DISPID_OnSink_UploadComplete, {}},
      {DISPID_OnSink_UploadOver, {0, 0, 0, 0}},
      {DISPID_OnSink_UploadOver, {0, 0, 0, 1}},
      {DISPID_OnSink_UploadAllSuccessful, {}},
  };
  EXPECT_EQ(sink.received, expected);
}

TEST_F(FotaroExEventsTest, WithoutAFrameOnlyTheEndOfInitFires) {
  TestSink& sink = Advise();
  Start({{u"EditMaxWidth", 600}, {u"EditMaxHeight", 400}, {u"FrameType", -1}, {u"ActiveFrame", -1}});
  ASSERT_FALSE(m_main->IsFrameCreated());
  Post(FTUPLOADER_UPLOADSELECT, 0, std::make_unique<FTUploaderSelection>(1, 1));
  Post(FTUPLOADER_COMPLETE, 0);
  Report(9, 1);
  ASSERT_TRUE(platform::PostMessage(Window(), CM_NOTIFYVIEW, NOTIFYVIEW_GIVEUPFOCUS, 0, std::make_unique<NotifyViewValue>(100)));
  Drain();
  Silent(CM_SLIENTUPLOADER_PROGRESS, 10);
  EXPECT_EQ(sink.Ids(), std::vector<DISPID>{DISPID_OnSink_AxInited});
}

}  // namespace
