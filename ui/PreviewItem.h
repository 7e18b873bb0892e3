#pragma once
// One photo of a thumbnail grid: a cell with its thumbnail and caption.
//
// The window thread makes items, lays them out and changes their texts; the loader thread only
// sets `thumb` and `bLoaded`, under the list lock (PreviewList.h).

#include <cstdint>
#include <memory>
#include <string>

#include "platform/gfx/Bitmap.h"
#include "platform/win/Types.h"

struct CPreviewItem {
  uint64_t nId = 0;                // unique in the process: the selection and the loader name items by it
  std::u16string strPath;          // the file as the user chose it
  std::u16string strSrcPath;       // the file decoded for the thumbnail (a rotated copy); empty: strPath
  std::u16string strDesc;          // the caption the user typed
  std::u16string strName;          // the name shown for the file
  std::u16string strCreateTime;    // the file's creation time, local, "YYYY:MM:DD hh:mm:ss"
  std::u16string strExifTime;      // the EXIF date-time, when the photo has one
  platform::RECT rcPic;            // the cell, in canvas coordinates (y = 0 at the canvas top)
  bool bLoaded = false;            // the loader has been at it (it may have no thumbnail)
  platform::RECT rcBtn;            // the small button at the cell's lower left
  bool bShowBtn = true;            // false for GIF files
  int64_t ftCreate = 0;            // the creation time: 100-ns units since 1601-01-01 UTC
  platform::gfx::Bitmap thumb;     // the thumbnail, 148 x 119; empty until made (or when it cannot be)
  int32_t nFormat = -1;            // the image format code of the file (1 GIF)
  int64_t nFileSize = 0;           // bytes
  int32_t nPercent = -1;           // upload progress 0..100; -1 when the photo is not being uploaded
  std::u16string strError;         // the upload's failure text
  int32_t nRotation = 0;           // quarter turns clockwise the user gave the photo (strSrcPath holds them)

  const std::u16string& sourcePath() const { return strSrcPath.empty() ? strPath : strSrcPath; }
};

using PreviewItemPtr = std::shared_ptr<CPreviewItem>;

// A new item id, unique in the process.
uint64_t NewPreviewItemId();

// A new item for the file `path` with its size, format, creation time and EXIF date-time; null
// when the file cannot be opened or is not a regular file.
PreviewItemPtr MakePreviewItem(const std::u16string& path);
