#include "platform/InstanceRegistry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string_view>

#include "platform/FileOps.h"
#include "platform/Paths.h"

namespace platform {

namespace {

constexpr std::string_view kPrefix = "instance.";

// Counts the live registrations in `folder`; stale ones are removed when the caller holds the
// folder's lock (without it a file might be a registration that is being made).
int CountUnderLock(const std::string& folder, bool lockHeld) {
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
    } else if (lockHeld) {
      unlink(file.c_str());  // its process is gone
    }
    close(fd);
  }
  closedir(entries);
  return live;
}

}  // namespace

InstanceRegistration::InstanceRegistration() : folder_(paths::InstanceFolder()) {
  if (folder_.empty() || !MakeFolders(folder_, 0700)) return;
  FileLock folderLock(folder_ + "/.lock");
  if (!folderLock.held()) return;
  std::string file = folder_ + "/" + std::string(kPrefix) + "XXXXXX";
  const int fd = mkostemp(file.data(), O_CLOEXEC);
  if (fd < 0) return;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    unlink(file.c_str());
    return;
  }
  fd_ = fd;
  file_ = std::move(file);
}

InstanceRegistration::~InstanceRegistration() {
  if (fd_ < 0) return;
  FileLock folderLock(folder_ + "/.lock");
  unlink(file_.c_str());
  close(fd_);
}

int CountLiveInstances() {
  const std::string folder = paths::InstanceFolder();
  if (folder.empty()) return 0;
  const FileLock folderLock(folder + "/.lock");
  return CountUnderLock(folder, folderLock.held());
}

bool RunIfNoLiveInstance(const std::function<void()>& action) {
  const std::string folder = paths::InstanceFolder();
  std::optional<FileLock> folderLock;
  if (!folder.empty()) folderLock.emplace(folder + "/.lock");
  if (folderLock && CountUnderLock(folder, folderLock->held()) > 0) return false;
  action();
  return true;
}

}  // namespace platform
