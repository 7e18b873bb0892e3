#pragma once
// CULStrategy: carries one photo of the upload queue through its upload attempts.
//
// Whoever owns the upload (the upload manager, the silent uploader) creates one strategy per file
// with CULStrategyFactory::Create, gives it an owner with SetOwner, and calls Upload on an upload
// worker (pool 0) once the file's record is in the owner's queue. An attempt builds the multipart
// form (see UploadForm.h), starts the transfer and returns at once; the transfer's events then
// arrive on the transfer thread, and the strategy turns them into notifications for its owner,
// each delivered on the notification pool (pool 1):
//
//   1 ULSTRATEGY_UPLOAD_START        the record's display name (string), once per attempt
//   8 ULSTRATEGY_UPLOAD_PROGRESS_EX  UploadProgressEx, whenever more bytes have been sent
//   2 ULSTRATEGY_UPLOAD_PROGRESS     the percent sent (int64), in steps of at least 2, and 100
//   3 ULSTRATEGY_UPLOAD_RESULT       a copy of the queue record with the answer filled in
//
// Every attempt that sends something ends in exactly one code 3, unless it is cancelled or its
// owner has let go of it: with the server's answer classified (see UploadAnswer.h), or with result
// -1 when the transfer failed, could not start or brought no usable answer (an answer that is not
// the expected XML is also reported to the control as local errors 1009 and 1008, see
// LocalErrorReport.h); the record's strFailure then says why, in words (the transfer's failure
// text, see CHttpDownload::GetFailureText). Notifications may overtake each other: a code 2 or 8 can arrive after the
// code 3 of its attempt. Whether to try again is the owner's decision; each attempt takes one of
// the record's retries (never below 0), and answers that must not be retried set them to 0.
//
// Lifetime. A strategy is shared: the owner keeps a reference for as long as it wants the file,
// the jobs that carry the file hold one while they run, and the strategy holds one to itself
// while a transfer runs. So an owner may let go of a strategy at any time (after ResetOwner): a
// running transfer finishes first, and the strategy is destroyed at the end of its completion
// event, on the transfer thread. After that event the transfer thread touches nothing of it.
//
// The owner is not owned and must outlive every use of it. Rule for the owner: before it is
// destroyed it calls Cancel and then ResetOwner on each of its strategies (after ResetOwner no
// notification is addressed to the owner), makes sure that none of its jobs is still inside
// Upload (so the transfer threads are out of the strategies' handlers, see Cancel), and lets the
// notifications already queued for it be delivered or dropped: it waits for every hold on it
// (CUploadEventReceiver::WaitForHolds; jobs and queued notifications hold their receiver), or
// stops the notification pool (OrniFotaro::CThreadPool::FreeInstance(1)).
//
// Threads: Upload on an upload worker (calls for one strategy must not overlap); events on the
// transfer thread; SetOwner, Cancel and ResetOwner from any thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/UploadEventReceiver.h"
#include "engine/UploadForm.h"
#include "net/CMHttpUpload.h"

class CULStrategy : public std::enable_shared_from_this<CULStrategy> {
 public:
  // Results of Upload.
  enum : int32_t {
    ULSTRATEGY_OK = 0,                // an attempt was made (or skipped for the record's delay)
    ULSTRATEGY_NO_FILE_OR_URL = 1101,
    ULSTRATEGY_NO_UIN = 1102,
    ULSTRATEGY_NO_KEY = 1103,
    ULSTRATEGY_NO_EXTEND_ID = 1104,
    ULSTRATEGY_BAD_TOTAL = 1107,
    ULSTRATEGY_BUSY = 1109,           // the previous transfer did not stop; nothing was changed
  };
  // m_State: events are handled only while uploading.
  enum : int32_t { kStateIdle = 0, kStateUploading = 2 };

  ~CULStrategy() = default;
  CULStrategy(const CULStrategy&) = delete;
  CULStrategy& operator=(const CULStrategy&) = delete;

  // The receiver of the notifications, and of the queue the file's record is in.
  void SetOwner(CUploadEventReceiver* owner);

