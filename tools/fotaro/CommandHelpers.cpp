#include "tools/fotaro/CommandHelpers.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <thread>

namespace fotaro::cli {

bool ParseNumber(const char* text, long long low, long long high, long long* out) {
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value < low || value > high) return false;
  *out = value;
  return true;
}

long long DefaultJobs() {
  return std::clamp<long long>(std::thread::hardware_concurrency(), 1, kMaxJobs);
}

}  // namespace fotaro::cli
