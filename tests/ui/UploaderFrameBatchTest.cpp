// The frames' batches end to end, headless: photos added to the grid, uploaded to the album
// server, the server's answers shown on the photos, the questions the user answers, and the events
// the page hears.


#include "platform/CodePage.h"
#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/SyntheticInput.h"
#include "tests/ui/FrameFixture.h"
#include "ui/FrameTexts.h"

using fotaro::test::DispArgs;
using fotaro::test::FrameTest;
using fotaro::test::SinkEvent;

namespace {

using UploaderFrameBatchTest = FrameTest;


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

}  // namespace
