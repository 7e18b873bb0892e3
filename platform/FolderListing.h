#pragma once
// What a folder holds, as a file picker shows it: its folders and files by name, without the
// hidden ones, in the order a person expects. Names and paths are the bytes the system uses
// (platform::PathFromBytes makes wide names of them).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct FolderEntry {
  std::string name;
  bool folder = false;  // a folder, or a link to one
  int64_t size = 0;     // the bytes of a file
};

// The folders and regular files in `path`, without "." and ".." and without hidden names (those
// starting with "."), ordered by NameLess. Links are followed; a broken link, a device or a socket
// is left out. False, with errno in `error` when given, when the folder cannot be read.
bool ListFolder(const std::string& path, std::vector<FolderEntry>* out, int* error = nullptr);

// True when `path` holds a folder that ListFolder would list. Reads no further than the first one.
bool HasSubfolder(const std::string& path);

// The order of names in a listing: letters without regard to ASCII case, and runs of digits by
// their value, so "IMG_2" comes before "img_10"; names that differ only there keep byte order.
bool NameLess(std::string_view a, std::string_view b);

}  // namespace platform
