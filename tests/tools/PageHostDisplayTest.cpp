// `fotaro host` on a virtual X server of the test's own: a page's control shows its frame in a
// top-level window titled with the page's origin, and the window goes with the page. The test
// saves what the screen shows of the window as screenshots/page-host.png in its working folder.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "tests/support/DisplayEnvironment.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"
#include "tests/tools/PageClient.h"

namespace fotaro::test {
namespace {

using nlohmann::json;

constexpr char kXdotool[] = "/usr/bin/xdotool";
constexpr char kImport[] = "/usr/bin/import";
constexpr char kOrigin[] = "http://localhost:8080";

// The visible windows titled exactly `title`, one id a line.
std::string WindowsTitled(const std::string& title) {
  return RunProgram(kXdotool, {"search", "--onlyvisible", "--name", "^" + title + "$"}).out;
}

TEST(PageHostDisplayTest, APagesControlShowsItsFrameInAWindowTitledWithTheOrigin) {
  FOTARO_REQUIRE_DISPLAY();
  if (access(kXdotool, X_OK) != 0) GTEST_SKIP() << "xdotool is not installed (scripts/test.sh installs it)";
  TempDir dir;
  // The host opens the test's display; GTK and X keep caches for the life of the process that the
  // leak checker cannot trace, so this host is not checked for leaks (the headless tests are).
  BackgroundOptions options;
  options.readOutput = true;
  options.environment = {"XDG_CACHE_HOME=" + dir.file("cache"), "XDG_STATE_HOME=" + dir.file("state"),
                         "ASAN_OPTIONS=detect_leaks=0"};
  BackgroundProgram host(FOTARO_BIN, {"host", "--port", "0"}, options);
  const std::string url = host.ReadLine().value_or("");
  ASSERT_FALSE(url.empty());

  PageClient page;
  ASSERT_TRUE(page.Connect(url, kOrigin));
  ASSERT_EQ(page.Create({{"FrameType", 0}, {"ActiveFrame", 0}, {"EditMaxWidth", 760}, {"EditMaxHeight", 520}}),
            json({{"op", "created"}}));
  EXPECT_EQ(page.NextEvent().value_or(nullptr).value("name", ""), "OnSink_AxInited");
  std::string windows;
  ASSERT_TRUE(PumpUntil([&] { return !(windows = WindowsTitled(kOrigin)).empty(); }, std::chrono::seconds(20)));
  const std::string window = windows.substr(0, windows.find('\n'));
  EXPECT_NE(RunProgram(kXdotool, {"getwindowgeometry", window}).out.find("Geometry: 760x520"), std::string::npos);
  if (access(kImport, X_OK) == 0) {
    // The window is mapped before the frame has painted: wait until it shows more than one colour.
    EXPECT_TRUE(PumpUntil([&] { return RunProgram(kImport, {"-window", window, "-format", "%k", "info:"}).out != "1"; },
                          std::chrono::seconds(20)));
    mkdir("screenshots", 0755);
    EXPECT_EQ(RunProgram(kImport, {"-window", window, "screenshots/page-host.png"}).status, 0);
  }

  page.socket().Close();
  EXPECT_TRUE(PumpUntil([] { return WindowsTitled(kOrigin).empty(); }, std::chrono::seconds(20)));
  EXPECT_EQ(host.Stop(), 0);
}

}  // namespace
}  // namespace fotaro::test
