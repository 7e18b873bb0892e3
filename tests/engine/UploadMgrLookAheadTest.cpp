// The upload manager with several photos in compression at once. A held photo stands for one
// whose compression is still reading: its job waits before reading until the test releases it
// (and then fails, finding no picture), so the tests decide when it ends.

#include <algorithm>
#include <filesystem>

#include "control/services/Folders.h"
#include "engine/ThreadPool.h"
#include "engine/UploadMgr.h"
#include "platform/CodePage.h"
#include "platform/win/MessageLoop.h"
#include "tests/engine/UploadMgrFixture.h"
#include "tests/support/HeldReads.h"
#include "tests/support/TestImages.h"
#include "tests/support/WaitUntil.h"

using namespace std::chrono_literals;
using fotaro::AlbumReply;
using fotaro::test::U;

namespace {

class CUploadMgrLookAheadTest : public fotaro::test::CUploadMgrTest {
 protected:
  void SetUp() override {
    // Enough compression workers for the photos a test keeps waiting at once.
    OrniFotaro::CThreadPool::SetOptions({6, std::chrono::minutes(1)});
    CUploadMgrTest::SetUp();
    m_kernel.SetReadHook(m_held.Hook());
  }
  void TearDown() override {
    m_held.ReleaseAll();
    CUploadMgrTest::TearDown();
    OrniFotaro::CThreadPool::SetOptions({});
  }

  // A file in the test folder that is no picture, held before it is read.
  std::u16string Held(const std::string& name) {
    fotaro::test::WriteFile(m_dir.file(name), {'n', 'o'});
    m_held.Hold(U(m_dir.file(name)));
    return U(m_dir.file(name));
  }
  // Lets the compression that reads `file` go on; it then finds no picture.
  void Release(const std::u16string& file) { m_held.Release(file); }
  // Handles the frame's messages until the compression of `file` has begun reading it.
  bool WaitReading(const std::u16string& file) {
    return platform::RunUntil([&] { return m_frame.IndexOf(ULKERNEL_READ_START, file) >= 0; }, 30s);
  }
  fotaro::test::HeldReads m_held;

  // Output files in the working folder.
  static size_t Outputs() {
    std::error_code error;
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(platform::Utf8(fotaro::GetWorkingFolder(false)), error)) {
      count += entry.path().filename().string().rfind("ULKERNEL_", 0) == 0 ? 1 : 0;
    }
    return count;
  }
  // Waits until the working folder holds the outputs of `photos` photos.
  bool WaitOutputs(size_t photos) {
    return fotaro::test::WaitUntil([&] { return Outputs() >= photos * m_kernel.m_mapSpecInfo.size(); }, 30s);
  }
  // The files whose compression outcome (6 or 7) the frame was passed, in arrival order.
  std::vector<std::u16string> Outcomes() const {
    std::vector<std::u16string> files;
    for (const auto& m : m_frame.messages) {
      if (m.notice && (m.code == ULMGR_COMPRESS_FAILED || m.code == ULMGR_COMPRESS_DONE)) files.push_back(m.notice->strFile);
    }
    return files;
  }
};

// Verifies that photos after a slow one are compressed meanwhile, yet enter the queue, are
// uploaded and report their outcome in list order.
TEST_F(CUploadMgrLookAheadTest, LaterPhotosCompressWhileAnEarlierOneReadsAndStillMoveOnInListOrder) {
  m_mgr.SetCompressAhead(4);
  m_queue.SetQueueSize(1);
  const std::u16string slow = Held("a.jpg");
  const std::vector<std::u16string> files = {slow, Photo("b.jpg"), Photo("c.jpg"), Photo("d.jpg")};
  Start(files);
  ASSERT_TRUE(WaitOutputs(3));
  ASSERT_TRUE(WaitReading(slow));
  m_frame.Flush();
  // Every photo was handed over at once; none may pass the first.
  for (const std::u16string& file : files) EXPECT_GE(m_frame.IndexOf(UPLOADMGR_PREPARING, file), 0);
  EXPECT_TRUE(m_server.Requests().empty());
  EXPECT_EQ(m_queue.GetCount(), 0);
  EXPECT_EQ(m_mgr.GetCurrentFile(), slow);

  Release(slow);
  ASSERT_TRUE(m_frame.WaitEnds(1));
  EXPECT_EQ(Outcomes(), files);
  EXPECT_EQ(UploadedNames(), (std::vector<std::string>{"b.jpg", "c.jpg", "d.jpg"}));
  EXPECT_EQ(Errors(), (std::vector<std::pair<int32_t, std::u16string>>{{CUploadMgr::kCompressError, slow}}));
  EXPECT_LT(m_frame.IndexOf(UPLOADMGR_COMPRESS_ERROR, slow), m_frame.IndexOf(ULMGR_COMPRESS_DONE, files[1]));
  EXPECT_EQ(m_frame.Ends(), std::vector<int32_t>{UPLOADMGR_BATCH_FAILED});
  EXPECT_EQ(m_mgr.GetCompleteCount(), 3);
  EXPECT_EQ(m_mgr.GetCompressErrorCount(), 1);
}

