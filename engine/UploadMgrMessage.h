#pragma once
// What the upload manager posts to its frame: CM_UPLOADMGR, with a code as wParam and a payload
// that the frame owns.
//
//   any notification code   a copy of the notification (UploadMgrNotice), before the manager
//                           handles it; a result (code 3) is passed on only once it is final
//   101 UPLOADMGR_STOPPED   the batch was stopped (no payload)
//   103 UPLOADMGR_PREPARING a photo is handed to compression (UploadMgrFile: the chosen file)
//   104 UPLOADMGR_COMPRESS_ERROR  a photo did not reach the upload (UploadMgrFile: the chosen
//                           file and the code-6 param)
//   106 UPLOADMGR_BATCH_FAILED    the batch ended and some photo failed, or there was nothing to do
//   107 UPLOADMGR_BATCH_DONE      the batch ended and every photo succeeded
//
// A batch that is not stopped ends with exactly one 106 or 107, posted after every other message
// of the batch's photos that counts toward its end.

#include <cstdint>
#include <string>

#include "engine/UploadNotifyMsg.h"
#include "platform/win/Types.h"

constexpr platform::UINT CM_UPLOADMGR = platform::WM_USER + 889;

enum : int32_t {
  UPLOADMGR_STOPPED = 101,
  UPLOADMGR_PREPARING = 103,
  UPLOADMGR_COMPRESS_ERROR = 104,
  UPLOADMGR_BATCH_FAILED = 106,
  UPLOADMGR_BATCH_DONE = 107,
};

// The copy of a notification.
struct UploadMgrNotice : platform::MessagePayload {
  explicit UploadMgrNotice(UploadNotifyMsg message) : message(std::move(message)) {}
  UploadNotifyMsg message;
};

// A photo of the batch, by the file the user chose.
struct UploadMgrFile : platform::MessagePayload {
  UploadMgrFile(std::u16string file, int32_t value) : strFile(std::move(file)), nValue(value) {}
  std::u16string strFile;
  int32_t nValue;
};
