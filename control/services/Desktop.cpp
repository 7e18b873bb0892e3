#include "control/services/Desktop.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/CodePage.h"
#include "platform/Drives.h"
#include "platform/RegistryStore.h"
#include "platform/Shell.h"

namespace fotaro {

namespace {

constexpr size_t kMaxNimbraFolder = 1023;

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char16_t c = text[i] >= u'A' && text[i] <= u'Z' ? char16_t(text[i] - u'A' + u'a') : text[i];
    if (c != prefix[i]) return false;
  }
  return true;
}

bool IsWebUrl(std::u16string_view url) {
  return StartsWithNoCase(url, u"http://") || StartsWithNoCase(url, u"https://");
}

// The maker's browser from the registry store, when it names an executable file.
std::string MakersBrowser() {
  const auto program = platform::RegistryStore().Read(kBrowserKey, u"EXE");
  if (!program || program->empty()) return {};
  const std::string path = platform::PathBytes(*program);
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || access(path.c_str(), X_OK) != 0) return {};
  return path;
}

}  // namespace

bool OpenInBrowser(std::u16string_view url) {
  if (!IsWebUrl(url)) return false;
  const std::string target = platform::Utf8(url);
  const std::string browser = MakersBrowser();
  if (!browser.empty() && platform::StartDetached({browser, target})) return true;
  return platform::OpenWithDesktop(target);
}

std::u16string GetNimbraFolder() {
  auto folder = platform::RegistryStore().Read(kNimbraKey, kNimbraKey);
  if (!folder || folder->size() > kMaxNimbraFolder) return {};
  return std::move(*folder);
}

std::vector<std::u16string> GetRemovableDriveRoots() {
  std::vector<std::u16string> roots;
  for (const std::string& root : platform::RemovableDriveRoots()) roots.push_back(platform::PathFromBytes(root));
  return roots;
}

}  // namespace fotaro
