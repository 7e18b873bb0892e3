#pragma once
// Tests of real windows: a virtual X server (Xvfb) of their own, started once per test program,
// with the GTK display opened on the test's main thread. Link tests/support/DisplayMain.cpp (which
// registers it) into such a program, and begin each test with FOTARO_REQUIRE_DISPLAY(), which
// skips the test, saying why, when Xvfb or the display is missing.

#include <memory>
#include <string>

#include <gtest/gtest.h>

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

}  // namespace fotaro::test

#define FOTARO_REQUIRE_DISPLAY()                                                              \
  do {                                                                                        \
    if (!::fotaro::test::DisplayEnvironment::Missing().empty())                              \
      GTEST_SKIP() << "no display: " << ::fotaro::test::DisplayEnvironment::Missing();        \
  } while (0)
