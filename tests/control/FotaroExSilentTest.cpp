// The silent upload as the page drives it: a file list or the frame's photos, and the events of
// the batch.

#include <fstream>

#include "engine/ThreadPool.h"
#include "platform/CodePage.h"
#include "tests/control/ControlFixture.h"
#include "tests/support/TestImages.h"
#include "tools/albumserver/AlbumServer.h"

using fotaro::test::ControlTest;
using fotaro::test::DispArgs;
using fotaro::test::SinkEvent;

namespace {

class FotaroExSilentTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    ASSERT_TRUE(m_server.Start());
    for (int pool : {2, 1, 3}) OrniFotaro::CThreadPool::Instance(pool);
  }
  void TearDown() override {
    ControlTest::TearDown();
    OrniFotaro::CThreadPool::FreeInstance(-1);
  }
  std::string Photo(const std::string& name) const {
    fotaro::test::WriteFile(m_env.root().file(name), fotaro::test::TestJpeg(64, 48));
    return m_env.root().file(name);
  }
  // The events of the batch without its progress.
  static std::vector<SinkEvent> Milestones(const std::vector<SinkEvent>& events) {
    std::vector<SinkEvent> kept;
    for (const SinkEvent& event : events) {
      if (event.dispid != DISPID_OnSlientSink_Progress && event.dispid != DISPID_OnSink_AxInited) kept.push_back(event);
    }
    return kept;
  }
  static std::string TextOf(const SinkEvent& event) { return platform::Utf8(std::get<std::u16string>(event.args.at(0))); }

  fotaro::AlbumServer m_server;
};

TEST_F(FotaroExSilentTest, AListFileIsUploadedPhotoByPhotoWithAnAnswerForEach) {
  fotaro::test::TestSink& sink = Advise();
  Start(StartsFrame());
  DispArgs info;
  info.Str(u"10001").Str(u"key").Str(u"album-1").Str(platform::FromUtf8(m_server.Url())).UI4(1000).UI4(0).UI4(90).I4(800).I4(600);
  ASSERT_EQ(Call(u"SetUploadInfo", info), S_OK);
  DispArgs extend;
  ASSERT_EQ(Call(u"SetExtendStr", extend.Str(u"extra")), S_OK);
  const std::string first = Photo("a.jpg"), second = Photo("b.jpg");
  const std::string list = m_env.root().file("list.xml");
  std::ofstream(list) << "<fileList total=\"2\"><file>" << first << "</file><file>" << second << "</file></fileList>";

  DispArgs path;
  ASSERT_EQ(Call(u"SetUploadFilePath", path.Str(platform::FromUtf8(list))), S_OK);
  ASSERT_TRUE(RunUntil([&] { return !sink.received.empty() && sink.received.back().dispid == DISPID_OnSlientSink_StopUpload; }));

  const std::vector<SinkEvent> events = Milestones(sink.received);
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0], (SinkEvent{DISPID_OnSlientSink_StartUpload, {platform::FromUtf8(first)}}));
  EXPECT_EQ(events[1].dispid, DISPID_OnSlientSink_Complete);
  EXPECT_NE(TextOf(events[1]).find("<Filename>" + first + "</Filename>"), std::string::npos) << TextOf(events[1]);
  EXPECT_NE(TextOf(events[1]).find("<Result>0</Result>"), std::string::npos) << TextOf(events[1]);
  EXPECT_EQ(events[2], (SinkEvent{DISPID_OnSlientSink_StartUpload, {platform::FromUtf8(second)}}));
  EXPECT_NE(TextOf(events[3]).find("<Filename>" + second + "</Filename>"), std::string::npos);
  EXPECT_EQ(events[4], (SinkEvent{DISPID_OnSlientSink_StopUpload, {0}}));
  EXPECT_EQ(m_server.Requests().size(), 2u);
}

TEST_F(FotaroExSilentTest, ABatchWithoutPhotosSaysSoAndEnds) {
  fotaro::test::TestSink& sink = Advise();
  DispArgs task;
  EXPECT_EQ(Call(u"StartUploadSliently"), S_OK);  // no frame yet: nothing happens
  EXPECT_EQ(Call(u"CancelOneTask", task.I4(0)), E_FAIL);
  Start(StartsFrame());
  Drain();
  EXPECT_EQ(Call(u"StartUploadSliently"), S_OK);
  const std::vector<SinkEvent> expected = {{DISPID_OnSlientSink_Error, {u"没有图片可以上传"}},
                                           {DISPID_OnSlientSink_StopUpload, {0}}};
  EXPECT_EQ(Milestones(sink.received), expected);
  DispArgs again;
  EXPECT_EQ(Call(u"CancelOneTask", again.I4(0)), E_FAIL);  // nothing waits to be cancelled
}

}  // namespace
