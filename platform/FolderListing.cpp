#include "platform/FolderListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace platform {

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

bool Hidden(const char* name) { return name[0] == '.'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// -1, 0 or 1 as `a` sorts before, with or after `b` by NameLess's first rule.
int CompareNatural(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      // Compare the two numbers by value: skip leading zeros, then the longer run is larger.
      size_t i0 = i, j0 = j;
      while (i0 < a.size() && a[i0] == '0') ++i0;
      while (j0 < b.size() && b[j0] == '0') ++j0;
      size_t i1 = i0, j1 = j0;
      while (i1 < a.size() && IsDigit(a[i1])) ++i1;
      while (j1 < b.size() && IsDigit(b[j1])) ++j1;
      if (i1 - i0 != j1 - j0) return i1 - i0 < j1 - j0 ? -1 : 1;
      if (const int c = a.substr(i0, i1 - i0).compare(b.substr(j0, j1 - j0)); c != 0) return c < 0 ? -1 : 1;
      i = i1;
      j = j1;
      continue;
    }
    const unsigned char ca = static_cast<unsigned char>(Lower(a[i]));
    const unsigned char cb = static_cast<unsigned char>(Lower(b[j]));
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

// The status of what the entry of `dir` names, following a link; false when there is none.
bool EntryStat(DIR* dir, const dirent* entry, struct stat* info) {
  return fstatat(dirfd(dir), entry->d_name, info, 0) == 0;
}

}  // namespace

bool NameLess(std::string_view a, std::string_view b) {
  const int c = CompareNatural(a, b);
  return c != 0 ? c < 0 : a < b;
}

bool ListFolder(const std::string& path, std::vector<FolderEntry>* out, int* error) {
  out->clear();
  DirHandle dir(opendir(path.c_str()));
  if (!dir) {
    if (error) *error = errno;
    return false;
  }
  while (const dirent* entry = readdir(dir.get())) {
    if (Hidden(entry->d_name)) continue;
    struct stat info;
    if (!EntryStat(dir.get(), entry, &info)) continue;
    if (S_ISDIR(info.st_mode)) {
      out->push_back(FolderEntry{entry->d_name, true, 0});
    } else if (S_ISREG(info.st_mode)) {
      out->push_back(FolderEntry{entry->d_name, false, static_cast<int64_t>(info.st_size)});
    }
  }
  std::sort(out->begin(), out->end(), [](const FolderEntry& a, const FolderEntry& b) { return NameLess(a.name, b.name); });
  return true;
}

bool HasSubfolder(const std::string& path) {
  DirHandle dir(opendir(path.c_str()));
  if (!dir) return false;
  while (const dirent* entry = readdir(dir.get())) {
    if (Hidden(entry->d_name)) continue;
    // The entry's type from the folder itself where the file system gives it; a link or an
    // unknown type needs a look at what it names.
    if (entry->d_type == DT_DIR) return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) continue;
    struct stat info;
    if (EntryStat(dir.get(), entry, &info) && S_ISDIR(info.st_mode)) return true;
  }
  return false;
}

}  // namespace platform
