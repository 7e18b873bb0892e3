#pragma once
// The updater hook: the control starts the maker's updater program, which is not part of this
// system, with what the page passes to UpdateVersion.
//
// The program is "OrniFotaroUpdateSvr" in the folder above the module's folder
// (<module folder>/../OrniFotaroUpdateSvr). It gets one argument, the parameter string
//
//   URL|MD5|<module folder>/../|wording|1      (0 at the end when no update is asked for)
//
// without surrounding quotes: the argument vector keeps it one argument, so quotes would only
// become part of it. Texts are in the system code page, the folder in the file system's bytes.
// The program is started detached, without a shell, and not waited for (platform/Shell.h: it is
// not our child, so it never becomes a zombie of the control's process).

#include <optional>
#include <string>

namespace fotaro {

struct UpdaterLaunch {
  std::string program;
  std::string argument;
};

// The program and its argument for the module at `modulePath`; nothing when the path names no
// folder (an empty path: a control that is not a loaded module).
std::optional<UpdaterLaunch> UpdaterCommand(const std::string& modulePath, const std::u16string& url,
                                            const std::u16string& md5, const std::u16string& wording, bool update);

// True when the program was started.
bool StartUpdater(const UpdaterLaunch& launch);

}  // namespace fotaro
