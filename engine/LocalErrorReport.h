#pragma once
// Local errors: a worker tells the control that something failed for a file by posting
// CM_FTUPLOADER with code FTUPLOADER_LOCAL_ERROR to the control's window (the one that owns the
// file's uploader); the control fires
// OnSink_LocalError(code, text). The payload is a LocalErrorRecord that the control frees after
// handling (a report to a window that is gone is dropped and freed).

#include <cstdint>
#include <string>

#include "platform/win/MessageLoop.h"

constexpr platform::UINT CM_FTUPLOADER = platform::WM_USER + 12;
constexpr platform::WPARAM FTUPLOADER_LOCAL_ERROR = 12;

// Codes of the upload strategy's reports.
enum : int32_t {
  LOCALERROR_ANSWER_UNPARSED = 1008,  // text: the file key
  LOCALERROR_ANSWER_NOT_XML = 1009,   // text: the server's raw answer, or why it could not be read
};

struct LocalErrorRecord : platform::MessagePayload {
  LocalErrorRecord(std::u16string text, int32_t code) : strText(std::move(text)), nCode(code) {}
  std::u16string strText;
  int32_t nCode;
};

// Posts {text, code} to `control`, or, when that is null, to the process's control window (the one
// CGlobal holds). False when there is no such window.
bool PostLocalError(platform::HWND control, std::u16string text, int32_t code);
