#pragma once
// Pieces that several subcommands share: the usage error, option checks, the default size-limit
// lists and the module's lifetime.

#include <CLI/CLI.hpp>

#include <string>

#include "control/services/Global.h"

namespace fotaro::cli {

// The exit status of bad usage.
inline constexpr int kUsageStatus = 2;

// Prints one line, "fotaro COMMAND: PROBLEM (see fotaro COMMAND --help)", on stderr and returns
// kUsageStatus.
int UsageError(const CLI::App& command, const std::string& problem);

// Option checks: a value that is not empty; an absolute http or https URL; a file or folder that
// exists (a name that leads nowhere is refused with the system's reason).
extern const CLI::Validator kNotEmpty;
extern const CLI::Validator kHttpUrl;
extern const CLI::Validator kExistingPath;

// The port of `fotaro host` unless told otherwise, where `fotaro serve`'s demo page looks for it.
inline constexpr int kPageHostPort = 47800;

// The settings record's own spec table, as size-limit lists (--big and --thumbs).
inline constexpr char kDefaultBigList[] = "FileData|0|0|670|800|90|0|0|0";
inline constexpr char kDefaultThumbList[] = "ThumbData|3|0|100|100|85|0|0|0";

// --big and --thumbs, with the defaults above.
void AddSizeListOptions(CLI::App* command, std::string* big, std::string* thumbs);

// How many photos the commands compress at once (--jobs): by default the number of processors.
inline constexpr long long kMaxJobs = 64;
long long DefaultJobs();
// --jobs N (1 to kMaxJobs), set to DefaultJobs() until given.
void AddJobsOption(CLI::App* command, int* jobs, const std::string& what);

// The process's global object and the working folder, removed when the command ends unless a
// control instance elsewhere still uses it.
struct ModuleScope {
  ModuleScope() { fotaro::ModuleAttach(""); }
  ~ModuleScope() { fotaro::ModuleDetach(); }
  ModuleScope(const ModuleScope&) = delete;
  ModuleScope& operator=(const ModuleScope&) = delete;
};

}  // namespace fotaro::cli
