#include "tools/fotaro/CommandHelpers.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "net/HttpUrl.h"

namespace fotaro::cli {

int UsageError(const CLI::App& command, const std::string& problem) {
  std::string name = command.get_name();
  for (const CLI::App* parent = command.get_parent(); parent; parent = parent->get_parent()) {
    name = parent->get_name() + " " + name;
  }
  std::string line = problem;
  std::replace(line.begin(), line.end(), '\n', ' ');
  std::fprintf(stderr, "%s: %s (see %s --help)\n", name.c_str(), line.c_str(), name.c_str());
  return kUsageStatus;
}

const CLI::Validator kNotEmpty(
    [](const std::string& value) { return value.empty() ? std::string("must not be empty") : std::string(); }, "");

const CLI::Validator kHttpUrl(
    [](const std::string& value) {
      return fotaro::net::ParseHttpUrl(value) ? std::string() : "'" + value + "' is not an http or https URL";
    },
    "");

const CLI::Validator kExistingPath(
    [](const std::string& value) {
      struct stat info {};
      return stat(value.c_str(), &info) == 0 ? std::string() : value + ": " + std::strerror(errno);
    },
    "");

void AddSizeListOptions(CLI::App* command, std::string* big, std::string* thumbs) {
  *big = kDefaultBigList;
  *thumbs = kDefaultThumbList;
  command->add_option("--big", *big, "size-limit list of the big pictures")->type_name("LIST")->check(kNotEmpty)->capture_default_str();
  command->add_option("--thumbs", *thumbs, "size-limit list of the thumbnails")->type_name("LIST")->check(kNotEmpty)->capture_default_str();
}

long long DefaultJobs() { return std::clamp<long long>(std::thread::hardware_concurrency(), 1, kMaxJobs); }

void AddJobsOption(CLI::App* command, int* jobs, const std::string& what) {
  *jobs = static_cast<int>(DefaultJobs());
  command->add_option("--jobs", *jobs, what + " (default: the number of processors)")
      ->type_name("N")
      ->check(CLI::Range(1LL, kMaxJobs));
}

}  // namespace fotaro::cli