// Verifies that a stop with photos waiting for a slot, waiting for their turn and still reading
// counts nothing, leaves no record and no output, and lets every job end.
TEST_F(CUploadMgrLookAheadTest, StopWithCompressionsInFlightCountsNothingAndLeavesNoOutput) {
  AlbumReply held;
  held.holdAnswer = true;
  m_server.SetDefaultReply(held);
  m_mgr.SetCompressAhead(3);
  m_queue.SetQueueSize(1);
  const std::u16string reading = Held("d.jpg");
  Start({Photo("a.jpg"), Photo("b.jpg"), Photo("c.jpg"), reading, Photo("e.jpg")});
  // a is uploading and holds the only slot; b waits for the slot, c for its turn; d reads.
  ASSERT_TRUE(m_server.WaitForArrivals(1, 30s));
  ASSERT_TRUE(WaitOutputs(3));
  ASSERT_TRUE(WaitReading(reading));

  m_mgr.StopUpload();
  Release(reading);
  m_server.ReleaseHeld();
  DrainPools();
  m_frame.Flush();
  EXPECT_GE(m_frame.IndexOf(UPLOADMGR_STOPPED), 0);
  EXPECT_EQ(m_frame.IndexOf(UPLOADMGR_COMPRESS_ERROR), -1);
  EXPECT_EQ(m_frame.IndexOf(UPLOADMGR_PREPARING, U(m_dir.file("e.jpg"))), -1);
  EXPECT_TRUE(m_frame.Ends().empty());
  EXPECT_TRUE(m_frame.Results().empty());
  EXPECT_EQ(m_mgr.GetCompleteCount(), 0);
  EXPECT_EQ(m_mgr.GetCompressErrorCount(), 0);
  EXPECT_EQ(m_server.Arrivals(), 1u);
  EXPECT_EQ(m_queue.GetCount(), 0);
  EXPECT_EQ(Outputs(), 0u);
}

// Verifies that a batch started again right after a stop takes in no outcome of the stopped
// batch's jobs, though they name the same photos and arrive while those are in compression again.
TEST_F(CUploadMgrLookAheadTest, ABatchStartedRightAfterAStopIgnoresTheStoppedJobsOutcomes) {
  m_mgr.SetCompressAhead(3);
  const std::u16string first = Held("a.jpg"), again = Held("z.jpg");
  const std::u16string b = Photo("b.jpg"), c = Photo("c.jpg");
  Start({first, b, c});
  ASSERT_TRUE(WaitOutputs(2));
  ASSERT_TRUE(WaitReading(first));
  m_mgr.StopUpload();

  // The new batch keeps b and c in compression behind a photo that is still being read.
  Start({again, b, c});
  ASSERT_TRUE(WaitReading(again));
  // The stopped jobs of b and c report (refused) now; they are passed on, and delivered once
  // more here, while the new b and c wait for their turn.
  ASSERT_TRUE(platform::RunUntil([&] { return Outcomes().size() >= 2; }, 30s));
  for (const auto& m : std::vector<fotaro::test::FrameWindow::Received>(m_frame.messages)) {
    if (m.notice && m.code == ULMGR_COMPRESS_FAILED) m_mgr.OnUploadNotify(std::make_shared<UploadNotifyMsg>(*m.notice));
  }
  m_frame.Flush();
  EXPECT_EQ(m_frame.IndexOf(UPLOADMGR_COMPRESS_ERROR), -1);
  EXPECT_EQ(m_mgr.GetCompressErrorCount(), 0);

  Release(first);
  Release(again);
  ASSERT_TRUE(m_frame.WaitEnds(1));
  EXPECT_EQ(m_frame.Ends(), std::vector<int32_t>{UPLOADMGR_BATCH_FAILED});
  EXPECT_EQ(Errors(), (std::vector<std::pair<int32_t, std::u16string>>{{CUploadMgr::kCompressError, again}}));
  std::vector<std::string> uploaded = UploadedNames();
  std::sort(uploaded.begin(), uploaded.end());
  EXPECT_EQ(uploaded, (std::vector<std::string>{"b.jpg", "c.jpg"}));
  EXPECT_EQ(m_mgr.GetCompleteCount(), 2);
  EXPECT_EQ(m_mgr.GetCompressErrorCount(), 1);
}

}  // namespace
