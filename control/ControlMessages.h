#pragma once
// The messages that the frames, the grid and the workers send to the control's window, each of
// which the control turns into events of the page (see FotaroEx.h):
//
//   CM_FTUPLOADER      wParam: a code below; lParam or payload per code (posted; code 2 sent)
//   CM_SILENTUPLOADER  the silent uploader's reports (engine/SlientUploader.h; sent)
//   CM_URLDOWNLOAD     the watermark download's progress and end (net/CMURLDownload.h)
//   CM_DATAREPORT      data reports {operation, value} (net/DataReport.h)
//   CM_NOTIFYVIEW      wParam 100: the grid gives up the focus; payload NotifyViewValue
//
// Payloads belong to the message: the control's handler frees them.

#include <cstdint>
#include <string>

#include "engine/LocalErrorReport.h"
#include "engine/SlientUploader.h"
#include "net/CMURLDownload.h"
#include "net/DataReport.h"
#include "platform/win/Types.h"

// CM_FTUPLOADER codes (CM_FTUPLOADER itself and FTUPLOADER_LOCAL_ERROR, code 12, come with the
// local-error report).
enum : platform::WPARAM {
  FTUPLOADER_UPLOADSELECT = 0,       // payload FTUploaderSelection
  FTUPLOADER_UPLOADRESULT = 2,       // payload FTUploaderResultFile, sent while the file exists
  FTUPLOADER_ACTIVEFRAME = 3,        // lParam: the frame
  FTUPLOADER_COMPLETE = 4,           // lParam: 0 done, 1 going on after failures, 2 all uploaded
  FTUPLOADER_PREPARETOUPLOAD = 5,    // lParam: the photos in the grid
  FTUPLOADER_UPLOADPARAMS = 6,       // lParam: a value for the page
  FTUPLOADER_LEAVECONTROL = 7,       // lParam: the answer of the leave question
  FTUPLOADER_PREPARETOADDPHOTO = 8,
  FTUPLOADER_HOWTODRAG = 9,
  FTUPLOADER_SHOWTIMEINFO = 10,      // payload FTUploaderText
  FTUPLOADER_HIDETIMEINFO = 11,
  FTUPLOADER_AXINITED = 15,          // the control's own, at the end of Init
  FTUPLOADER_STARTREADFILE = 17,     // payload FTUploaderText: the file
  FTUPLOADER_STARTCOMPRESS = 18,     // payload FTUploaderText: the file
  FTUPLOADER_STARTUPLOAD = 19,       // payload FTUploaderText: the file
};

constexpr platform::UINT CM_NOTIFYVIEW = platform::WM_USER + 31;
constexpr platform::WPARAM NOTIFYVIEW_GIVEUPFOCUS = 100;

// The grid's photos: their total size in KiB and their number.
struct FTUploaderSelection : platform::MessagePayload {
  FTUploaderSelection(int32_t size, int32_t count) : nSize(size), nCount(count) {}
  int32_t nSize;
  int32_t nCount;
};

// An uploaded photo and the file holding the server's answer.
struct FTUploaderResultFile : platform::MessagePayload {
  FTUploaderResultFile(std::u16string file, std::u16string resultFile)
      : strFile(std::move(file)), strResultFile(std::move(resultFile)) {}
  std::u16string strFile;
  std::u16string strResultFile;
};

struct FTUploaderText : platform::MessagePayload {
  explicit FTUploaderText(std::u16string text) : strText(std::move(text)) {}
  std::u16string strText;
};

struct NotifyViewValue : platform::MessagePayload {
  explicit NotifyViewValue(int32_t value) : nValue(value) {}
  int32_t nValue;
};
