#include "imaging/ULKernel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <filesystem>
#include <system_error>

#include "control/services/Folders.h"
#include "control/services/Global.h"
#include "control/services/Log.h"
#include "engine/SendNotifyItem.h"
#include "imaging/DecodedPhoto.h"
#include "imaging/ExifReader.h"
#include "imaging/GkHelper.h"
#include "imaging/SpecSizing.h"
#include "imaging/WaterPress.h"
#include "net/DataReport.h"
#include "platform/CodePage.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/ImageFormat.h"
#include "platform/gfx/Resample.h"
#include "platform/gfx/RotateFlip.h"

using platform::gfx::Bitmap;
using platform::gfx::ImageFormat;
using platform::gfx::RotateFlipType;

namespace {

constexpr char kCompressFileScope[] = "CULKernel::CompressFile";
constexpr char kCompressScope[] = "CULKernel::Compress";
constexpr char kThumbScope[] = "CULKernel::ThumbFromBitmap";

constexpr int kJpeg = static_cast<int>(ImageFormat::Jpeg);
constexpr int kGif = static_cast<int>(ImageFormat::Gif);
constexpr int kPng = static_cast<int>(ImageFormat::Png);
constexpr int kBmp = static_cast<int>(ImageFormat::Bmp);
constexpr int kHeic = static_cast<int>(ImageFormat::Heic);
constexpr int kAvif = static_cast<int>(ImageFormat::Avif);
constexpr int kWebp = static_cast<int>(ImageFormat::Webp);

std::atomic<int> g_kernelCount{0};
// Every output name of the process draws the next number, so that names stay unique however many
// workers compress at once.
std::atomic<uint64_t> g_outputSequence{0};

std::filesystem::path FsPath(const std::u16string& path) { return std::filesystem::path(platform::PathBytes(path)); }

bool Exists(const std::u16string& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::exists(FsPath(path), error);
}

int64_t FileSize(const std::u16string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(FsPath(path), error);
  return error ? 0 : static_cast<int64_t>(size);
}

// Copies the photo byte for byte, replacing an earlier file at `to`.
bool CopyPhoto(const std::u16string& from, const std::u16string& to) {
  std::error_code error;
  return std::filesystem::copy_file(FsPath(from), FsPath(to), std::filesystem::copy_options::overwrite_existing, error);
}

const char16_t* Extension(int format) {
  switch (format) {
    case kGif: return u".gif";
    case kPng: return u".png";
    case kBmp: return u".bmp";
    case kHeic: return u".heic";
    case kAvif: return u".avif";
    case kWebp: return u".webp";
    default: return u".jpg";
  }
}

// PNG files for PNG output, JPEG data for everything else (BMP outputs are JPEG data too).
bool WriteImage(Bitmap bitmap, int format, int quality, const std::u16string& path) {
  const platform::gfx::Image image(std::move(bitmap));
  return format == kPng ? CGkHelper::SavePng(&image, path) : CGkHelper::SaveJpeg(&image, path, quality);
}

// Rows top .. top + height - 1 of `bitmap`.
Bitmap Band(const Bitmap& bitmap, int top, int height) {
  Bitmap band(bitmap.width(), height);
  for (int y = 0; y < band.height(); ++y) std::copy_n(bitmap.row(top + y), bitmap.width(), band.row(y));
  return band;
}

// The resampled picture, with the time it took logged as the resampling step's timing line.
Bitmap TimedResample(const char* scope, const Bitmap& source, int width, int height) {
  const auto start = std::chrono::steady_clock::now();
  Bitmap resampled = platform::gfx::Resample(source, width, height);
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  fotaro::Log(scope, "### CreateThumbBmp_CV [cvLoadImage] takes time[MS] : %d", static_cast<int>(elapsed.count()));
  return resampled;
}

Bitmap Upright(const Bitmap& bitmap, RotateFlipType orientation) {
  return orientation == RotateFlipType::RotateNoneFlipNone ? bitmap : platform::gfx::RotateFlip(bitmap, orientation);
}

}  // namespace

CULKernel::CULKernel() : m_nKernelId(++g_kernelCount) {}

bool CULKernel::SendsAsJpeg(int32_t sourceFormat) {
  return platform::gfx::HasContainerExif(static_cast<ImageFormat>(sourceFormat));
}

