#include "platform/FileOps.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool WriteAll(int fd, const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = write(fd, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool MakeFolders(const std::string& path, mode_t mode) {
  if (path.empty()) return false;
  // Every prefix that ends before a "/" is a parent; the path itself comes last.
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (mkdir(prefix.c_str(), mode) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool RemoveTree(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return errno == ENOENT;
  if (S_ISDIR(info.st_mode)) {
    chmod(path.c_str(), S_IRWXU);
    if (DIR* folder = opendir(path.c_str())) {
      while (const dirent* entry = readdir(folder)) {
        if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, "..")) continue;
        RemoveTree(path + "/" + entry->d_name);
      }
      closedir(folder);
    }
    return rmdir(path.c_str()) == 0;
  }
  return unlink(path.c_str()) == 0;
}

FileLock::FileLock(const std::string& lockFile) : fd_(open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
  while (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      close(fd_);
      fd_ = -1;
    }
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace platform
