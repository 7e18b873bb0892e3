#pragma once
// The album server's answer to one upload: an XML document whose root "body" holds the children
// "Result", "ResultURL", "Reason", "AlbumId", "RegMsg" and "RegUrl", for example
//
//   <body><Result>0</Result><AlbumId>12</AlbumId><ResultURL>http://.../1.jpg</ResultURL></body>
//
// The answer file stays where it is: whoever receives the result may read it again.

#include <cstddef>

#include "engine/UploadInfo.h"
#include "platform/win/Types.h"

// The most of a raw answer that a 1009 report carries: the first 64 KiB of the file.
constexpr size_t kMaxRawAnswerReport = 64 * 1024;

// Reads the answer file named by record.strResultFile into the record's answer fields (elements
// compared exactly by name, other elements skipped; a later element of the same name wins; the
// reason is emptied first, so that an answer without "Reason" leaves none).
// False when the file is not an XML document with the root "body" (then the raw answer has been
// reported to the control `reportWnd` as local error 1009, see LocalErrorReport.h), or when
// "Result" is there but is not a decimal number that fits 32 bits (the result is then -1).
bool ParseResultFile(UploadInfo& record, platform::HWND reportWnd = nullptr);

// Marks a result copy by its code: 0 and -301 (accepted; -301 also names a new album) set done;
// -302, -401, -402, -200 to -203 and -500 to -503 must not be tried again and set retries left
// to 0; any other code, -1 included, leaves the copy as it is.
void ClassifyResult(UploadInfo& record);