int32_t CULKernel::CompressFile(const std::u16string& file, const std::u16string& orgFile,
                                std::vector<CompressedFileInfo>* outputList, CUploadEventReceiver* eventReceiver) const {
  if (!Exists(file) || !Exists(orgFile)) return kCompressFileMissing;
  DecodedPhoto photo(file, [this](int width, int height) { return JpegReductionForTable(m_mapSpecInfo, width, height); });
  BitmapCache cache;
  for (const auto& [name, spec] : m_mapSpecInfo) {
    std::u16string path;
    int32_t result = kSpecOk;
    int32_t sourceFormat = -1;
    if (!cache.empty() && spec.nSpec != 0) {
      fotaro::Log(kCompressFileScope, " $$$ ThumbFromBitmap applied!!!");
      result = ThumbFromBitmap(cache, file, orgFile, spec, &path);
    } else {
      BitmapCache slot;
      result = CompressPhoto(photo, file, orgFile, spec, &path, &slot, eventReceiver, &sourceFormat);
      if (cache.empty()) cache = std::move(slot);
    }
    if (result == kSpecTooLarge) return kCompressTooLarge;
    if (result != kSpecOk) return kCompressFormatError;
    if (path.empty()) continue;
    CompressedFileInfo record;
    record.nSpec = spec.nSpec;
    record.nSpecParam = spec.nSpecParam;
    record.strSpecString = spec.strSpecString;
    record.nCompressType = spec.nCompressType;
    record.strFilePath = path;
    record.nFileSize = static_cast<int32_t>(FileSize(path));  // at most m_nLimitSize
    if (spec.nSpec == 0) record.nSourceFormat = sourceFormat;
    outputList->push_back(std::move(record));
  }
  return kCompressOk;
}

int32_t CULKernel::Compress(const std::u16string& file, const std::u16string& orgFile, const SpecInfo& spec,
                            std::u16string* outPath, BitmapCache* cacheSlot, CUploadEventReceiver* eventReceiver,
                            int32_t* outSourceFormat) const {
  DecodedPhoto photo(file, [&spec](int width, int height) {
    OutputSize size;
    if (!CompressOutputSize(spec, width, height, &size)) return spec.nCompressType == kRuleCopy ? 1 : 8;
    return JpegReductionFor(width, height, size.width, size.height);
  });
  return CompressPhoto(photo, file, orgFile, spec, outPath, cacheSlot, eventReceiver, outSourceFormat);
}

int32_t CULKernel::CompressPhoto(DecodedPhoto& photo, const std::u16string& file, const std::u16string& orgFile,
                                 const SpecInfo& spec, std::u16string* outPath, BitmapCache* cacheSlot,
                                 CUploadEventReceiver* eventReceiver, int32_t* outSourceFormat) const {
  LogSpec(kCompressScope, file, orgFile, spec);
  outPath->clear();
  const std::u16string base = BaseName(spec);
  if (eventReceiver) PostNotify(eventReceiver, MakeNotify(file, ULKERNEL_READ_START, file));
  if (m_readHook) m_readHook(file);
  if (base.empty() || !photo.Decode()) return kSpecFailed;
  if (eventReceiver) PostNotify(eventReceiver, MakeNotify(file, ULKERNEL_COMPRESS_START, file));
  const int width = photo.width(), height = photo.height(), format = photo.format();
  if (width < 1 || height < 1 || !platform::gfx::IsPictureFormat(static_cast<ImageFormat>(format))) return kSpecFailed;
  *outSourceFormat = format;
  const BitmapCache decoded{photo.pixels(), width, height, format};
  const bool bigPicture = spec.nSpec == 0;

  // A GIF big picture (still or animated) is sent as it is.
  if (format == kGif && bigPicture) {
    const std::u16string path = base + Extension(kGif);
    if (!CopyPhoto(file, path)) return kSpecFailed;
    return CheckOutput(kCompressScope, path, outPath, cacheSlot, &decoded);
  }

  // Thumbnails, GIFs that get this far (thumbnails too) and phone photos are written as JPEG.
  const int outputFormat = !bigPicture || format == kGif || CULKernel::SendsAsJpeg(format) ? kJpeg : format;
  const std::u16string path = base + Extension(outputFormat);
  // Big pictures of parameter 0 or 1 get the watermark when it is on (never GIF output, which is
  // not reached here for big pictures).
  const bool watermark = bigPicture && (spec.nSpecParam == 0 || spec.nSpecParam == 1) && m_nWaterMark != 0;
  if (spec.nCompressType == kRuleCopy) {
    // A plain copy carries no watermark; the report of the attempt still goes out.
    if (watermark) PostDataReport(eventReceiver ? eventReceiver->GetReportWnd() : nullptr, 2, 1);
    const std::u16string copy = CULKernel::SendsAsJpeg(format) ? base + Extension(format) : path;
    if (!CopyPhoto(file, copy)) return kSpecFailed;
    return CheckOutput(kCompressScope, copy, outPath, cacheSlot, &decoded);
  }
  OutputSize size;
  if (!CompressOutputSize(spec, width, height, &size)) return kSpecFailed;
  auto resampled = std::make_shared<const Bitmap>(TimedResample(kCompressScope, *photo.pixels(), size.width, size.height));
  if (resampled->empty()) return kSpecFailed;
  if (bigPicture && (spec.nCompressType == kRuleFit || spec.nCompressType == kRuleRatioLimit)) {
    fotaro::Log(kCompressScope, "### Save bitmap cache for ThumbFromBitmap!!");
    *cacheSlot = BitmapCache{resampled, size.width, size.height, format};
  }
  // Turned upright and watermarked after the resize, on the output only: the cached bitmap stays
  // as it was.
  Bitmap output = Upright(*resampled, photo.orientation());
  if (watermark) DrawWaterPress(output, *this, eventReceiver ? eventReceiver->GetReportWnd() : nullptr);
  if (!WriteImage(std::move(output), outputFormat, spec.nQuality, path)) return kSpecFailed;
  return CheckOutput(kCompressScope, path, outPath, cacheSlot, &decoded);
}

