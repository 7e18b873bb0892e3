#include "platform/gfx/ByteSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform::gfx {

size_t MemorySource::ReadAt(uint64_t offset, void* buffer, size_t size) const {
  if (offset >= size_ || size == 0) return 0;
  const size_t available = size_ - static_cast<size_t>(offset);
  const size_t count = size < available ? size : available;
  std::memcpy(buffer, data_ + offset, count);
  return count;
}

FileSource::FileSource(const std::string& path) {
  // Opened without waiting, so that a named pipe or a device among the photos is refused at once
  // instead of blocking its reader until something writes to it.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || fcntl(fd, F_SETFL, O_RDONLY) != 0) {
    close(fd);
    return;
  }
  fd_ = fd;
  size_ = static_cast<uint64_t>(info.st_size);
}

FileSource::~FileSource() {
  if (fd_ >= 0) close(fd_);
}

size_t FileSource::ReadAt(uint64_t offset, void* buffer, size_t size) const {
  size_t done = 0;
  while (fd_ >= 0 && done < size) {
    const ssize_t n = pread(fd_, static_cast<char*>(buffer) + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

BufferedFileSource::BufferedFileSource(const std::string& path, size_t headBytes) : file_(path) {
  head_.resize(static_cast<size_t>(std::min<uint64_t>(headBytes, file_.size())));
  head_.resize(file_.ReadAt(0, head_.data(), head_.size()));
}

size_t BufferedFileSource::ReadAt(uint64_t offset, void* buffer, size_t size) const {
  if (size == 0) return 0;  // readers may ask for nothing, with no buffer
  if (offset > head_.size() || size > head_.size() - offset) return file_.ReadAt(offset, buffer, size);
  std::memcpy(buffer, head_.data() + offset, size);
  return size;
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* out) {
  FileSource file(path);
  if (!file.is_open() || file.size() > kMaxImageFileBytes) return false;
  std::vector<uint8_t> bytes(static_cast<size_t>(file.size()));
  if (!file.ReadExact(0, bytes.data(), bytes.size())) return false;
  *out = std::move(bytes);
  return true;
}

}  // namespace platform::gfx
