#include "tests/ui/FrameFixture.h"

#include "control/services/Global.h"
#include "engine/ThreadPool.h"
#include "platform/CodePage.h"
#include "platform/win/MessageLoop.h"
#include "tests/support/TestImages.h"
#include "ui/PreviewMessages.h"

namespace fotaro::test {

FrameSet FrameTest::MakeFrames() {
  FrameSet frames = CreateFrames();
  m_frame = dynamic_cast<CFTUploader*>(frames.main.get());
  m_kestrel = dynamic_cast<CKestrelUploaderDlg*>(frames.second.get());
  return frames;
}

void FrameTest::SetUp() {
  ControlTest::SetUp();
  ASSERT_TRUE(m_frame && m_kestrel);
  ASSERT_TRUE(m_server.Start());
  CCMMessageDlg::SetShownHook([this](CCMMessageDlg& dialog) {
    m_asked.push_back({dialog.caption(), dialog.text(), dialog.buttons(), dialog.linkText()});
    if (m_inspect) m_inspect(dialog);
    if (m_answers.empty()) {
      ADD_FAILURE() << "a dialog nobody answers: " << platform::Utf8(dialog.text());
      dialog.Close();
      return;
    }
    const int answer = m_answers.front();
    m_answers.pop_front();
    if (answer == kClose) {
      dialog.Close();
    } else {
      dialog.Press(answer);
    }
  });
}

void FrameTest::TearDown() {
  ControlTest::TearDown();
  CCMMessageDlg::SetShownHook(nullptr);
  EXPECT_TRUE(m_answers.empty()) << "answers left for dialogs that did not show";
  OrniFotaro::CThreadPool::FreeInstance(-1);
  CGlobal::Instance().SetRetryTimes(3);
}

void FrameTest::StartWithServer(const std::vector<Param>& params) {
  Start(params);
  GiveAccount(m_server.Url());
}

void FrameTest::GiveAccount(const std::string& url) {
  DispArgs info;
  info.Str(u"10001").Str(u"key").Str(u"album-1").Str(platform::FromUtf8(url)).UI4(1000).UI4(0).UI4(90).I4(800).I4(600);
  ASSERT_EQ(Call(u"SetUploadInfo", info), S_OK);
  DispArgs extend;
  ASSERT_EQ(Call(u"SetExtendStr", extend.Str(u"extra")), S_OK);
}

std::vector<std::u16string> FrameTest::AddPhotos(size_t count, CUploaderFrame* frame) {
  if (!frame) frame = m_frame;
  std::vector<std::u16string> photos;
  const std::vector<uint8_t> jpeg = TestJpeg(64, 48);
  for (size_t i = 0; i < count; ++i) {
    const std::string path = m_env.root().file("photo" + std::to_string(++m_nPhotos) + ".jpg");
    WriteFile(path, jpeg);
    photos.push_back(platform::PathFromBytes(path));
  }
  platform::SendMessage(frame->hwnd(), CM_CMPREVIEW, CMT_UPLOADPREVIEW_ADDFILES, reinterpret_cast<platform::LPARAM>(&photos));
  return photos;
}

void FrameTest::Answer(std::vector<int> answers, Inspect inspect) {
  m_answers.assign(answers.begin(), answers.end());
  m_inspect = std::move(inspect);
}

bool FrameTest::RunUntilEvent(TestSink& sink, DISPID dispid) {
  return RunUntil([&] { return Count(sink, dispid) > 0; });
}

int FrameTest::Count(const TestSink& sink, DISPID dispid) {
  int count = 0;
  for (const SinkEvent& event : sink.received) count += event.dispid == dispid;
  return count;
}

SinkEvent FrameTest::Last(const TestSink& sink, DISPID dispid) {
  for (auto it = sink.received.rbegin(); it != sink.received.rend(); ++it) {
    if (it->dispid == dispid) return *it;
  }
  return SinkEvent{dispid, {}};
}

HRESULT FrameTest::CallInts(std::u16string_view name, std::vector<int32_t> values) {
  DispArgs args;
  for (int32_t value : values) args.I4(value);
  return Call(name, args);
}

}  // namespace fotaro::test
