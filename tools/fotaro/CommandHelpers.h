#pragma once
// Pieces that several subcommands share: number arguments, the default size-limit lists and the
// module's lifetime.

#include <cstdint>

#include "control/services/Global.h"

namespace fotaro::cli {

// The settings record's own spec table, as size-limit lists (--big and --thumbs).
inline constexpr char kDefaultBigList[] = "FileData|0|0|670|800|90|0|0|0";
inline constexpr char kDefaultThumbList[] = "ThumbData|3|0|100|100|85|0|0|0";

// A whole decimal number within [low, high].
bool ParseNumber(const char* text, long long low, long long high, long long* out);

// How many photos the commands compress at once (--jobs): by default the number of processors.
inline constexpr long long kMaxJobs = 64;
long long DefaultJobs();

// The process's global object and the working folder, removed when the command ends unless a
// control instance elsewhere still uses it.
struct ModuleScope {
  ModuleScope() { fotaro::ModuleAttach(""); }
  ~ModuleScope() { fotaro::ModuleDetach(); }
  ModuleScope(const ModuleScope&) = delete;
  ModuleScope& operator=(const ModuleScope&) = delete;
};

}  // namespace fotaro::cli
