#include "control/services/Log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "platform/Paths.h"

namespace fotaro {

bool LogEnabled() {
  static const bool enabled = [] {
    const std::string marker = platform::paths::LogMarker();
    return !marker.empty() && access(marker.c_str(), F_OK) == 0;
  }();
  return enabled;
}

void LogLine(std::string_view name, const std::string& message) {
  const std::string folder = platform::paths::LogFolder();
  if (folder.empty()) return;
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);

  const bool isScope = name.find("::") != std::string_view::npos;
  const std::string file = folder + "/" + (isScope ? std::string("OrniFotaroEx.txt") : std::string(name));

  char clock[16];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::strftime(clock, sizeof clock, "%H:%M:%S", &local);

  std::string line = std::string(clock) + ": ";
  if (isScope) line.append(name).append(": ");
  line += message;
  line += '\n';
  std::ofstream out(file, std::ios::app | std::ios::binary);
  out << platform::ToCodePage(platform::FromUtf8(line));
}

}  // namespace fotaro
