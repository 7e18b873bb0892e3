#pragma once
// Small file-system operations that several parts of the platform layer share. Paths are the
// bytes the system uses (platform::PathBytes of a wide name).

#include <sys/types.h>

#include <string>

namespace platform {

// Creates `path` and every missing parent with `mode` (the umask still applies). True when `path`
// is a folder afterwards, whether it was made now or existed already.
bool MakeFolders(const std::string& path, mode_t mode);

// Removes `path` and, for a folder, everything in it. Folders are made writable first so that a
// read-only folder inside does not stop the removal; symbolic links are removed, never followed.
// Errors are ignored; true when nothing is left at `path`.
bool RemoveTree(const std::string& path);

// True when `path` names a regular file, and when it names a folder (symbolic links followed).
bool IsRegularFile(const std::string& path);
bool IsFolder(const std::string& path);

// Writes all `size` bytes at `data` to `fd`, again after EINTR and short writes. False (errno
// set) when a write fails.
bool WriteAll(int fd, const void* data, size_t size);

// Holds an exclusive flock on `lockFile` (created 0600 when missing) for its lifetime, waiting for
// other holders in any process. held() is false when the file cannot be opened or locked.
class FileLock {
 public:
  explicit FileLock(const std::string& lockFile);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool held() const { return fd_ >= 0; }

 private:
  int fd_;
};

}  // namespace platform
