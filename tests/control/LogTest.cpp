#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "control/services/Log.h"
#include "tests/control/ServicesEnv.h"

namespace fs = std::filesystem;

namespace {

// The log decides once per process whether it is on, so each case runs in a child process
// (a death test) that starts with the decision not yet made; the child's exit code is the result.
// The "threadsafe" style runs the child as a fresh execution of the test program, so the decision
// is not inherited from earlier tests of the same run.
class LogTest : public ::testing::Test {
 protected:
  LogTest() { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

  std::string Marker() const { return env_.root().file("state") + "/Brennik/FotaroEx_Log.txt"; }
  std::string LogFolder() const { return env_.root().file("state") + "/Brennik/log"; }
  void CreateMarker() const {
    fs::create_directories(env_.root().file("state") + "/Brennik");
    std::ofstream(Marker()) << "";
  }
  std::string FirstLine(const std::string& file) const {
    std::ifstream in(LogFolder() + "/" + file);
    std::string line;
    std::getline(in, line);
    return line.size() > 8 ? line.substr(8) : std::string();  // without the time
  }

  int LogWithoutMarker() const {
    fotaro::Log("CUploadMgr::StartUpload", "entry");
    CreateMarker();  // too late: the answer was remembered
    fotaro::Log("CUploadMgr::StartUpload", "bConfirm = %d", 1);
    fotaro::Log("httpdownload.txt", "%s", std::u16string(u"x"));
    return fs::exists(LogFolder()) ? 1 : 0;
  }

  int LogWithMarker() const {
    fotaro::Log("CUploadMgr::StartUpload", "bConfirm = %d", 1);
    fs::remove(Marker());  // the log stays on for this process
    fotaro::Log("httpdownload.txt", "%s = %s", std::u16string(u"相册"), "x");
    char16_t page[] = u"http://localhost/相册";  // as a BSTR comes: a wide string that is not const
    fotaro::Log("page.txt", "%s", static_cast<char16_t*>(page));
    const bool ok = FirstLine("OrniFotaroEx.txt") == ": CUploadMgr::StartUpload: bConfirm = 1" &&
                    FirstLine("httpdownload.txt") == ": 相册 = x" && FirstLine("page.txt") == ": http://localhost/相册";
    return ok ? 0 : 1;
  }

  fotaro::test::ServicesEnv env_;
};

TEST_F(LogTest, WritesNothingWithoutTheMarkerAndTestsItOnlyOnce) {
  EXPECT_EXIT(std::exit(LogWithoutMarker()), ::testing::ExitedWithCode(0), "");
}

TEST_F(LogTest, WithTheMarkerWritesScopesToTheCommonFileAndNamesToTheirOwn) {
  CreateMarker();
  EXPECT_EXIT(std::exit(LogWithMarker()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
