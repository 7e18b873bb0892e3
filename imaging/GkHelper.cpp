#include "imaging/GkHelper.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "control/services/Log.h"
#include "control/services/Folders.h"
#include "platform/CodePage.h"

using platform::gfx::ImageFormat;

namespace {

constexpr int kJpegAttempts = 5;
constexpr auto kRetryPause = std::chrono::milliseconds(10);
// The status the JPEG writer reports for a failed write: the operating system refused it.
constexpr int kWriteErrorStatus = 7;

// A file without any write permission: the counterpart of the read-only attribute.
bool IsReadOnlyFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0;
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool Encode(const CGkHelper::Image& image, const char16_t* mimeType, int quality, std::vector<uint8_t>* bytes) {
  ImageFormat encoder = ImageFormat::Unknown;
  return CGkHelper::GetEncoderClsid(mimeType, &encoder) && platform::gfx::EncodeImage(image, encoder, quality, bytes);
}

}  // namespace

int CGkHelper::GetImageFormat(const Image* image) {
  return image && !image->empty() ? static_cast<int>(image->format()) : -1;
}

int CGkHelper::GetFileImageFormat(const std::u16string& path) {
  platform::gfx::ImageHeader header;
  return platform::gfx::ReadImageHeader(platform::PathBytes(path), &header) ? static_cast<int>(header.format) : -1;
}

bool CGkHelper::GetImageFileSize(const std::u16string& path, int* width, int* height) {
  platform::gfx::ImageHeader header;
  if (!platform::gfx::ReadImageHeader(platform::PathBytes(path), &header)) return false;
  *width = header.width;
  *height = header.height;
  return true;
}

int CGkHelper::GetFrameCount(const Image* image) {
  return image && image->format() == ImageFormat::Gif ? image->frameCount() : 1;
}

bool CGkHelper::GetEncoderClsid(const std::u16string& mimeType, ImageFormat* encoder) {
  const std::string wanted = platform::Utf8(mimeType);
  for (const platform::gfx::ImageEncoder& candidate : platform::gfx::ImageEncoders()) {
    if (wanted == candidate.mimeType) {
      *encoder = candidate.format;
      return true;
    }
  }
  return false;
}

bool CGkHelper::SaveJpeg(const Image* image, const std::u16string& path, int quality) {
  return SaveJpeg(image, path, quality, WriteFileBytes);
}

bool CGkHelper::SaveJpeg(const Image* image, const std::u16string& path, int quality, const FileWriter& writer) {
  if (!image || image->empty() || path.empty()) return false;
  if (fotaro::GetWorkingFolder(true).empty()) return false;
  std::vector<uint8_t> bytes;
  if (!Encode(*image, u"image/jpeg", quality, &bytes)) return false;
  const std::string file = platform::PathBytes(path);
  for (int attempt = 1; attempt <= kJpegAttempts; ++attempt) {
    const int error = writer(file, bytes);
    if (error == 0) return true;
    if (!IsTransientWriteError(error)) return false;
    fotaro::Log("CGkHelper::SaveJpeg", "####################save error : %d, LastError = %d, name : %s",
                kWriteErrorStatus, error, path);
    if (attempt < kJpegAttempts) std::this_thread::sleep_for(kRetryPause);
  }
  return false;
}

bool CGkHelper::SavePng(const Image* image, const std::u16string& path) {
  if (!image || image->empty() || path.empty()) return false;
  const std::string file = platform::PathBytes(path);
  std::vector<uint8_t> bytes;
  if (IsReadOnlyFile(file) || !Encode(*image, u"image/png", 0, &bytes)) return false;
  if (unlink(file.c_str()) != 0 && errno != ENOENT) return false;
  return WriteFileBytes(file, bytes) == 0;
}

bool CGkHelper::SaveGif(const Image* image, const std::u16string& path) {
  if (!image || image->empty() || path.empty()) return false;
  const std::string folder = platform::PathBytes(fotaro::GetWorkingFolder(true));
  if (folder.empty()) return false;
  std::vector<uint8_t> bytes;
  const std::string file = platform::PathBytes(path);
  if (!Encode(*image, u"image/gif", 0, &bytes) || IsReadOnlyFile(file)) return false;
  // Written completely in the working folder first and then moved over `path`, so that `path` is
  // never seen half-written; the name is unique, so concurrent calls never share the file.
  std::string intermediate = folder + "/Temp.XXXXXX";
  const int fd = mkstemp(intermediate.data());
  if (fd < 0) return false;
  const bool written = fchmod(fd, 0644) == 0 && WriteAll(fd, bytes);
  bool ok = close(fd) == 0 && written;
  if (ok && std::rename(intermediate.c_str(), file.c_str()) == 0) return true;
  // On another file system the target is written directly.
  if (ok) ok = errno == EXDEV && WriteFileBytes(file, bytes) == 0;
  unlink(intermediate.c_str());
  return ok;
}

int CGkHelper::WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  if (IsReadOnlyFile(path)) return EACCES;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  int error = WriteAll(fd, bytes) ? 0 : (errno ? errno : EIO);
  if (close(fd) != 0 && error == 0) error = errno;
  if (error != 0) unlink(path.c_str());
  return error;
}

bool CGkHelper::IsTransientWriteError(int error) {
  switch (error) {
    case EBUSY:
    case ETXTBSY:
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINTR:
    case EMFILE:
    case ENFILE:
      return true;
    default:
      return false;
  }
}
