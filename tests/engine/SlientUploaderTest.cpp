#include "engine/SlientUploader.h"

#include <gtest/gtest.h>

#include "engine/SilentAnswer.h"
#include "platform/CodePage.h"
#include "platform/win/MessageLoop.h"
#include "tests/engine/BatchFixture.h"
#include "tests/support/TestImages.h"
#include "xml/XmlDocument.h"

using namespace std::chrono_literals;
using fotaro::AlbumReply;
using fotaro::test::Answer;
using fotaro::test::U;

namespace {

constexpr platform::UINT kLookAgain = platform::WM_USER + 1;

// The control: keeps what the silent uploader sends it.
class ControlWindow : public platform::Window {
 public:
  struct Received {
    platform::WPARAM code;
    platform::LPARAM value;
    std::u16string text;
  };
  ~ControlWindow() override { platform::DestroyWindow(hwnd()); }
  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override {
    if (message != CM_SILENTUPLOADER) return 0;
    const auto* text = dynamic_cast<SilentText*>(payload.get());
    received.push_back({wParam, lParam, text ? text->strText : u""});
    // A loop that waits for posted messages handles sent ones on the way without returning: a
    // posted message of its own lets RunUntil look at what arrived.
    platform::PostMessage(hwnd(), kLookAgain);
    return 0;
  }
  // Handles messages until the batch has stopped; false when that took too long.
  bool WaitStopped() {
    return platform::RunUntil([&] { return !Codes(CM_SLIENTUPLOADER_STOPUPLOAD).empty(); }, 60s);
  }
  std::vector<Received> Codes(platform::WPARAM code) const {
    std::vector<Received> out;
    for (const Received& r : received) {
      if (r.code == code) out.push_back(r);
    }
    return out;
  }
  // The children of each answer document's "body", as "name=text" lists.
  std::vector<std::vector<std::string>> Answers() const {
    std::vector<std::vector<std::string>> answers;
    for (const Received& r : Codes(CM_SLIENTUPLOADER_UPLOADRESULT)) {
      std::vector<std::string> fields;
      const auto document = fotaro::XmlDocument::Parse(r.text);
      if (document) {
        document->Root(u"body").ForEachChild([&](const fotaro::XmlElement& element) {
          fields.push_back(platform::Utf8(element.Name()) + "=" + platform::Utf8(element.Text()));
        });
      }
      answers.push_back(fields);
    }
    return answers;
  }

  std::vector<Received> received;
};

class CSlientUploaderTest : public fotaro::test::BatchFixture {
 protected:
  void SetUp() override {
    BatchFixture::SetUp();
    ASSERT_TRUE(m_control.Create());
  }
  void Start(std::vector<std::u16string> paths) {
    m_uploader.SetFiles(&m_kernel, &m_queue, m_control.hwnd(), std::move(paths));
    m_uploader.StartUpload(true);
  }

  ControlWindow m_control;
  CSlientUploader m_uploader;
};

TEST_F(CSlientUploaderTest, AnEmptyListReportsThatThereIsNothingAndStops) {
  Start({});
  ASSERT_EQ(m_control.received.size(), 2u);
  EXPECT_EQ(m_control.received[0].code, CM_SLIENTUPLOADER_ERROR);
  EXPECT_EQ(m_control.received[0].text, u"没有图片可以上传");
  EXPECT_EQ(m_control.received[1].code, CM_SLIENTUPLOADER_STOPUPLOAD);
  EXPECT_FALSE(m_uploader.IsRunning());
}

TEST_F(CSlientUploaderTest, UploadsOneAfterAnotherAndSkipsACancelledFile) {
  const std::u16string a = Photo("a.jpg"), b = Photo("b.jpg"), c = Photo("c.jpg");
  AlbumReply held;
  held.holdAnswer = true;
  m_server.SetDefaultReply(held);
  Start({a, b, c});
  // The first file is taken: the second can still be cancelled, the first no longer.
  EXPECT_TRUE(m_uploader.CancelTask(1));
  EXPECT_FALSE(m_uploader.CancelTask(0));
  EXPECT_FALSE(m_uploader.CancelTask(3));
  m_server.ReleaseHeld();
  ASSERT_TRUE(m_control.WaitStopped());

  EXPECT_EQ(UploadedNames(), (std::vector<std::string>{"a.jpg", "c.jpg"}));
  const auto answers = m_control.Answers();
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0].front(), "Result=0");
  EXPECT_EQ(answers[0].back(), "Filename=" + platform::Utf8(a));
  EXPECT_EQ(answers[1].back(), "Filename=" + platform::Utf8(c));
  std::vector<std::u16string> started;
  for (const auto& r : m_control.Codes(CM_SLIENTUPLOADER_STARTUPLOAD)) started.push_back(r.text);
  EXPECT_EQ(started, (std::vector<std::u16string>{a, c}));
  EXPECT_EQ(m_control.received.back().code, CM_SLIENTUPLOADER_STOPUPLOAD);
  EXPECT_EQ(m_queue.GetCount(), 0);
}

