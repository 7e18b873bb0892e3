#include "engine/UploadMgr.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "control/services/Global.h"
#include "tests/engine/UploadMgrFixture.h"

using namespace std::chrono_literals;
using fotaro::AlbumReply;
using fotaro::test::Answer;
using fotaro::test::CUploadMgrTest;
using fotaro::test::U;

namespace {

// Every test of a batch runs with one photo compressed at a time and with three compressed ahead:
// the outcome must be the same.
class CUploadMgrBatchTest : public CUploadMgrTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    CUploadMgrTest::SetUp();
    m_mgr.SetCompressAhead(GetParam());
  }
};

INSTANTIATE_TEST_SUITE_P(CompressAhead, CUploadMgrBatchTest, ::testing::Values(1, 3));

TEST_P(CUploadMgrBatchTest, AFileThatCannotBeCompressedFailsAndTheBatchEndsAfterTheLastResult) {
  const std::u16string broken = File("b.jpg", "not a picture");
  Start({Photo("a.jpg"), broken, Photo("c.jpg")});
  ASSERT_TRUE(m_frame.WaitEnds(1));

  EXPECT_EQ(m_frame.Ends(), std::vector<int32_t>{UPLOADMGR_BATCH_FAILED});
  EXPECT_EQ(m_frame.messages.back().code, UPLOADMGR_BATCH_FAILED);
  std::vector<std::string> uploaded = UploadedNames();
  std::sort(uploaded.begin(), uploaded.end());
  EXPECT_EQ(uploaded, (std::vector<std::string>{"a.jpg", "c.jpg"}));
  EXPECT_EQ(m_frame.Results().size(), 2u);
  EXPECT_EQ(Errors(), (std::vector<std::pair<int32_t, std::u16string>>{{CUploadMgr::kCompressError, broken}}));
  const auto& failure = m_frame.messages[m_frame.IndexOf(UPLOADMGR_COMPRESS_ERROR)];
  EXPECT_EQ(failure.file, broken);
  EXPECT_EQ(failure.value, CULKernel::kCompressFormatError);
  EXPECT_EQ(m_mgr.GetCompleteCount(), 2);
  EXPECT_EQ(m_mgr.GetSuccessCount(), 2);
  EXPECT_EQ(m_mgr.GetCompressErrorCount(), 1);
  EXPECT_TRUE(m_mgr.IsBatchFinished());
  EXPECT_FALSE(m_mgr.IsAllSucceeded());
  EXPECT_FALSE(m_mgr.IsUploading());
}

TEST_P(CUploadMgrBatchTest, ABatchWhoseEveryFileSucceedsEndsWith107AndCountsThePhotos) {
  m_kernel.SetPhotoCount(4);
  m_queue.SetQueueSize(1);
  const std::vector<std::u16string> files = {Photo("a.jpg"), Photo("b.jpg"), Photo("c.jpg")};
  Start(files);
  ASSERT_TRUE(m_frame.WaitEnds(1));

  EXPECT_EQ(m_frame.Ends(), std::vector<int32_t>{UPLOADMGR_BATCH_DONE});
  std::vector<std::u16string> prepared;
  for (const auto& m : m_frame.messages) {
    if (m.code == UPLOADMGR_PREPARING) prepared.push_back(m.file);
  }
  EXPECT_EQ(prepared, files);
  std::vector<std::string> totals;
  for (const auto& request : m_server.Requests()) totals.push_back(request.Field("total"));
  EXPECT_EQ(totals, (std::vector<std::string>{"4", "5", "6"}));
  EXPECT_EQ(m_kernel.m_nPhotoCount, 7);
  EXPECT_TRUE(m_mgr.IsAllSucceeded());
  EXPECT_EQ(m_queue.GetCount(), 0);
  EXPECT_EQ(m_mgr.GetTotalCount(), 3);
}

TEST_P(CUploadMgrBatchTest, AFullAlbumSendsTheLaterFilesToTheNewAlbumWithTheCountStartingAgain) {
  m_kernel.SetPhotoCount(9);
  m_queue.SetQueueSize(1);
  m_server.Script(Answer("<body><Result>-301</Result><AlbumId>album-2</AlbumId></body>"));
  Start({Photo("a.jpg"), Photo("b.jpg"), Photo("c.jpg")});
  ASSERT_TRUE(m_frame.WaitEnds(1));

  std::vector<std::string> sent;
  for (const auto& request : m_server.Requests()) sent.push_back(request.Field("ExtendID") + "/" + request.Field("total"));
  EXPECT_EQ(sent, (std::vector<std::string>{"album-1/9", "album-2/2", "album-2/3"}));
  EXPECT_EQ(m_kernel.m_strExtendID, u"album-2");
  // The photo went to the new album: the batch counts it as uploaded.
  EXPECT_EQ(m_frame.Ends(), std::vector<int32_t>{UPLOADMGR_BATCH_DONE});
}

