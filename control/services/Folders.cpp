#include "control/services/Folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/InstanceRegistry.h"
#include "platform/Paths.h"

namespace fotaro {

std::u16string GetWorkingFolder(bool create) {
  const std::string folder = platform::paths::WorkingFolder();
  if (folder.empty()) return {};
  struct stat info {};
  const bool isFolder = stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  if (!isFolder && lstat(folder.c_str(), &info) == 0) platform::RemoveTree(folder);
  if (create && !platform::MakeFolders(folder, 0700)) return {};
  return platform::PathFromBytes(folder);
}

bool CleanWorkingFolder() {
  const std::string folder = platform::paths::WorkingFolder();
  bool removed = false;
  platform::RunIfNoLiveInstance([&] { removed = folder.empty() || platform::RemoveTree(folder); });
  return removed;
}

std::u16string GetSharedDataFolder() {
  const std::string folder = platform::paths::SharedDataFolder();
  if (folder.empty() || !platform::MakeFolders(folder, 0700)) return {};
  return platform::PathFromBytes(folder);
}

}  // namespace fotaro
