#pragma once
// Every folder and file location of the platform, in one place. Paths are UTF-8 byte strings;
// folders have no trailing "/" unless stated. Each location follows the XDG base-directory rules
// ($XDG_CACHE_HOME, $XDG_DATA_HOME, $XDG_STATE_HOME, $XDG_CONFIG_HOME, each defaulting under $HOME).

#include <string>

namespace platform::paths {

// The user's home folder ($HOME, else the password database); empty if neither is known.
std::string Home();

// Temporary images and answer files: $XDG_CACHE_HOME/Brennik/OrniFotaroEx (created 0700).
std::string WorkingFolder();
// Live-instance registrations shared by every process of the user: $XDG_CACHE_HOME/Brennik/instances.
std::string InstanceFolder();
// Shared data: $XDG_DATA_HOME/Brennik/OrniFotaro/ (with the trailing "/").
std::string SharedDataFolder();
// The diagnostic log is written only while this marker file exists: $XDG_STATE_HOME/Brennik/FotaroEx_Log.txt.
std::string LogMarker();
// The log files: $XDG_STATE_HOME/Brennik/log.
std::string LogFolder();
// The user's pictures and documents folders as the desktop names them: XDG_PICTURES_DIR and
// XDG_DOCUMENTS_DIR of $XDG_CONFIG_HOME/user-dirs.dirs, read on every call, else $HOME/Pictures and
// $HOME/Documents. Empty when the desktop turned the folder off (set it to $HOME). The folder may
// not exist.
std::string PicturesFolder();
std::string DocumentsFolder();
// The persisted key/value store that stands in for the registry: $XDG_CONFIG_HOME/Brennik/registry.
std::string RegistryStore();

}  // namespace platform::paths