TEST_P(CUploadMgrBatchTest, RestartUploadTriesATimedOutFileAgainAndSkipsOneThatFailedOtherwise) {
  m_queue.SetQueueSize(1);
  const std::u16string timedOut = Photo("a.jpg"), refused = Photo("b.jpg");
  m_server.Script(Answer("<body><Result>-101</Result><Reason>timeout</Reason></body>"));
  m_server.Script(Answer("<body><Result>-201</Result><Reason>too big</Reason></body>"));
  Start({timedOut, refused});
  ASSERT_TRUE(m_frame.WaitEnds(1));
  EXPECT_EQ(Errors(), (std::vector<std::pair<int32_t, std::u16string>>{{-101, timedOut}, {-201, refused}}));

  m_mgr.RestartUpload();
  ASSERT_TRUE(m_frame.WaitEnds(2));
  EXPECT_EQ(UploadedNames(), (std::vector<std::string>{"a.jpg", "b.jpg", "a.jpg"}));
  // The timed-out file went through this time; the other one still stands as failed.
  EXPECT_EQ(Errors(), (std::vector<std::pair<int32_t, std::u16string>>{{-201, refused}}));
  EXPECT_EQ(m_frame.Ends(), (std::vector<int32_t>{UPLOADMGR_BATCH_FAILED, UPLOADMGR_BATCH_FAILED}));
  EXPECT_EQ(m_mgr.GetSuccessCount(), 1);
  EXPECT_TRUE(m_mgr.IsBatchFinished());
}

TEST_P(CUploadMgrBatchTest, AServerThatAnswers500FailsEveryPhotoAfterItsRetries) {
  CGlobal::Instance().SetRetryTimes(2);
  AlbumReply error;
  error.status = 500;
  error.body = "Internal Server Error";
  m_server.SetDefaultReply(error);
  const std::vector<std::u16string> files = {Photo("a.jpg"), Photo("b.jpg"), Photo("c.jpg")};
  Start(files);
  ASSERT_TRUE(m_frame.WaitEnds(1));

  EXPECT_EQ(m_frame.Ends(), std::vector<int32_t>{UPLOADMGR_BATCH_FAILED});
  EXPECT_EQ(m_server.Requests().size(), 6u);  // two attempts each
  auto errors = Errors();
  std::sort(errors.begin(), errors.end());
  EXPECT_EQ(errors, (std::vector<std::pair<int32_t, std::u16string>>{{-1, files[0]}, {-1, files[1]}, {-1, files[2]}}));
  // Only final results reach the frame.
  EXPECT_EQ(m_frame.Results().size(), 3u);
  EXPECT_EQ(m_queue.GetCount(), 0);
}

TEST_P(CUploadMgrBatchTest, AnAnswerThatMustNotBeTriedAgainEndsItsPhotoAtOnce) {
  CGlobal::Instance().SetRetryTimes(3);
  m_queue.SetQueueSize(1);
  m_server.Script(Answer("<body><Result>-201</Result><Reason>too big</Reason></body>"));
  m_server.Script(Answer("<body><Result>-302</Result><Reason>locked</Reason></body>"));
  Start({Photo("a.jpg"), Photo("b.jpg")});
  ASSERT_TRUE(m_frame.WaitEnds(1));
  std::vector<std::string> uploaded = UploadedNames();
  std::sort(uploaded.begin(), uploaded.end());
  EXPECT_EQ(uploaded, (std::vector<std::string>{"a.jpg", "b.jpg"}));  // once each
  EXPECT_EQ(m_frame.Results().size(), 2u);
}

TEST_P(CUploadMgrBatchTest, StopUploadWhileIdleDoesNothing) {
  const std::u16string photo = Photo("a.jpg");
  ASSERT_TRUE(m_queue.AddFile(photo, photo, {CompressedFileInfo{0, 0, u"FileData", 0, photo, 3, 0}}));
  m_mgr.StopUpload();
  m_frame.Flush();
  EXPECT_TRUE(m_frame.messages.empty());
  EXPECT_EQ(m_queue.GetCount(), 1);  // nothing was cancelled
}

