#include "platform/InstanceRegistry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "platform/FileOps.h"
#include "platform/Paths.h"

namespace platform {

namespace {

constexpr std::string_view kPrefix = "instance.";

// Takes `fd`'s flock in `mode`, retrying when a signal interrupts the wait.
bool Lock(int fd, int mode) {
  while (flock(fd, mode) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// Holds the exclusive lock of the folder's ".lock" file for its lifetime.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder)
      : fd_(open((folder + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ >= 0 && !Lock(fd_, LOCK_EX)) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_;
};

}  // namespace

InstanceRegistration::InstanceRegistration() : InstanceRegistration(paths::InstanceFolder()) {}

InstanceRegistration::InstanceRegistration(std::string folder) : folder_(std::move(folder)) {
  if (folder_.empty() || !MakeFolders(folder_, 0700)) return;
  FolderLock folderLock(folder_);
  if (!folderLock.held()) return;
  std::string file = folder_ + "/" + std::string(kPrefix) + "XXXXXX";
  const int fd = mkostemp(file.data(), O_CLOEXEC);
  if (fd < 0) return;
  if (!Lock(fd, LOCK_EX | LOCK_NB)) {
    close(fd);
    unlink(file.c_str());
    return;
  }
  fd_ = fd;
  file_ = std::move(file);
}

InstanceRegistration::~InstanceRegistration() {
  if (fd_ < 0) return;
  FolderLock folderLock(folder_);
  unlink(file_.c_str());
  close(fd_);
}

int CountLiveInstances() { return CountLiveInstances(paths::InstanceFolder()); }

int CountLiveInstances(const std::string& folder) {
  if (folder.empty()) return 0;
  FolderLock folderLock(folder);
  DIR* entries = opendir(folder.c_str());
  if (!entries) return 0;
  int live = 0;
  while (const dirent* entry = readdir(entries)) {
    if (std::string_view(entry->d_name).rfind(kPrefix, 0) != 0) continue;
    const std::string file = folder + "/" + entry->d_name;
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ++live;
    } else if (folderLock.held()) {
      // Its process is gone. Without the folder lock the file might be a registration that is
      // being made, so it is only removed under the lock.
      unlink(file.c_str());
    }
    close(fd);
  }
  closedir(entries);
  return live;
}

}  // namespace platform
