#pragma once
// Notifications of the upload engine: one record type for every notification, held through a
// reference-counted handle, and the codes.

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "engine/UploadInfo.h"

// Notification codes: ULSTRATEGY_ from the per-file strategy, ULMGR_ from the upload manager's
// compression and upload jobs, ULKERNEL_ from the compression pipeline.
enum : int32_t {
  ULSTRATEGY_UPLOAD_START = 1,        // param: the display name (string)
  ULSTRATEGY_UPLOAD_PROGRESS = 2,     // param: percent sent, 0..100
  ULSTRATEGY_UPLOAD_RESULT = 3,       // param: a copy of the queue record with the answer filled in
  ULMGR_COMPRESS_FAILED = 6,          // param: 0 refused by the queue, 2 no output, else the compression code
  ULMGR_COMPRESS_DONE = 7,            // param: 0
  ULSTRATEGY_UPLOAD_PROGRESS_EX = 8,  // param: UploadProgressEx
  ULMGR_COMPRESS_START = 9,           // no param
  ULMGR_UPLOAD_STARTED = 11,          // param: 0 or the result of the upload call
  ULKERNEL_READ_START = 12,           // param: the photo's path (string)
  ULKERNEL_COMPRESS_START = 13,       // param: the photo's path (string)
};

// The extended progress of one transfer.
struct UploadProgressEx {
  int32_t nPercent = 0;
  int64_t nSentDelta = 0;  // bytes sent since the previous report
  int64_t nTotal = 0;      // bytes of the whole request
  int64_t nElapsedMs = 0;  // since the transfer started
};

// The code-dependent param. Owned objects travel inside the message, so a message that is never
// delivered frees them with it.
using NotifyParam = std::variant<std::monostate, int64_t, std::u16string, UploadInfo, UploadProgressEx>;

struct UploadNotifyMsg {
  std::u16string strFile;  // the file key
  int32_t nCode = 0;
  NotifyParam param;
  // The job that sent it: the upload manager's stamp of one photo's compression and upload jobs,
  // so that a late notification of an earlier job of the same file is told apart; 0 otherwise.
  uint64_t nJob = 0;
};

// The message lives until the last handle goes.
using UploadNotifyHandle = std::shared_ptr<UploadNotifyMsg>;

inline UploadNotifyHandle MakeNotify(std::u16string file, int32_t code, NotifyParam param = {}) {
  return std::make_shared<UploadNotifyMsg>(UploadNotifyMsg{std::move(file), code, std::move(param)});
}
