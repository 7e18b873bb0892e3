#include "engine/ULData.h"

#include <gtest/gtest.h>

#include <fstream>
#include <future>

#include "control/services/Global.h"
#include "platform/CodePage.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/TempDir.h"

using namespace std::chrono_literals;
using fotaro::test::WaitUntil;

namespace {

class CULDataTest : public ::testing::Test {
 protected:
  // A photo file that exists, named after `title`.
  std::u16string Photo(const std::u16string& title) {
    const std::string path = dir_.file(platform::Utf8(title) + ".jpg");
    std::ofstream(path) << "photo";
    return platform::FromUtf8(path);
  }

  bool Add(const std::u16string& title, std::vector<CompressedFileInfo> parts = {}) {
    return queue_.AddFile(title, Photo(title), parts);
  }

  // Adds `title` on another thread; the caller blocks there until it gets a slot or is released.
  std::future<bool> AddLater(const std::u16string& title) {
    const std::u16string path = Photo(title);
    return std::async(std::launch::async, [this, title, path] { return queue_.AddFile(title, path, {}); });
  }

  static bool Finishes(std::future<bool>& call) { return call.wait_for(10s) == std::future_status::ready; }

  fotaro::test::TempDir dir_;
  CULData queue_;
};

CompressedFileInfo Part(int32_t spec, int32_t size) {
  CompressedFileInfo part;
  part.nSpec = spec;
  part.strSpecString = spec == 0 ? u"FileData" : u"ThumbData";
  part.strFilePath = u"/tmp/part";
  part.nFileSize = size;
  return part;
}

TEST_F(CULDataTest, AddFileRecordsThePhotoAndRefusesBadInputWithoutWaiting) {
  queue_.SetQueueSize(1);
  ASSERT_TRUE(Add(u"a", {Part(0, 100), Part(1, 10)}));
  ASSERT_EQ(queue_.GetFreeSlots(), 0);

  const std::optional<UploadInfo> info = queue_.GetInfo(u"a");
  ASSERT_TRUE(info);
  EXPECT_EQ(info->strTitle, u"a");
  EXPECT_EQ(info->strDisplayName, u"a");
  EXPECT_EQ(info->strSourcePath, Photo(u"a"));
  EXPECT_EQ(info->nRetriesLeft, 3);
  EXPECT_FALSE(info->bDone);
  EXPECT_EQ(info->strReason, IDS_NOT_UPLOADED);
  EXPECT_EQ(info->nResult, -1);
  ASSERT_EQ(info->vecParts.size(), 2u);
  EXPECT_EQ(info->vecParts[1].strSpecString, u"ThumbData");
  EXPECT_FALSE(queue_.GetInfo(u"A"));  // keys compare case-sensitively

  // No slot is free, so any of these would block if it waited.
  auto refused = std::async(std::launch::async, [this] {
    const std::u16string folder = platform::FromUtf8(dir_.path());
    return queue_.AddFile(u"missing", folder + u"/missing.jpg", {}) || queue_.AddFile(u"folder", folder, {}) ||
           queue_.AddFile(u"", Photo(u"b"), {}) || queue_.AddFile(u"b", u"", {});
  });
  ASSERT_TRUE(Finishes(refused));
  EXPECT_FALSE(refused.get());
  EXPECT_EQ(queue_.GetCount(), 1);
}

TEST_F(CULDataTest, RecordsTakeTheProcessRetryCount) {
  CGlobal& global = CGlobal::Instance();
  global.SetRetryTimes(5);
  ASSERT_TRUE(Add(u"five"));
  global.SetRetryTimes(0);  // reads as 3
  ASSERT_TRUE(Add(u"three"));
  global.SetRetryTimes(1000);  // more than a record can count
  ASSERT_TRUE(Add(u"many"));
  global.SetRetryTimes(3);
  EXPECT_EQ(queue_.GetInfo(u"five")->nRetriesLeft, 5);
  EXPECT_EQ(queue_.GetInfo(u"three")->nRetriesLeft, 3);
  EXPECT_EQ(queue_.GetInfo(u"many")->nRetriesLeft, 255);
}

TEST_F(CULDataTest, SizeChangeRebuildsTheGateAroundTheAdmittedPhotos) {
  // Shrinking to 1 while a photo is pending leaves no free slot: the next caller waits for it.
  ASSERT_TRUE(Add(u"a"));
  queue_.SetQueueSize(1);
  auto b = AddLater(u"b");
  ASSERT_TRUE(WaitUntil([&] { return queue_.GetFreeSlots() == 0 && queue_.GetWaitingCount() == 1; }));
  EXPECT_EQ(queue_.GetCount(), 1);
  queue_.RemoveInfo(u"a");
  ASSERT_TRUE(Finishes(b));
  EXPECT_TRUE(b.get());
  EXPECT_FALSE(queue_.GetInfo(u"a"));
  EXPECT_EQ(queue_.GetFreeSlots(), 0);
  queue_.RemoveInfo(u"b");
  EXPECT_EQ(queue_.GetFreeSlots(), 1);

  // With size 1, a removal gives the slot back only once nothing is pending.
  queue_.SetQueueSize(3);
  ASSERT_TRUE(Add(u"c"));
  ASSERT_TRUE(Add(u"d"));
  queue_.SetQueueSize(1);
  auto e = AddLater(u"e");
  ASSERT_TRUE(WaitUntil([&] { return queue_.GetFreeSlots() == 0 && queue_.GetWaitingCount() == 1; }));
  queue_.RemoveInfo(u"c");
  EXPECT_EQ(queue_.GetFreeSlots(), 0);
  EXPECT_EQ(queue_.GetWaitingCount(), 1);
  queue_.RemoveInfo(u"d");
  ASSERT_TRUE(Finishes(e));
  EXPECT_TRUE(e.get());
  EXPECT_EQ(queue_.GetCount(), 1);

  // Growing gives the new slots beside the pending photo, not a full set on top of it.
  queue_.SetQueueSize(3);
  ASSERT_TRUE(Add(u"f"));
  EXPECT_EQ(queue_.GetFreeSlots(), 1);
  EXPECT_EQ(queue_.GetCount(), 2);

  // Sizes below 1 are ignored.
  queue_.SetQueueSize(0);
  queue_.SetQueueSize(-2);
  EXPECT_EQ(queue_.GetQueueSize(), 3);
}

TEST_F(CULDataTest, StopReleasesEveryBlockedCallerAndLaterCallersWaitNormally) {
  queue_.SetQueueSize(1);
  ASSERT_TRUE(Add(u"a"));
  auto b = AddLater(u"b");
  auto c = AddLater(u"c");
  ASSERT_TRUE(WaitUntil([&] { return queue_.GetWaitingCount() == 2; }));
  queue_.Stop();
  ASSERT_TRUE(Finishes(b));
  ASSERT_TRUE(Finishes(c));
  EXPECT_FALSE(b.get());
  EXPECT_FALSE(c.get());
  EXPECT_EQ(queue_.GetCount(), 1);
  EXPECT_EQ(queue_.GetWaitingCount(), 0);

  auto d = AddLater(u"d");
  ASSERT_TRUE(WaitUntil([&] { return queue_.GetWaitingCount() == 1; }));
  queue_.RemoveInfo(u"a");
  ASSERT_TRUE(Finishes(d));
  EXPECT_TRUE(d.get());

  // Destroying the queue releases its blocked callers before it goes.
  auto doomed = std::make_unique<CULData>();
  doomed->SetQueueSize(1);
  ASSERT_TRUE(doomed->AddFile(u"x", Photo(u"x"), {}));
  auto y = std::async(std::launch::async, [queue = doomed.get(), path = Photo(u"y")] { return queue->AddFile(u"y", path, {}); });
  ASSERT_TRUE(WaitUntil([&] { return doomed->GetWaitingCount() == 1; }));
  doomed.reset();
  ASSERT_TRUE(Finishes(y));
  EXPECT_FALSE(y.get());
}

TEST_F(CULDataTest, SetDelayTimeSetsTheIndexAndEveryLaterRecord) {
  ASSERT_TRUE(Add(u"a"));
  ASSERT_TRUE(Add(u"b"));
  ASSERT_TRUE(Add(u"c"));
  EXPECT_FALSE(queue_.SetDelayTime(0, 5));
  EXPECT_FALSE(queue_.SetDelayTime(-1, 5));
  EXPECT_FALSE(queue_.SetDelayTime(4, 5));
  for (const char16_t* title : {u"a", u"b", u"c"}) EXPECT_EQ(queue_.GetInfo(title)->dwDelay, 0u);

  EXPECT_TRUE(queue_.SetDelayTime(2, 7));
  EXPECT_TRUE(queue_.SetDelayTime(3, 9));
  EXPECT_EQ(queue_.GetInfo(u"a")->dwDelay, 0u);
  EXPECT_EQ(queue_.GetInfo(u"b")->dwDelay, 7u);
  EXPECT_EQ(queue_.GetInfo(u"c")->dwDelay, 9u);
}

TEST_F(CULDataTest, SizesProgressAndFinishedState) {
  ASSERT_TRUE(Add(u"a", {Part(0, 2), Part(1, 1)}));
  ASSERT_TRUE(Add(u"b", {Part(0, 3)}));
  EXPECT_EQ(queue_.GetTotalSize(), 6);

  // Each record's share is truncated on its own: 1.5 + 1.5 sends 2 bytes, not 3.
  queue_.SetProgress(u"a", 50);
  queue_.SetProgress(u"b", 50);
  EXPECT_EQ(queue_.GetSentSize(), 2);
  queue_.SetProgress(u"b", 150);
  EXPECT_EQ(queue_.GetProgress(u"b"), 100);
  queue_.SetProgress(u"nobody", 70);
  EXPECT_EQ(queue_.GetProgress(u"nobody"), 0);
  EXPECT_EQ(queue_.GetSentSize(), 4);

  EXPECT_FALSE(queue_.IsAllFinished());
  EXPECT_TRUE(queue_.UpdateInfo(u"a", [](UploadInfo& info) { info.bDone = true; }));
  EXPECT_FALSE(queue_.IsAllFinished());
  EXPECT_TRUE(queue_.UpdateInfo(u"b", [](UploadInfo& info) { info.nRetriesLeft = 0; }));
  EXPECT_TRUE(queue_.IsAllFinished());
  EXPECT_EQ(queue_.GetDoneCount(), 1);
  EXPECT_FALSE(queue_.UpdateInfo(u"nobody", [](UploadInfo&) { ADD_FAILURE(); }));

  queue_.Clear();
  EXPECT_EQ(queue_.GetCount(), 0);
  EXPECT_EQ(queue_.GetTotalSize(), 0);
  EXPECT_EQ(queue_.GetFreeSlots(), 3);
  EXPECT_TRUE(queue_.IsAllFinished());
}

}  // namespace
