#pragma once
// Small file-system operations that several parts of the platform layer share. Paths are UTF-8.

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

}  // namespace platform
