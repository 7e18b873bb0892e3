#pragma once
// The answer documents of the silent upload: for every photo that has finished, the page receives
// an XML document whose root "body" holds the server's answer followed by "Filename" with the
// photo's path. A photo without a usable answer (it failed before its upload, or the server's
// reply was not an XML document with a "body") gets a document of its own:
//
//   <?xml version="1.0" encoding="GBK"?>
//   <body><Filename>PATH</Filename><Result>CODE</Result><Reason>TEXT</Reason></body>
//
// with, after "Reason", "Detail" saying why an upload brought no usable answer (the transfer's
// failure, UploadInfo::strFailure) when that is known.

#include <cstdint>
#include <string>

#include "engine/UploadInfo.h"

// The reason text for a compression code (1 file missing or empty, 2 compression failed,
// 3 format not supported, 4 album capacity exceeded, 5 file format error, 6 GIF larger than 5 MB,
// 7 cancelled by the user, 8 file too large); "" for any other code.
std::u16string CompressFailureReason(int32_t code);

// The document of a photo that has no answer of the server; "Detail" only when `detail` is not empty.
std::u16string FailureAnswer(const std::u16string& path, int32_t code, const std::u16string& reason,
                             const std::u16string& detail = {});

// The document of a photo with the server's result: its answer file with "Filename" added, or,
// when that file is not an XML document with a "body", FailureAnswer with the result's code,
// reason and failure.
std::u16string ServerAnswer(const std::u16string& path, const UploadInfo& result);
