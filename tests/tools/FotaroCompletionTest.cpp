// The bash completion of fotaro, installed by the build's install step and asked as bash asks it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestImages.h"

namespace fotaro::test {
namespace {

TEST(FotaroCompletionTest, CompletesCommandsOptionsAndPaths) {
  if (access("/bin/bash", X_OK) != 0) GTEST_SKIP() << "no /bin/bash to ask";
  TempDir dir;
  const ProgramOutcome install = RunProgram(CMAKE_COMMAND, {"--install", FOTARO_BUILD_DIR, "--component", "bash-completion",
                                                           "--prefix", dir.file("usr")});
  ASSERT_EQ(install.status, 0) << install.err;
  const std::string script = dir.file("usr/share/bash-completion/completions/fotaro");
  ASSERT_TRUE(std::filesystem::exists(script));
  std::filesystem::create_directory(dir.file("photos"));
  WriteFile(dir.file("photos/a.jpg"), {});
  WriteFile(dir.file("photos/b.jpg"), {});

  const auto complete = [&](std::vector<std::string> words) {
    words.insert(words.begin(), {FOTARO_SOURCE_DIR "/tests/tools/complete.sh", script, FOTARO_BIN});
    const ProgramOutcome outcome = RunProgram("/bin/bash", words, {}, dir.path());
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    return outcome.out;
  };
  EXPECT_EQ(complete({"up"}), "upload\n");
  EXPECT_EQ(complete({"--ver"}), "--version\n");
  EXPECT_EQ(complete({"help", "c"}), "compress\n");
  EXPECT_EQ(complete({"upload", "--json", "--thr"}), "--threads\n");
  EXPECT_EQ(complete({"watermark", "-"}), "--help\n--name\n--picture\n--type\n--url\n-h\n");
  // Option values: none for an address, folders for a folder, files for a file.
  EXPECT_EQ(complete({"upload", "--url", ""}), "");
  EXPECT_EQ(complete({"compress", "-o", ""}), "photos\nusr\n");
  EXPECT_EQ(complete({"watermark", "--picture", "photos/"}), "photos/a.jpg\nphotos/b.jpg\n");
  // Other arguments are files, also after a flag and in a SPEC=PATH value.
  EXPECT_EQ(complete({"upload", "--silent", "photos/a"}), "photos/a.jpg\n");
  EXPECT_EQ(complete({"post", "--file", "FileData", "=", "photos/b"}), "photos/b.jpg\n");
}

}  // namespace
}  // namespace fotaro::test
