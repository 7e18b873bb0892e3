#include "tests/support/DisplayEnvironment.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/gfx/Image.h"
#include "platform/win/Display.h"
#include "platform/win/MessageLoop.h"
#include "tests/support/BackgroundProgram.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestImages.h"

namespace fotaro::test {

namespace {

constexpr const char* kXvfb = "/usr/bin/Xvfb";

std::string& MissingReason() {
  static std::string reason = "the display environment was not set up";
  return reason;
}

// Xvfb picks a free display number itself and writes it to the descriptor given by -displayfd.
std::string ReadDisplayNumber(int fd) {
  std::string number;
  pollfd wait{fd, POLLIN, 0};
  char c;
  while (poll(&wait, 1, 10000) > 0 && read(fd, &c, 1) == 1 && c != '\n') number += c;
  return number;
}

}  // namespace

DisplayEnvironment::DisplayEnvironment() = default;
DisplayEnvironment::~DisplayEnvironment() = default;

const std::string& DisplayEnvironment::Missing() { return MissingReason(); }

void DisplayEnvironment::SetUp() {
  if (access(kXvfb, X_OK) != 0) {
    MissingReason() = "Xvfb is not installed (Debian package xvfb; scripts/test.sh installs it)";
    return;
  }
  int channel[2];
  if (pipe2(channel, O_CLOEXEC) != 0) {
    MissingReason() = "no pipe for Xvfb";
    return;
  }
  server_ = std::make_unique<BackgroundProgram>(
      kXvfb, std::vector<std::string>{"-displayfd", "3", "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"},
      channel[1]);
  close(channel[1]);
  const std::string number = server_->started() ? ReadDisplayNumber(channel[0]) : "";
  close(channel[0]);
  if (number.empty()) {
    MissingReason() = "Xvfb did not start";
    return;
  }
  setenv("DISPLAY", (":" + number).c_str(), 1);
  // Settings from memory and no accessibility bridge, so that nothing starts a session bus tied to
  // this display: when the server ends at exit, such a bus would end too and GDBus would raise
  // SIGTERM in the test program.
  setenv("GSETTINGS_BACKEND", "memory", 1);
  setenv("NO_AT_BRIDGE", "1", 1);
  unsetenv("WAYLAND_DISPLAY");
  if (!platform::InitDisplay()) {
    MissingReason() = "GTK could not open display :" + number;
    return;
  }
  MissingReason().clear();
}

void DisplayEnvironment::TearDown() {
  // GTK keeps its connection to the end of the process; the server stays up until then too.
}

}  // namespace fotaro::test

namespace fotaro::test {

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    platform::RunUntil([] { return false; }, std::chrono::milliseconds(10));
  }
  return true;
}

std::string RunWhilePumping(const std::string& program, const std::vector<std::string>& args) {
  auto outcome = std::make_shared<ProgramOutcome>();
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread runner([=] {
    *outcome = RunProgram(program, args);
    *done = true;
  });
  const bool ended = PumpUntil([&] { return done->load(); }, std::chrono::seconds(20));
  if (!ended) {
    runner.detach();  // it holds what it uses; the test fails on the empty answer
    return {};
  }
  runner.join();
  return outcome->status == 0 ? outcome->out : std::string();
}

}  // namespace fotaro::test

namespace fotaro::test {

void SaveScreenshot(const platform::gfx::Bitmap& shot, const std::string& name) {
  mkdir("screenshots", 0755);
  std::vector<uint8_t> png;
  ASSERT_TRUE(platform::gfx::EncodeImage(platform::gfx::Image(shot), platform::gfx::ImageFormat::Png, 0, &png));
  WriteFile("screenshots/" + name, png);
  char folder[4096];
  std::printf("screenshot: %s/screenshots/%s\n", getcwd(folder, sizeof folder) ? folder : ".", name.c_str());
}

}  // namespace fotaro::test
