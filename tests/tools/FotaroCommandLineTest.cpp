// What `fotaro` answers before it does any work: the help of every command, its version, and one
// line for bad usage.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/RunProgram.h"

namespace fotaro::test {
namespace {

const std::vector<std::string> kCommands = {"exif", "serve", "post", "watermark", "compress", "upload", "host", "help"};

ProgramOutcome Fotaro(const std::vector<std::string>& args) { return RunProgram(FOTARO_BIN, args); }

TEST(FotaroCommandLineTest, EveryCommandAnswersHelpOnStdout) {
  const ProgramOutcome overview = Fotaro({"--help"});
  EXPECT_EQ(overview.status, 0);
  for (const std::string& command : kCommands) {
    EXPECT_NE(overview.out.find("\n  " + command + " "), std::string::npos) << command << " missing in\n" << overview.out;
    for (const std::string flag : {"--help", "-h"}) {
      const ProgramOutcome outcome = Fotaro({command, flag});
      EXPECT_EQ(outcome.status, 0) << command << " " << flag;
      EXPECT_NE(outcome.out.find("Usage: fotaro " + command + " [OPTIONS]"), std::string::npos) << outcome.out;
      EXPECT_EQ(outcome.err, "");
    }
  }
  // `fotaro help COMMAND` shows the same.
  EXPECT_EQ(Fotaro({"help", "upload"}).out, Fotaro({"upload", "--help"}).out);

  const ProgramOutcome version = Fotaro({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("fotaro 1.", 0), 0u) << version.out;
}

TEST(FotaroCommandLineTest, BadUsageIsOneLineOnStderrAndStatus2) {
  std::vector<std::vector<std::string>> cases = {{}, {"no-such-command"}, {"help", "no-such-command"}};
  for (const std::string& command : kCommands) cases.push_back({command, "--no-such-option"});
  // A value out of range, a missing value, an option that needs another, a bad output name.
  cases.push_back({"serve", "--port", "65536"});
  cases.push_back({"serve", "--page-host", "127.0.0.1:47800"});
  cases.push_back({"host", "--library", "/no/such/libOrniFotaroEx.so"});
  cases.push_back({"upload", "--threads"});
  cases.push_back({"upload", "--url", "http://127.0.0.1:1/upload", "/"});
  cases.push_back({"watermark", "--name", "n", "--url", "u", "in.jpg", "out.gif"});
  for (const std::vector<std::string>& args : cases) {
    const ProgramOutcome outcome = Fotaro(args);
    const std::string command = args.empty() || args[0] == "no-such-command" ? "fotaro" : "fotaro " + args[0];
    EXPECT_EQ(outcome.status, 2) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    EXPECT_EQ(outcome.err.rfind(command + ": ", 0), 0u) << outcome.err;
  }
}

}  // namespace
}  // namespace fotaro::test
