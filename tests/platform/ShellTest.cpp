#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/Shell.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

using fotaro::test::WaitForFileContent;

namespace {

TEST(ShellTest, StartsAProgramWithItsArgumentsAsTheyAreAndLeavesNoChild) {
  fotaro::test::TempDir dir;
  const std::string script = dir.file("record");
  std::ofstream(script) << "#!/bin/sh\nprintf '%s|%s' \"$1\" \"$2\" > \"$3\"\n";
  chmod(script.c_str(), 0755);

  const std::string tricky = "a b;touch pwned $(id) `id` > x";
  ASSERT_TRUE(platform::StartDetached({script, tricky, "", dir.file("out")}));
  EXPECT_EQ(WaitForFileContent(dir.file("out")), tricky + "|");
  EXPECT_FALSE(std::ifstream(dir.file("pwned")).good());

  // The program was never our child, and the process that started it has been reaped.
  int status = 0;
  EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(ShellTest, ReportsAProgramThatCannotBeStarted) {
  fotaro::test::TempDir dir;
  EXPECT_FALSE(platform::StartDetached({}));
  EXPECT_FALSE(platform::StartDetached({""}));
  EXPECT_FALSE(platform::StartDetached({"fotaro-no-such-program-anywhere"}));
  EXPECT_FALSE(platform::StartDetached({dir.file("missing")}));
  std::ofstream(dir.file("not-executable")) << "#!/bin/sh\n";
  EXPECT_FALSE(platform::StartDetached({dir.file("not-executable")}));
}

}  // namespace
