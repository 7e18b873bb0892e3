#include "engine/UploadForm.h"

#include <openssl/evp.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "control/services/Global.h"
#include "control/services/Log.h"
#include "imaging/ExifGps.h"
#include "imaging/ExifReader.h"
#include "imaging/GkHelper.h"
#include "imaging/SpecSizing.h"
#include "imaging/ULKernel.h"
#include "net/CMHttpUpload.h"
#include "platform/CodePage.h"
#include "platform/gfx/ExifProperties.h"

namespace {

constexpr char kScope[] = "CULStrategy::Upload";

std::u16string Decimal(int64_t value) { return platform::FromUtf8(std::to_string(value)); }

// A text of the EXIF record: bytes in the system code page.
std::u16string ExifText(const char* bytes) { return platform::FromCodePage(bytes); }

std::u16string PicType(int32_t format) {
  switch (format) {
    case 0: return u"jpg";
    case 1: return u"gif";
    case 2: return u"png";
    case 3: return u"bmp";
    case 10: return u"heic";
    case 11: return u"avif";
    case 12: return u"webp";
    default: return u"unknown";
  }
}

void AddExifFields(CCMHttpUpload& uploader, const std::u16string& source) {
  ExifInfo info;
  if (ReadExifInfo(source, &info) != 1 || !info.HasExif) return;
  fotaro::Log(kScope, "Exif_Time = %s, Exif_CameraMaker = %s, Exif_CameraModel = %s", info.DateTimeOriginal,
              info.CameraMake, info.CameraModel);
  fotaro::Log(kScope, "Exif_Orientation = %d", info.Orientation);
  uploader.AddFormData(u"Exif_Time", ExifText(info.DateTimeOriginal));
  uploader.AddFormData(u"Exif_CameraMaker", ExifText(info.CameraMake));
  uploader.AddFormData(u"Exif_CameraModel", ExifText(info.CameraModel));
  uploader.AddFormData(u"Exif_Orientation", Decimal(info.Orientation));

  GpsUploadTexts gps;
  const platform::gfx::FileSource file(platform::PathBytes(source));
  if (!GetGpsUploadTexts(platform::gfx::ReadExifProperties(file), &gps)) return;
  uploader.AddFormData(u"Exif_LatitudeRef", gps.LatitudeRef);
  uploader.AddFormData(u"Exif_Latitude", gps.Latitude);
  uploader.AddFormData(u"Exif_LongitudeRef", gps.LongitudeRef);
  uploader.AddFormData(u"Exif_Longitude", gps.Longitude);
}

// True when the big picture sent is a JPEG made from a HEIC, AVIF or WebP photo.
bool IsJpegFromPhoneFormat(const UploadInfo& record) {
  for (const CompressedFileInfo& part : record.vecParts) {
    if (part.nSpec != 0) continue;
    return part.nCompressType != kRuleCopy && CULKernel::SendsAsJpeg(part.nSourceFormat);
  }
  return false;
}

void AddPictureFields(CCMHttpUpload& uploader, const CompressedFileInfo& part, const std::u16string& displayName,
                      const std::u16string& sourcePath) {
  const uint64_t md5Limit = static_cast<uint64_t>(std::max(0, CGlobal::Instance().GetMD5FileSize())) << 20;
  const std::u16string md5 = FileMd5(part.strFilePath, md5Limit);
  uploader.AddFormData(u"Compress", part.nSpecParam == 1 ? u"0" : u"1");
  if (!md5.empty()) uploader.AddFormData(u"MD5", md5);
  uploader.AddFormData(u"PicType", PicType(part.nSourceFormat));
  int width = 0, height = 0;
  if (CGkHelper::GetImageFileSize(sourcePath, &width, &height)) {
    uploader.AddFormData(u"PicWidth", u"width=" + Decimal(width));
    uploader.AddFormData(u"PicHeight", u"height=" + Decimal(height));
  }
  fotaro::Log(kScope, "Compressed image %s \r\n  MD5: %s", displayName, md5);
}

}  // namespace

std::u16string GetUploadName(const std::u16string& title, const UploadInfo& record) {
  const size_t slash = title.rfind(u'/');
  std::u16string name = slash == std::u16string::npos ? title : title.substr(slash + 1);
  if (name.empty()) name = record.strTitle;
  if (name.empty()) name = record.strDisplayName;
  constexpr std::u16string_view kBmp = u".bmp";
  if (name.size() >= kBmp.size() && name.compare(name.size() - kBmp.size(), kBmp.size(), kBmp) == 0) {
    name.replace(name.size() - 3, 3, u"jpg");
  } else if (IsJpegFromPhoneFormat(record)) {
    const size_t dot = name.rfind(u'.');
    name = (dot == std::u16string::npos ? name : name.substr(0, dot)) + u".jpg";
  }
  return name;
}

std::u16string FileMd5(const std::u16string& path, uint64_t maxBytes) {
  std::ifstream file(platform::PathBytes(path), std::ios::binary | std::ios::ate);
  if (!file || file.tellg() < 0 || static_cast<uint64_t>(file.tellg()) > maxBytes) return {};
  file.seekg(0);
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) return {};
  std::vector<char> block(64 * 1024);
  while (file.read(block.data(), static_cast<std::streamsize>(block.size())) || file.gcount() > 0) {
    if (EVP_DigestUpdate(context.get(), block.data(), static_cast<size_t>(file.gcount())) != 1) return {};
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (file.bad() || EVP_DigestFinal_ex(context.get(), digest, &length) != 1) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::u16string text;
  for (unsigned int i = 0; i < length; ++i) {
    text += static_cast<char16_t>(kHex[digest[i] >> 4]);
    text += static_cast<char16_t>(kHex[digest[i] & 15]);
  }
  return text;
}

void AddUploadForm(CCMHttpUpload& uploader, const UploadAccount& account, const std::u16string& title,
                   const UploadInfo& record) {
  uploader.AddFormData(u"ClientVersion", Decimal(account.nClientVersion));
  uploader.AddFormData(u"ClientCode", account.strClientCode);
  uploader.AddFormData(u"OrniUin", account.strUin);
  uploader.AddFormData(u"SessionKey", account.strKey);
  uploader.AddFormData(u"ExtendID", account.strExtendID);
  uploader.AddFormData(u"ExtendStr", account.strExtendStr);
  uploader.AddFormData(u"total", Decimal(account.nTotal));
  uploader.AddFormData(u"uploadtime", Decimal(account.nUploadTime));
  AddExifFields(uploader, record.strSourcePath);

  const std::u16string uploadName = GetUploadName(title, record);
  bool pictureFieldsAdded = false;
  for (const CompressedFileInfo& part : record.vecParts) {
    const std::u16string& displayName = part.nSpec != 0 ? part.strFilePath : uploadName;
    uploader.AddImageFormData(part.strFilePath, part.strSpecString, displayName, part.strSpecString, part.strFilePath);
    fotaro::Log(kScope, "spec string = %s, FieldName = %s, filename = %s, filepath = %s", part.strSpecString,
                part.strSpecString, displayName, part.strFilePath);
    if (part.nSpec == 0 && record.vecParts.size() >= 2 && !pictureFieldsAdded) {
      AddPictureFields(uploader, part, displayName, record.strSourcePath);
      pictureFieldsAdded = true;
    }
  }
}
