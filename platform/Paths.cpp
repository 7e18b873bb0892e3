#include "platform/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace platform::paths {

namespace {

// $variable if set and absolute, else $HOME followed by `fallback`.
std::string XdgBase(const char* variable, const char* fallback) {
  if (const char* value = std::getenv(variable); value && value[0] == '/') return value;
  const std::string home = Home();
  return home.empty() ? std::string() : home + fallback;
}

std::string Under(const std::string& base, const char* rest) { return base.empty() ? std::string() : base + rest; }

// The folder `key` of user-dirs.dirs, whose lines read KEY="$HOME/Name" or KEY="/absolute/path"
// (the quotes escape '"', '\\' and '$' with a backslash); `fallback` under $HOME without such a line.
std::string UserDir(const std::string& key, const char* fallback) {
  const std::string home = Home();
  std::ifstream in(XdgBase("XDG_CONFIG_HOME", "/.config") + "/user-dirs.dirs");
  std::string found;
  bool have = false;
  for (std::string line; std::getline(in, line);) {
    if (line.compare(0, key.size() + 2, key + "=\"") != 0) continue;
    std::string value;
    for (size_t i = key.size() + 2; i < line.size() && line[i] != '"'; ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) ++i;
      value += line[i];
    }
    if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/')) {
      value = home + value.substr(5);
    } else if (value.empty() || value[0] != '/') {
      continue;  // neither form: not a folder
    }
    found = value;
    have = true;
  }
  if (!have) return home.empty() ? std::string() : home + fallback;
  while (found.size() > 1 && found.back() == '/') found.pop_back();
  return found == home ? std::string() : found;
}

}  // namespace

std::string Home() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return {};
}

std::string WorkingFolder() { return Under(XdgBase("XDG_CACHE_HOME", "/.cache"), "/Brennik/OrniFotaroEx"); }
std::string InstanceFolder() { return Under(XdgBase("XDG_CACHE_HOME", "/.cache"), "/Brennik/instances"); }
std::string SharedDataFolder() { return Under(XdgBase("XDG_DATA_HOME", "/.local/share"), "/Brennik/OrniFotaro/"); }
std::string LogMarker() { return Under(XdgBase("XDG_STATE_HOME", "/.local/state"), "/Brennik/FotaroEx_Log.txt"); }
std::string LogFolder() { return Under(XdgBase("XDG_STATE_HOME", "/.local/state"), "/Brennik/log"); }
std::string PicturesFolder() { return UserDir("XDG_PICTURES_DIR", "/Pictures"); }
std::string DocumentsFolder() { return UserDir("XDG_DOCUMENTS_DIR", "/Documents"); }
std::string RegistryStore() { return Under(XdgBase("XDG_CONFIG_HOME", "/.config"), "/Brennik/registry"); }

}  // namespace platform::paths