TEST_P(CUploadMgrBatchTest, StopUploadDuringABatchEndsItAndCountsNothingLater) {
  AlbumReply held;
  held.holdAnswer = true;
  m_server.SetDefaultReply(held);
  Start({Photo("a.jpg"), Photo("b.jpg"), Photo("c.jpg"), Photo("d.jpg")});
  ASSERT_TRUE(m_server.WaitForArrivals(2, 30s));

  m_mgr.StopUpload();
  m_server.ReleaseHeld();
  DrainPools();
  m_frame.Flush();
  EXPECT_GE(m_frame.IndexOf(UPLOADMGR_STOPPED), 0);
  EXPECT_TRUE(m_frame.Ends().empty());
  EXPECT_TRUE(m_frame.Results().empty());
  EXPECT_EQ(m_mgr.GetCompleteCount(), 0);
  EXPECT_EQ(m_mgr.GetState(), CUploadMgr::kStateIdle);
  EXPECT_EQ(m_queue.GetCount(), 0);
}

TEST_P(CUploadMgrBatchTest, ManyPhotosNeverHaveMoreRequestsInFlightThanTheQueueHasSlots) {
  std::vector<std::u16string> files;
  for (int i = 0; i < 50; ++i) files.push_back(Photo("p" + std::to_string(i) + ".jpg"));
  m_queue.SetQueueSize(3);
  Start(files);
  ASSERT_TRUE(m_frame.WaitEnds(1));

  EXPECT_EQ(m_frame.Ends(), std::vector<int32_t>{UPLOADMGR_BATCH_DONE});
  EXPECT_EQ(m_server.Requests().size(), 50u);
  EXPECT_LE(m_server.MaxInFlight(), 3);
  EXPECT_EQ(m_mgr.GetSuccessCount(), 50);
  EXPECT_EQ(m_frame.Results().size(), 50u);
}

TEST_P(CUploadMgrBatchTest, NotificationsThatComeAgainOrTooLateChangeNothing) {
  const std::u16string photo = Photo("a.jpg");
  Start({photo});
  ASSERT_TRUE(m_frame.WaitEnds(1));
  const UploadInfo result = m_frame.Results().at(0);

  // The same result, and compression outcomes of a file that has finished.
  m_mgr.OnUploadNotify(MakeNotify(photo, ULSTRATEGY_UPLOAD_RESULT, result));
  m_mgr.OnUploadNotify(MakeNotify(photo, ULMGR_COMPRESS_DONE, int64_t{0}));
  m_mgr.OnUploadNotify(MakeNotify(photo, ULMGR_COMPRESS_FAILED, int64_t{5}));
  m_mgr.OnUploadNotify(MakeNotify(photo, ULMGR_UPLOAD_STARTED, int64_t{1003}));
  m_frame.Flush();
  EXPECT_EQ(m_frame.Ends().size(), 1u);
  EXPECT_EQ(m_mgr.GetCompleteCount(), 1);
  EXPECT_EQ(m_mgr.GetCompressErrorCount(), 0);
  EXPECT_EQ(m_mgr.GetErrorCount(), 0);
  EXPECT_EQ(m_frame.IndexOf(UPLOADMGR_COMPRESS_ERROR), -1);
}

TEST_P(CUploadMgrBatchTest, AnEmptyListEndsAtOnceAndAMissingSettingFailsThePhoto) {
  m_mgr.SetUploadFiles({});
  m_mgr.PrepareUpload();
  m_mgr.StartUpload();
  ASSERT_TRUE(m_frame.WaitEnds(1));
  EXPECT_EQ(m_mgr.GetState(), CUploadMgr::kStateIdle);

  // Without an extend string the upload cannot start: the photo fails with the setting's code.
  m_kernel.m_strExtentStr.clear();
  const std::u16string photo = Photo("a.jpg");
  Start({photo});
  ASSERT_TRUE(m_frame.WaitEnds(2));
  EXPECT_EQ(m_frame.Ends().back(), UPLOADMGR_BATCH_FAILED);
  EXPECT_EQ(Errors(), (std::vector<std::pair<int32_t, std::u16string>>{{1005, photo}}));
  EXPECT_TRUE(m_server.Requests().empty());
  EXPECT_EQ(m_queue.GetCount(), 0);
}

}  // namespace
