#pragma once
// Runs a program of the build (the fotaro binary) in a process of its own and collects what it
// printed, for the tests of the command line.

#include <string>
#include <vector>

namespace fotaro::test {

struct ProgramOutcome {
  int status = -1;   // the exit status; -1 when it did not exit normally
  std::string out;   // stdout
  std::string err;   // stderr
};

// The environment of the test with `extra` ("NAME=VALUE" entries) first, so that they win.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& extra);

// Runs `program` with `args`, the environment of the test plus `extraEnvironment` ("NAME=VALUE"
// entries, which win), in the folder `workingDirectory` (the test's own when empty).
ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                          const std::vector<std::string>& extraEnvironment = {}, const std::string& workingDirectory = "");

}  // namespace fotaro::test