TEST_F(CSlientUploaderTest, AFullAlbumMovesTheNextFileAndAResultBelowMinus400EndsTheBatch) {
  m_kernel.SetPhotoCount(9);
  m_server.Script(Answer("<body><Result>-301</Result><AlbumId>album-2</AlbumId></body>"));
  m_server.Script(Answer("<body><Result>-402</Result><Reason>banned</Reason></body>"));
  Start({Photo("a.jpg"), Photo("b.jpg"), Photo("c.jpg")});
  ASSERT_TRUE(m_control.WaitStopped());

  std::vector<std::string> sent;
  for (const auto& request : m_server.Requests()) sent.push_back(request.Field("ExtendID") + "/" + request.Field("total"));
  EXPECT_EQ(sent, (std::vector<std::string>{"album-1/9", "album-2/2"}));
  const auto answers = m_control.Answers();
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[1], (std::vector<std::string>{"Result=-402", "Reason=banned", "Filename=" + m_dir.file("b.jpg")}));
  // The answer comes first, then the end.
  EXPECT_EQ(m_control.received.back().code, CM_SLIENTUPLOADER_STOPUPLOAD);
  EXPECT_EQ(m_control.Codes(CM_SLIENTUPLOADER_STOPUPLOAD).size(), 1u);
}

TEST_F(CSlientUploaderTest, AFileThatCannotBeCompressedGetsTheFailureDocument) {
  const std::u16string broken = File("broken.jpg", "not a picture");
  Start({broken});
  ASSERT_TRUE(m_control.WaitStopped());
  EXPECT_TRUE(m_server.Requests().empty());
  EXPECT_EQ(m_control.Answers(), (std::vector<std::vector<std::string>>{
                                     {"Filename=" + platform::Utf8(broken), "Result=5", "Reason=文件格式错误"}}));
  EXPECT_EQ(m_control.Codes(CM_SLIENTUPLOADER_UPLOADRESULT)[0].text.rfind(u"<?xml version=\"1.0\" encoding=\"GBK\"?>", 0), 0u);
}

TEST_F(CSlientUploaderTest, AFailedUploadLeavesTheBatchWaitingUntilThePageStopsIt) {
  AlbumReply error;
  error.status = 500;
  error.body = "Internal Server Error";
  m_server.Script(error);
  Start({Photo("a.jpg"), Photo("b.jpg")});
  ASSERT_TRUE(platform::RunUntil([&] { return !m_control.Answers().empty(); }, 60s));
  // The reply was no answer document: the page gets one made from the result, with why.
  const std::string address = m_server.Url().substr(7, m_server.Url().find('/', 7) - 7);
  EXPECT_EQ(m_control.Answers()[0],
            (std::vector<std::string>{"Filename=" + m_dir.file("a.jpg"), "Result=-1", "Reason=The photo has not been uploaded.",
                                      "Detail=Transfer failed (transfer code 2) at " + address +
                                          ": HTTP status 500 Internal Server Error"}));
  EXPECT_TRUE(m_uploader.IsRunning());

  m_uploader.Finish();
  EXPECT_EQ(m_control.received.back().code, CM_SLIENTUPLOADER_STOPUPLOAD);
  EXPECT_FALSE(m_uploader.IsRunning());
  m_uploader.Finish();  // a batch that has ended is not reported again
  EXPECT_EQ(m_control.Codes(CM_SLIENTUPLOADER_STOPUPLOAD).size(), 1u);
  EXPECT_EQ(m_server.Requests().size(), 1u);
}

TEST(SilentAnswerTest, TheServerAnswerKeepsItsChildrenAndGainsTheFileName) {
  fotaro::test::TempDir dir;
  const std::string answer = dir.file("answer.xml");
  const std::string xml = "<body><Result>0</Result><AlbumId>7</AlbumId><Extra>x</Extra></body>";
  fotaro::test::WriteFile(answer, std::vector<uint8_t>(xml.begin(), xml.end()));
  UploadInfo result;
  result.nResult = 0;
  result.strResultFile = U(answer);
  const auto document = fotaro::XmlDocument::Parse(ServerAnswer(u"/p/相片.jpg", result));
  ASSERT_TRUE(document);
  std::vector<std::u16string> names;
  document->Root(u"body").ForEachChild([&](const fotaro::XmlElement& e) { names.push_back(e.Name() + u"=" + e.Text()); });
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Result=0", u"AlbumId=7", u"Extra=x", u"Filename=/p/相片.jpg"}));
  EXPECT_EQ(CompressFailureReason(8), u"文件太大");
  EXPECT_EQ(CompressFailureReason(9), u"");
}

}  // namespace
