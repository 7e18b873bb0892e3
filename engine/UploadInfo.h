#pragma once
// The per-photo record of the upload queue and the list of files that carry the photo.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Strings.h"

// One output file of the compression of a photo (a value; copied with its record).
struct CompressedFileInfo {
  int32_t nSpec = 0;          // 0 the big picture, 1 the thumbnail
  int32_t nSpecParam = 0;     // the size spec's parameter; 1 means "sent uncompressed"
  std::u16string strSpecString;  // the size spec's name, used as the multipart field name
  int32_t nCompressType = 0;  // the size spec's resize rule
  std::u16string strFilePath;    // the file on disk to send
  int32_t nFileSize = 0;      // its size in bytes
  int32_t nSourceFormat = 0;  // image format code of the photo (0 JPEG, 1 GIF, 2 PNG, 3 BMP)
};

// One photo admitted to the upload stage. The queue keys it by `strTitle` (exact, case-sensitive);
// notifications carry whole copies of it with the server's answer filled in.
struct UploadInfo {
  std::u16string strTitle;        // the file key
  std::u16string strDisplayName;  // shown to the page; the fallback upload name
  std::u16string strSourcePath;   // the user's own file
  uint32_t dwDelay = 0;           // delay of the next attempt; 0 = none
  uint8_t nRetriesLeft = 3;       // attempts still allowed; each attempt takes one
  bool bDone = false;             // set in copies whose upload was accepted
  std::u16string strReason{IDS_NOT_UPLOADED};  // the server's "Reason"
  int32_t nResult = -1;           // the server's "Result"; -1 without a usable answer
  std::u16string strAlbumId;      // the server's "AlbumId"
  std::u16string strRegMsg;       // the server's "RegMsg"
  std::u16string strRegUrl;       // the server's "RegUrl"
  std::u16string strResultURL;    // the server's "ResultURL"
  std::u16string strResultFile;   // the local file that holds the server's answer
  std::u16string strFailure;      // with result -1: why the attempt brought no usable answer, in words
  int32_t nProgress = 0;          // percent of the photo sent, 0..100
  std::vector<CompressedFileInfo> vecParts;  // the pieces to send, in order
};
