#include "platform/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace platform::paths {

namespace {

// $variable if set and absolute, else $HOME followed by `fallback`.
std::string XdgBase(const char* variable, const char* fallback) {
  if (const char* value = std::getenv(variable); value && value[0] == '/') return value;
  const std::string home = Home();
  return home.empty() ? std::string() : home + fallback;
}

std::string Under(const std::string& base, const char* rest) { return base.empty() ? std::string() : base + rest; }

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
std::string RegistryStore() { return Under(XdgBase("XDG_CONFIG_HOME", "/.config"), "/Brennik/registry"); }

}  // namespace platform::paths
