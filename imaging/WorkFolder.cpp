#include "imaging/WorkFolder.h"

#include <filesystem>

#include "platform/Paths.h"

namespace fotaro::imaging {

std::string EstablishWorkingFolder() {
  namespace fs = std::filesystem;
  const std::string folder = platform::paths::WorkingFolder();
  if (folder.empty()) return {};
  std::error_code error;
  const fs::file_status status = fs::symlink_status(folder, error);
  if (fs::exists(status) && !fs::is_directory(status)) fs::remove(folder, error);
  if (!fs::is_directory(folder, error)) {
    fs::create_directories(folder, error);
    // The folder holds copies of the user's photos: only the user may read it.
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, error);
  }
  return fs::is_directory(folder, error) ? folder : std::string();
}

}  // namespace fotaro::imaging
