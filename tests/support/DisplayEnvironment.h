#pragma once
// Tests of real windows: a virtual X server (Xvfb) of their own, started once per test program,
// with the GTK display opened on the test's main thread. Link tests/support/DisplayMain.cpp (which
// registers it) into such a program, and begin each test with FOTARO_REQUIRE_DISPLAY(), which
// skips the test, saying why, when Xvfb or the display is missing.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gfx/Bitmap.h"

namespace fotaro::test {

class BackgroundProgram;

class DisplayEnvironment : public ::testing::Environment {
 public:
  DisplayEnvironment();
  ~DisplayEnvironment() override;
  void SetUp() override;
  void TearDown() override;

  // Empty when the display is open, else why not.
  static const std::string& Missing();

 private:
  std::unique_ptr<BackgroundProgram> server_;
};

// Keeps the calling thread's message loop running until `done` holds, checking it every few
// milliseconds: for conditions that other programs (the X server, xclip) make true without
// sending the thread anything. False when `bound` ran out first.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds bound);

// Runs `program` (an absolute path) on a thread of its own while this thread's loop keeps serving
// the display (another program reading our clipboard waits for us). Returns its standard output,
// or nothing when it did not end within 20 seconds or failed.
std::string RunWhilePumping(const std::string& program, const std::vector<std::string>& args);

// Saves what a test's window showed as the PNG file screenshots/`name` in the working folder, and
// prints where it went.
void SaveScreenshot(const platform::gfx::Bitmap& shot, const std::string& name);

}  // namespace fotaro::test

#define FOTARO_REQUIRE_DISPLAY()                                                              \
  do {                                                                                        \
    if (!::fotaro::test::DisplayEnvironment::Missing().empty())                              \
      GTEST_SKIP() << "no display: " << ::fotaro::test::DisplayEnvironment::Missing();        \
  } while (0)
