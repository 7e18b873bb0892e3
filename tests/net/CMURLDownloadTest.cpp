#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "net/CMURLDownload.h"
#include "platform/CodePage.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Window.h"
#include "tests/net/UploadFixture.h"
#include "tests/support/TempDir.h"
#include "tools/albumserver/AlbumServer.h"

namespace fs = std::filesystem;
using fotaro::AlbumReply;
using fotaro::test::U;

namespace {

// The window a download reports to: it records the messages.
class Receiver : public platform::Window {
 public:
  Receiver() { Create(); }
  ~Receiver() override { platform::DestroyWindow(hwnd()); }
  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>&) override {
    if (message != CM_URLDOWNLOAD) return 0;
    if (wParam == URLDOWNLOAD_PROGRESS) percents.push_back(static_cast<int>(lParam));
    if (wParam == URLDOWNLOAD_FINISHED) finished.push_back(static_cast<int>(lParam));
    return 0;
  }
  // Runs the loop until the download has finished (bounded).
  bool WaitFinished() {
    return platform::RunUntil([this] { return !finished.empty(); }, std::chrono::seconds(20));
  }
  // Handles every message already queued.
  void Drain() {
    platform::Message message;
    while (platform::PeekMessage(message)) platform::DispatchMessage(message);
  }
  std::vector<int> percents;
  std::vector<int> finished;
};

class CMURLDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start());
    ASSERT_TRUE(download_.SetNotifyWnd(receiver_.hwnd()));
  }
  bool Start(const std::string& url) { return download_.Start(U(url).c_str(), U(target_).c_str()); }
  std::string Content() const {
    std::ifstream in(target_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Files the download left in the folder (the target included).
  size_t FilesInFolder() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()));
  }

  fotaro::test::TempDir dir_;
  std::string target_ = dir_.file("WaterPress.png");
  fotaro::AlbumServer server_;
  Receiver receiver_;
  CCMURLDownload download_;
};

TEST_F(CMURLDownloadTest, DownloadsTheFileWithRisingProgress) {
  AlbumReply reply;
  reply.body = "PNG";
  reply.padding = 3 << 20;  // enough for several progress steps
  server_.Script(reply);
  ASSERT_TRUE(Start(server_.Url("/waterpress.png")));
  EXPECT_FALSE(Start(server_.Url("/again.png")));  // one download at a time
  ASSERT_TRUE(receiver_.WaitFinished());
  EXPECT_EQ(receiver_.finished, std::vector<int>{0});
  EXPECT_EQ(Content().size(), 3u + (3u << 20));
  EXPECT_EQ(Content().substr(0, 3), "PNG");
  ASSERT_FALSE(receiver_.percents.empty());
  EXPECT_EQ(receiver_.percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(receiver_.percents.begin(), receiver_.percents.end()));
  EXPECT_EQ(FilesInFolder(), 1u);  // no temporary file left
  ASSERT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(server_.Requests()[0].method, "GET");

  // The object is reused for the next download once its user stopped the finished one.
  EXPECT_TRUE(download_.Stop());
  receiver_.finished.clear();
  ASSERT_TRUE(Start(server_.Url("/next.png")));
  ASSERT_TRUE(receiver_.WaitFinished());
  EXPECT_EQ(receiver_.finished, std::vector<int>{0});
}

TEST_F(CMURLDownloadTest, AnErrorStatusFailsAndLeavesNoFileNotEvenAnOldOne) {
  std::ofstream(target_) << "an earlier download";
  AlbumReply missing;
  missing.status = 404;
  missing.body = "not here";
  server_.Script(missing);
  ASSERT_TRUE(Start(server_.Url("/missing.png")));
  EXPECT_FALSE(fs::exists(target_));  // removed before the download began
  ASSERT_TRUE(receiver_.WaitFinished());
  EXPECT_EQ(receiver_.finished, std::vector<int>{1});
  EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(CMURLDownloadTest, AnAnswerBeyondTheCapFails) {
  AlbumReply huge;
  huge.body = "x";
  huge.padding = CCMURLDownload::kMaxBytes;  // one byte too many, with no length announced
  huge.framing = AlbumReply::Framing::kUntilClose;
  server_.Script(huge);
  ASSERT_TRUE(Start(server_.Url("/huge.png")));
  ASSERT_TRUE(receiver_.WaitFinished());
  EXPECT_EQ(receiver_.finished, std::vector<int>{1});
  EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(CMURLDownloadTest, FollowsARedirectButOnlyToHttp) {
  AlbumReply moved;
  moved.status = 302;
  moved.headers = {{"Location", server_.Url("/moved.png")}};
  AlbumReply file;
  file.body = "moved";
  server_.Script(moved);
  server_.Script(file);
  ASSERT_TRUE(Start(server_.Url("/old.png")));
  ASSERT_TRUE(receiver_.WaitFinished());
  EXPECT_EQ(receiver_.finished, std::vector<int>{0});
  EXPECT_EQ(Content(), "moved");

  download_.Stop();
  receiver_.finished.clear();
  AlbumReply local;
  local.status = 302;
  local.headers = {{"Location", "file:///etc/passwd"}};
  server_.Script(local);
  ASSERT_TRUE(Start(server_.Url("/sneaky.png")));
  ASSERT_TRUE(receiver_.WaitFinished());
  EXPECT_EQ(receiver_.finished, std::vector<int>{1});
  EXPECT_FALSE(fs::exists(target_));
}

TEST_F(CMURLDownloadTest, StoppingAServerThatNeverAnswersSendsNothing) {
  AlbumReply stall;
  stall.holdAnswer = true;
  server_.Script(stall);
  ASSERT_TRUE(Start(server_.Url("/stall.png")));
  ASSERT_TRUE(server_.WaitForArrivals(1, std::chrono::seconds(10)));
  EXPECT_TRUE(download_.Stop());
  // The thread has ended: anything it posted is in the queue now.
  receiver_.Drain();
  EXPECT_TRUE(receiver_.finished.empty());
  EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(CMURLDownloadTest, RefusesToStartWithoutWhatItNeeds) {
  CCMURLDownload unbound;
  EXPECT_FALSE(unbound.Start(u"http://127.0.0.1/", U(target_).c_str()));  // no window to tell
  EXPECT_FALSE(unbound.SetNotifyWnd(nullptr));
  EXPECT_FALSE(download_.Start(nullptr, U(target_).c_str()));
  EXPECT_FALSE(download_.Start(u"", U(target_).c_str()));
  EXPECT_FALSE(download_.Start(U(server_.Url("/x.png")).c_str(), u""));
  // Another scheme starts, and fails without reading anything.
  ASSERT_TRUE(download_.Start(u"file:///etc/hostname", U(target_).c_str()));
  ASSERT_TRUE(receiver_.WaitFinished());
  EXPECT_EQ(receiver_.finished, std::vector<int>{1});
  EXPECT_FALSE(fs::exists(target_));
}

}  // namespace
