#include "ui/PreviewItem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <ctime>

#include "control/services/Log.h"
#include "imaging/ExifReader.h"
#include "imaging/GkHelper.h"
#include "platform/CodePage.h"

namespace {

constexpr const char* kLogScope = "CUploadPreview::AddSelectedFile";
constexpr int64_t kSecondsFrom1601To1970 = 11644473600;

std::atomic<uint64_t> g_lastItemId{0};

std::u16string LocalTimeText(int64_t seconds) {
  const time_t when = static_cast<time_t>(seconds);
  tm local{};
  localtime_r(&when, &local);
  char text[32];
  std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                local.tm_hour, local.tm_min, local.tm_sec);
  return platform::FromUtf8(text);
}

}  // namespace

uint64_t NewPreviewItemId() { return ++g_lastItemId; }

PreviewItemPtr MakePreviewItem(const std::u16string& path) {
  const std::string bytes = platform::PathBytes(path);
  const int fd = open(bytes.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct statx info {};
  const bool known = statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &info) == 0;
  close(fd);
  if (!known || !S_ISREG(info.stx_mode)) return nullptr;

  auto item = std::make_shared<CPreviewItem>();
  item->nId = NewPreviewItemId();
  item->strPath = path;
  const size_t slash = path.rfind(u'/');
  item->strName = slash == std::u16string::npos ? path : path.substr(slash + 1);
  item->nFileSize = static_cast<int64_t>(info.stx_size);
  item->nFormat = CGkHelper::GetFileImageFormat(path);
  // The birth time where the file system keeps one, else the last change of the content.
  const statx_timestamp& created = (info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_mtime;
  item->ftCreate = (created.tv_sec + kSecondsFrom1601To1970) * 10'000'000 + created.tv_nsec / 100;
  item->strCreateTime = LocalTimeText(created.tv_sec);
  fotaro::Log(kLogScope, "ReadTime: %s", item->strCreateTime);
  ExifInfo exif;
  if (ReadExifInfo(path, &exif) == 1 && exif.DateTimeOriginal[0]) item->strExifTime = platform::FromCodePage(exif.DateTimeOriginal);
  fotaro::Log(kLogScope, "/Read");
  return item;
}
