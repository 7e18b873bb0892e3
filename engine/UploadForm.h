#pragma once
// The multipart form of one upload attempt: the account fields, the photo's EXIF and GPS fields,
// the picture fields, and one file entry per compressed part. Text fields go out first, in the
// order they are added here, then the file entries (see CCMHttpUpload).

#include <cstdint>
#include <string>

#include "engine/UploadInfo.h"

class CCMHttpUpload;

// The fields every request starts with, in this order: "ClientVersion", "ClientCode", "OrniUin",
// "SessionKey", "ExtendID", "ExtendStr", "total", "uploadtime".
struct UploadAccount {
  int32_t nClientVersion = 0;
  std::u16string strClientCode;
  std::u16string strUin;
  std::u16string strKey;
  std::u16string strExtendID;
  std::u16string strExtendStr;
  int32_t nTotal = 0;
  int32_t nUploadTime = 0;
};

// The name the photo is uploaded under: the file-name part of `title`, else the record's title,
// else its display name; a name ending in ".bmp" (exactly, lower case) ends in ".jpg" instead,
// because the picture sent is a JPEG, and so does the name of a HEIC, AVIF or WebP photo whose big
// picture was made into a JPEG (its extension, if any, replaced).
std::u16string GetUploadName(const std::u16string& title, const UploadInfo& record);

// The MD5 digest of a file as 32 lower-case hex digits; empty when the file cannot be read or is
// larger than `maxBytes`.
std::u16string FileMd5(const std::u16string& path, uint64_t maxBytes);

// Adds the whole form for `record` to `uploader` (whose form was reset before):
// 1. the account fields;
// 2. for a source photo with an EXIF block (a JPEG, or a HEIC, AVIF or WebP photo whose
//    container holds one; the orientation is sent as stored): "Exif_Time", "Exif_CameraMaker",
//    "Exif_CameraModel", "Exif_Orientation", and, when its GPS position is complete,
//    "Exif_LatitudeRef", "Exif_Latitude", "Exif_LongitudeRef", "Exif_Longitude";
// 3. one file entry per part, named by the part's spec string, carrying the upload name for the
//    big picture (spec 0) and the part's own file name otherwise;
// 4. when the record has two parts or more, for its first big picture: "Compress" ("0" for a
//    part sent uncompressed, else "1"), "MD5" (when the part's file is readable and not above the
//    process's MD5 size limit), "PicType" (the source photo's format: "jpg", "gif", "png", "bmp",
//    "heic", "avif", "webp" or "unknown"), and
//    "PicWidth" "width=W" and "PicHeight" "height=H" with the source photo's size when readable.
void AddUploadForm(CCMHttpUpload& uploader, const UploadAccount& account, const std::u16string& title,
                   const UploadInfo& record);
