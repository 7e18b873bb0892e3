#include "imaging/PreviewFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "control/services/Folders.h"
#include "control/services/Global.h"
#include "platform/CodePage.h"
#include "platform/TickCount.h"

namespace {

// The file this thread wrote last, and for which caller.
struct LastPreview {
  int callerId = 0;
  std::string path;
};
thread_local LastPreview t_last;

// Writes the bytes over the start of the file (made when missing) and cuts it to their length.
bool WriteInPlace(const std::string& path, const std::vector<uint8_t>& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool written = done == bytes.size() && ftruncate(fd, static_cast<off_t>(done)) == 0;
  return close(fd) == 0 && written;
}

}  // namespace

std::u16string WritePreviewFile(const std::vector<uint8_t>& preview, int callerId) {
  const std::u16string folder = fotaro::GetWorkingFolder(true);
  if (folder.empty()) return {};
  const std::u16string name =
      folder + u"/ULKERNEL_" + CGlobal::Instance().GetProcessTag() +
      platform::FromUtf8("." + std::to_string(callerId) + "." + std::to_string(platform::TickCount()) + ".jpg");
  const std::string path = platform::PathBytes(name);
  // When the last file has gone (the folder was removed), a new one is made.
  if (t_last.callerId == callerId && !t_last.path.empty() && t_last.path != path) {
    std::rename(t_last.path.c_str(), path.c_str());
  }
  t_last = {callerId, path};
  return WriteInPlace(path, preview) ? name : std::u16string();
}