int32_t CULKernel::ThumbFromBitmap(const BitmapCache& cached, const std::u16string& file, const std::u16string& orgFile,
                                   const SpecInfo& spec, std::u16string* outPath) const {
  LogSpec(kThumbScope, file, orgFile, spec);
  outPath->clear();
  if (cached.empty() || cached.width < 1 || cached.height < 1) return kSpecFailed;
  int outputFormat = kJpeg;
  switch (cached.format) {
    case kJpeg:
    case kHeic:
    case kAvif:
    case kWebp: outputFormat = kJpeg; break;
    case kGif:
    case kPng: outputFormat = kPng; break;
    case kBmp: outputFormat = kBmp; break;
    default: return kSpecFailed;
  }
  const std::u16string base = BaseName(spec);
  if (base.empty()) return kSpecFailed;
  const std::u16string path = base + Extension(outputFormat);
  if (spec.nCompressType == kRuleCopy) {
    const std::u16string copy = CULKernel::SendsAsJpeg(cached.format) ? base + Extension(cached.format) : path;
    if (!CopyPhoto(file, copy)) return kSpecFailed;
    return CheckOutput(kThumbScope, copy, outPath, nullptr, nullptr);
  }
  OutputSize size;
  if (!ThumbOutputSize(spec, cached.width, cached.height, &size)) return kSpecFailed;
  Bitmap image = TimedResample(kThumbScope, *cached.pixels, size.width, size.height);
  if (image.empty()) return kSpecFailed;
  if (size.bandHeight != size.height) image = Band(image, size.bandTop, size.bandHeight);
  const auto orientation = static_cast<RotateFlipType>(GetExifRotateFlip(file));
  if (!WriteImage(Upright(image, orientation), outputFormat, spec.nQuality, path)) return kSpecFailed;
  return CheckOutput(kThumbScope, path, outPath, nullptr, nullptr);
}

int32_t CULKernel::CheckOutput(const char* scope, const std::u16string& path, std::u16string* outPath,
                               BitmapCache* cacheSlot, const BitmapCache* photo) const {
  fotaro::Log(scope, "Compressed file = %s", path);
  const int64_t size = FileSize(path);
  if (size > m_nLimitSize) {
    fotaro::Log(scope, "File: %s, exceeds size limits, size = %d", path, static_cast<int>(std::min<int64_t>(size, INT_MAX)));
    return kSpecTooLarge;
  }
  *outPath = path;
  if (photo && cacheSlot->empty()) {
    fotaro::Log(scope, "####Fire: old bitmap for cache.");
    *cacheSlot = *photo;
  }
  return kSpecOk;
}

std::u16string CULKernel::BaseName(const SpecInfo& spec) const {
  const std::u16string folder = fotaro::GetWorkingFolder(true);
  if (folder.empty()) return {};
  // The spec name comes from the page: it must not lead out of the working folder.
  std::u16string name = spec.strSpecString;
  std::replace_if(name.begin(), name.end(), [](char16_t c) { return c == u'/' || c == u'\0'; }, u'_');
  const std::string numbers = "." + std::to_string(m_nKernelId) + "." + std::to_string(++g_outputSequence) + "_";
  return folder + u"/ULKERNEL_" + CGlobal::Instance().GetProcessTag() + platform::PathFromBytes(numbers) + name;
}

void CULKernel::LogSpec(const char* scope, const std::u16string& file, const std::u16string& orgFile,
                        const SpecInfo& spec) const {
  fotaro::Log(scope,
              "File = %s\nOrgFile = %s\nSpecString = %s, CompressType = %d, m_bWaterPress = %d, Width = %d, "
              "Height = %d, Quality = %d",
              file, orgFile, spec.strSpecString, spec.nCompressType, m_nWaterMark, spec.nWidth, spec.nHeight,
              spec.nQuality);
}
