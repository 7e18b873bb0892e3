#pragma once
// A fixture for tests of the control: a control with two frames of the tests (or the frames a
// derived fixture makes), unlocked for the page http://localhost/, its folders in the test's own
// folder, and helpers to call it through IDispatch and to hear its events.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "control/FotaroEx.h"
#include "tests/control/ServicesEnv.h"
#include "tests/control/TestFrame.h"
#include "tests/support/ComSupport.h"

namespace fotaro::test {

// A page parameter: an integer or a text.
using Param = std::pair<std::u16string, std::variant<int32_t, std::u16string>>;

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The control's frames: by default m_main and m_second, the tests' own.
  virtual FrameSet MakeFrames();

  IFotaroEx& control() { return *m_control; }
  IFotaroExHost& host() { return *m_control; }
  // Calls a method through GetIDsOfNames and Invoke.
  HRESULT Call(std::u16string_view name, DispArgs& args, VARIANT* result = nullptr);
  HRESULT Call(std::u16string_view name) {
    DispArgs none;
    return Call(name, none);
  }
  // Loads the parameters and creates the control's window (600 x 400).
  void Start(const std::vector<Param>& params);
  // Parameters that make the control start its main frame 600 x 400 when its window is made.
  static std::vector<Param> StartsFrame() { return {{u"EditMaxWidth", 600}, {u"EditMaxHeight", 400}}; }
  // A sink advised on the control's events (released by TearDown).
  TestSink& Advise(HRESULT answer = S_OK);
  // Runs the message loop until `done` (bounded); false when it did not happen in time.
  static bool RunUntil(const std::function<bool()>& done);
  // Handles every message already queued.
  static void Drain();

  ServicesEnv m_env;
  TestFrame* m_main = nullptr;  // owned by the control
  TestFrame* m_second = nullptr;
  CFotaroEx* m_control = nullptr;
  std::vector<TestSink*> m_sinks;
};

}  // namespace fotaro::test