  // Validates the arguments (in this order: file key and URL, user number, session key, extend id,
  // total) and makes one attempt for the record `fileKey` of the owner's queue. `title` names the
  // photo as the user knows it; its file-name part is the upload name. `total` is the running
  // photo count of the album and `uploadTime` the batch stamp, both sent with the request. The
  // extend string may be empty.
  //
  // The attempt: a record with a delay has it moved into the pending delay and is skipped, with
  // no notification (whoever set the delay posts the upload again); otherwise one retry is taken
  // from the record, the form is built, code 1 is posted and the transfer starts. With no owner,
  // queue or record the attempt does nothing. A transfer of an earlier attempt that still runs is
  // stopped first (ends with its own code 3); ULSTRATEGY_BUSY, with nothing changed, when it does
  // not stop within the transfer's stop bound.
  int32_t Upload(const std::u16string& title, const std::u16string& fileKey, const std::u16string& url,
                 const std::u16string& uin, const std::u16string& key, const std::u16string& extendId,
                 const std::u16string& extendStr, int32_t total, int32_t uploadTime);

  // Stops the transfer and drops the rest of the current attempt: once Cancel has returned, no
  // notification of it is posted any more. When Cancel overlaps an Upload call (or another Cancel),
  // that call does the stopping, and the guarantee holds once it has returned too; an Upload call
  // that starts while a Cancel is stopping the transfer makes no attempt. A later Upload starts a
  // new attempt.
  void Cancel();
  // Detaches the owner: nothing reaches it any more. The owner calls it, normally after Cancel,
  // for each of its strategies when it no longer wants the file or goes away.
  void ResetOwner();

  // The handler of the transfer's events (subscribed for the strategy's whole life).
  void OnCM_Upload(const tagEvent* event);

  int32_t GetState() const { return m_State.load(); }
  // The delay of the last attempt that was skipped for one (0 after Cancel).
  uint32_t GetPendingDelay() const { return m_dwPendingDelay.load(); }

 private:
  friend class CULStrategyFactory;
  explicit CULStrategy(uint32_t id);

  // Upload once the arguments are valid and the uploader is this call's.
  int32_t StartAttempt(const std::u16string& title, const std::u16string& fileKey, const std::u16string& url,
                       UploadAccount account);
  // One attempt, on the caller's thread.
  void RunAttempt();
  // Ends Upload's use of the uploader, stopping the transfer if a Cancel asked for it meanwhile.
  void ReleaseUploader();
  void OnProgress(int64_t sent, int64_t total);
  // The answer of a transfer that ended: code 3 with the parsed answer, or the failure path.
  void Upload_Complete(const tagEvent& event);
  // Code 3 with result -1 for the current record, so that a failed attempt still ends; `why` says
  // what went wrong (UploadInfo::strFailure).
  void FailAttempt(std::u16string why);
  // A new answer file in the working folder, unique among processes, strategies and attempts.
  std::u16string NextResultFile() const;
  void Notify(int32_t code, NotifyParam param);
  CULData* OwnerQueue() const;

  std::atomic<int32_t> m_State{kStateIdle};
  const uint32_t m_nId;  // distinct among the process's strategies

  // The attempt's inputs: written by Upload while no transfer of this strategy runs, read by the
  // transfer thread it then starts.
  std::u16string m_strTitle;
  std::u16string m_strFileKey;
  std::u16string m_strURL;
  UploadAccount m_account;
  std::atomic<uint32_t> m_dwPendingDelay{0};

  std::atomic<CUploadEventReceiver*> m_pOwner{nullptr};

  // Progress of the running transfer: set by the attempt before the transfer starts, then used
  // only by the transfer thread.
  int32_t m_nLastPercent = 0;
  int64_t m_nLastBytes = 0;
  int64_t m_nStartTick = 0;

  // Keeps the strategy alive while a transfer runs: set before the transfer starts, given up by
  // its completion event.
  std::shared_ptr<CULStrategy> m_pSelf;
  // Set while a transfer's thread may still use the attempt's inputs and m_pSelf; cleared as the
  // last step of its completion event.
  std::atomic<bool> m_bTransferRunning{false};

  // Who uses the uploader's controls, which must not start and stop a transfer on two threads at
  // once: an Upload call or a Cancel. A Cancel that finds an Upload call using it leaves kStopAsked
  // for that call; a Cancel that finds another Cancel leaves the stop to it.
  enum : uint32_t { kUsedByUpload = 1, kUsedByCancel = 2, kStopAsked = 4 };
  std::atomic<uint32_t> m_nUploaderUse{0};

  // Declared last, destroyed first: no event reaches a strategy whose members are going.
  CCMHttpUpload m_uploader;
};

// The process-wide strategy factory: strategies are made under the factory lock, each with its own
// number.
class CULStrategyFactory {
 public:
  static std::shared_ptr<CULStrategy> Create();
};
