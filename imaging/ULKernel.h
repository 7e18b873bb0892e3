#pragma once
// CULKernel: the compression pipeline. It turns one photo into the files its upload carries: one
// output per entry of the spec table (m_mapSpecInfo, in key order), each resized by the spec's
// rule (imaging/SpecSizing.h), turned upright by the photo's EXIF orientation (HEIC and AVIF
// photos decode upright), encoded (HEIC, AVIF and WebP photos as JPEG) and written into the
// working folder as "ULKERNEL_<process tag>.<kernel>.<sequence>_<spec name>" with the extension
// of its format, then checked against the upload size limit m_nLimitSize.
//
// The kernel is the uploader's settings record as well (it derives from CULKernel_Info, which it
// only reads). Its operations keep no state between calls and may run on several threads at once
// against the same kernel: every bitmap, cache and name belongs to the call, and the output names
// draw a process-wide sequence number, so concurrent calls never share a file.
//
// Speed: a photo is read and decoded once per CompressFile call, a JPEG at the smallest reduction
// that still leaves every output twice its size to resample from (the sizes themselves always
// come from the photo's full size), and thumbnails after the first output are made from the
// cached bitmap (the big picture already resampled, or the decoded photo).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control/settings/ULKernelInfo.h"
#include "engine/UploadEventReceiver.h"
#include "engine/UploadInfo.h"
#include "platform/gfx/Bitmap.h"

class DecodedPhoto;

// The bitmap a CompressFile call keeps for the thumbnails of its photo.
struct BitmapCache {
  std::shared_ptr<const platform::gfx::Bitmap> pixels;  // never changed once stored
  // The size the pixels stand for: a reduced decode of a photo stands for the whole photo, and
  // every output size is computed from this size.
  int width = 0;
  int height = 0;
  int32_t format = -1;  // image format code of the photo the pixels came from

  bool empty() const { return !pixels; }
};

class CULKernel : public CULKernel_Info {
 public:
  // Results of CompressFile. The upload manager turns a nonzero one into the photo's local error
  // with the same number, and 0 with no outputs into local error 2.
  enum : int32_t {
    kCompressOk = 0,
    kCompressFileMissing = 1,  // "文件不存在"
    kCompressFormatError = 5,  // "文件格式错误": a spec failed (decode, format, resize, write)
    kCompressTooLarge = 8,     // "文件太大": an output exceeded m_nLimitSize
  };
  // Results of Compress and ThumbFromBitmap.
  enum : int32_t { kSpecOk = 0, kSpecFailed = -1, kSpecTooLarge = -2 };

  CULKernel();

  // Called on the compressing thread after the reading notification and before a photo's pixels
  // are read. Set it before compressing starts; tests hold a compression in flight with it.
  void SetReadHook(std::function<void(const std::u16string& file)> hook) { m_readHook = std::move(hook); }

  // Photos from phones and the web that albums do not take as they are (HEIC, AVIF, WebP): every
  // output is a JPEG except a plain copy (rule 2), which keeps the photo's format and extension.
  static bool SendsAsJpeg(int32_t sourceFormat);

  // Makes every output of the spec table from `file` and appends one record per output file to
  // `outputList`. `orgFile` is the photo as the user chose it (only logged). `eventReceiver`, when
  // given, is sent notifications 12 (reading starts) and 13 (decoded) for `file` through the
  // notification pool. Stops at the first spec that fails; records appended before stay.
  int32_t CompressFile(const std::u16string& file, const std::u16string& orgFile,
                       std::vector<CompressedFileInfo>* outputList, CUploadEventReceiver* eventReceiver) const;

  // One spec, decoding `file` itself: 0 with `outPath` set, -1 failure, -2 over the size limit
  // (the file stays; `outPath` is empty). `cacheSlot` receives the bitmap offered for thumbnails
  // (the resampled big picture of rule 0 or 3, else the decoded photo); `outSourceFormat` the
  // photo's image format code once known.
  int32_t Compress(const std::u16string& file, const std::u16string& orgFile, const SpecInfo& spec,
                   std::u16string* outPath, BitmapCache* cacheSlot, CUploadEventReceiver* eventReceiver,
                   int32_t* outSourceFormat) const;

  // One thumbnail spec from a cached bitmap, written in the cached format's family (JPEG, HEIC,
  // AVIF and WebP as ".jpg", GIF and PNG as ".png", BMP as JPEG data in ".bmp"); rule 2 copies
  // `file` (a HEIC, AVIF or WebP photo under its own extension). Results as for Compress.
  int32_t ThumbFromBitmap(const BitmapCache& cached, const std::u16string& file, const std::u16string& orgFile,
                          const SpecInfo& spec, std::u16string* outPath) const;

 private:
  // Compress on a photo that the caller decodes at most once for all of its specs.
  int32_t CompressPhoto(DecodedPhoto& photo, const std::u16string& file, const std::u16string& orgFile,
                        const SpecInfo& spec, std::u16string* outPath, BitmapCache* cacheSlot,
                        CUploadEventReceiver* eventReceiver, int32_t* outSourceFormat) const;
  // The size check of a written output: -2 when it is over the limit, else 0 with `outPath` set
  // and, when `photo` is given and the slot is still empty, the photo offered to the cache.
  int32_t CheckOutput(const char* scope, const std::u16string& path, std::u16string* outPath, BitmapCache* cacheSlot,
                      const BitmapCache* photo) const;
  // The output path without its extension, unique in the process; empty without a working folder.
  std::u16string BaseName(const SpecInfo& spec) const;
  void LogSpec(const char* scope, const std::u16string& file, const std::u16string& orgFile, const SpecInfo& spec) const;

  const int m_nKernelId;  // tells the kernels of a process apart in output names
  std::function<void(const std::u16string& file)> m_readHook;
};
