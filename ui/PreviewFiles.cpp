#include "ui/PreviewFiles.h"

#include <dirent.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "control/services/Folders.h"
#include "control/services/Log.h"
#include "imaging/GkHelper.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"

namespace {

constexpr const char* kLogScope = "CUploadPreview::GetFilesFromClipBoard";

std::atomic<int> g_screenshots{0};  // pastes of pictures in this process

// The names in a folder, sorted, without "." and "..".
std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

bool CPreviewFiles::IsPicture(const std::u16string& path) {
  const int format = CGkHelper::GetFileImageFormat(path);
  return format >= 0 && format <= 3;  // JPEG, GIF, PNG, BMP
}

std::vector<std::u16string> CPreviewFiles::GetFilesFromClipBoard(const std::vector<std::u16string>& names) {
  std::vector<std::u16string> files;
  for (const std::u16string& name : names) {
    if (name.empty() || name.size() > kMaxName) continue;
    const std::string bytes = platform::PathBytes(name);
    if (platform::IsFolder(bytes)) {
      for (const std::string& entry : FolderEntries(bytes)) {
        const std::u16string file = platform::PathFromBytes(bytes + "/" + entry);
        if (!platform::IsFolder(bytes + "/" + entry) && IsPicture(file)) files.push_back(file);
      }
    } else if (IsPicture(name)) {
      fotaro::Log(kLogScope, "hdrop str = %s", name);
      files.push_back(name);
    }
  }
  return files;
}

std::u16string CPreviewFiles::SaveScreenshot(const platform::gfx::Bitmap& picture, int gridId) {
  const std::u16string folder = fotaro::GetWorkingFolder(true);
  if (folder.empty() || picture.empty()) return {};
  char name[64];
  std::snprintf(name, sizeof name, "/SCREENSHOT_%d_%d.jpg", gridId, g_screenshots.fetch_add(1));
  const std::u16string path = folder + platform::FromUtf8(name);
  const CGkHelper::Image image(picture);
  return CGkHelper::SaveJpeg(&image, path, 100) ? path : std::u16string();
}
