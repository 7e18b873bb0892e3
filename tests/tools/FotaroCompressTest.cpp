// `fotaro compress` in a process of its own.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestImages.h"

namespace fotaro::test {
namespace {

// Verifies that the output lines follow the photos given, whatever the number of jobs, and that a
// photo that fails is reported without stopping the others.
TEST(FotaroCompressTest, LinesFollowThePhotosGivenWithAnyNumberOfJobs) {
  TempDir dir;
  std::vector<std::string> args = {"compress", "-o", dir.file("out")};
  std::string expected;
  for (int i = 0; i < 6; ++i) {
    const std::string photo = dir.file("p" + std::to_string(i) + ".jpg");
    const int width = 160 - 10 * i;
    if (i == 3) {
      WriteFile(photo, std::vector<uint8_t>{'n', 'o'});
    } else {
      WriteFile(photo, TestJpeg(width, 100));
      expected += photo + "\tFileData\t" + dir.file("out/p" + std::to_string(i) + "_FileData.jpg") + "\t" +
                  std::to_string(width) + "x100\t";
    }
    args.push_back(photo);
  }
  const std::vector<std::string> environment = {"XDG_CACHE_HOME=" + dir.file("cache")};
  for (const char* jobs : {"1", "4"}) {
    std::vector<std::string> withJobs = args;
    withJobs.insert(withJobs.begin() + 1, {"--jobs", jobs});
    const ProgramOutcome outcome = RunProgram(FOTARO_BIN, withJobs, environment);
    EXPECT_EQ(outcome.status, 1) << jobs;
    EXPECT_NE(outcome.err.find(dir.file("p3.jpg") + ": 5 "), std::string::npos) << outcome.err;
    // The big picture's line of each good photo without its byte count, in order.
    std::string big;
    std::istringstream lines(outcome.out);
    for (std::string line; std::getline(lines, line);) {
      if (line.find("\tFileData\t") != std::string::npos) big += line.substr(0, line.rfind('\t') + 1);
    }
    EXPECT_EQ(big, expected) << jobs;
  }
  EXPECT_EQ(RunProgram(FOTARO_BIN, {"compress", "--jobs", "0", "-o", dir.file("out"), dir.file("p0.jpg")}).status, 2);
}

}  // namespace
}  // namespace fotaro::test
