#pragma once
// CCompressItem: the compression job of one photo (pool 2), and CompressJob, the record it runs
// on, which the upload job (CUploadItem) takes over once the photo is in the upload queue.
//
// The job compresses the photo, waits in the queue for a slot and hands the photo to the upload
// pool, telling its owner how it went:
//
//   6 ULMGR_COMPRESS_FAILED  the compression code (1 missing, 5 format error, 8 too large), 2 for
//                            no output at all, or 0 when the queue refused the photo (stopped)
//   7 ULMGR_COMPRESS_DONE    0: compressed and admitted; the upload job is posted
//
// A job with a turn (see engine/CompressAhead.h) compresses at once but waits for its turn before
// it enters the queue or reports a failure, so that photos compressed in parallel still move on
// in the order they were handed over. Its notifications carry the job's stamp.
//
// Outputs that never reach the queue are deleted at once. A job whose batch was cancelled before
// it ran, while it compressed or while it waited, admits nothing and reports 0 (refused).

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/UploadInfo.h"
#include "engine/UploadJobOwner.h"
#include "engine/Worker.h"
#include "platform/sync/Event.h"

class CULData;
class CULKernel;
class CULStrategy;

// Set once for every job of a batch that is cancelled; each batch has its own.
using CancelFlag = std::shared_ptr<std::atomic<bool>>;

struct CompressJob : WorkerData {
  explicit CompressJob(CUploadJobOwner* owner) : pOwner(owner), ownerHold(owner) {}

  // Tells the owner, through the notification pool, how the photo's job went (with the stamp).
  void Notify(int32_t code, int64_t param) const;

  std::u16string strTitle;    // the photo as the user knows it; its file-name part is the upload name
  std::u16string strFileKey;  // the file that is compressed, and the photo's key in the queue
  std::u16string strOrgFile;  // the file as the user chose it
  int32_t nUploadTime = 0;    // the batch stamp sent with the request
  CULKernel* pKernelInfo = nullptr;  // the settings and the compression pipeline (not owned)
  std::shared_ptr<CULStrategy> pStrategy;
  CULData* pULData = nullptr;  // the upload queue (not owned)
  CancelFlag pCancelled;
  uint64_t nJob = 0;                         // put on the job's notifications
  std::shared_ptr<platform::Event> pTurn;  // null: the job need not wait to hand the photo on
  CUploadJobOwner* pOwner;
  CUploadEventReceiver::Hold ownerHold;  // keeps the owner waiting for the job before it goes
};

class CCompressItem : public IWorker {
 public:
  // `data` is the CompressJob.
  void Run(WorkerData* data) override;

  // Deletes the output files of a photo (they live in the working folder).
  static void DeleteOutputs(const std::vector<CompressedFileInfo>& outputs);
};
