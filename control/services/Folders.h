#pragma once
// The control's folders: the working folder for temporary images and answers, and the shared data
// folder. Paths are wide strings (UTF-8 when they reach the file system); their locations are
// those of platform/Paths.h and are read on every call.

#include <string>

namespace fotaro {

// The working folder, without a trailing "/"; empty when no home folder is known. Anything that
// is not a folder at that path (a file, a dangling link) is removed first. With `create` the
// folder is made, mode 0700 with its parents, when missing; if that fails the result is empty.
std::u16string GetWorkingFolder(bool create);

// Removes the working folder and everything in it, unless a control instance (a CGlobal) is
// alive in any process. True when it was removed or was not there.
bool CleanWorkingFolder();

// The shared data folder, with a trailing "/", made when missing; empty when it cannot be made.
std::u16string GetSharedDataFolder();

}  // namespace fotaro
