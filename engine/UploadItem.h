#pragma once
// CUploadItem: the upload job of one photo (pool 0), posted by the compression job once the photo
// is in the upload queue. It checks the account its owner gives it (in this order, a later failing
// check replacing the code of an earlier one: user number 1003, session key 1004, album id or
// extend string 1005, upload address 1006), makes one attempt with the photo's strategy, and tells
// the owner how the attempt started:
//
//   11 ULMGR_UPLOAD_STARTED  0, or the account code, or the strategy's result (engine/ULStrategy.h)
//
// A job whose batch was cancelled does nothing. The owner posts the job again to try a photo once
// more (see CUploadMgr).

#include "engine/Worker.h"

class CUploadItem : public IWorker {
 public:
  // `data` is the photo's CompressJob.
  void Run(WorkerData* data) override;
};
