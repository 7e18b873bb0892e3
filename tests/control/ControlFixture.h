#pragma once
// A fixture for tests of the control: a control with two frames of the tests, unlocked for the
// page http://localhost/, its folders in the test's own folder, and helpers to call it through
// IDispatch and to hear its events.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "control/FotaroEx.h"
#include "platform/win/Window.h"
#include "tests/control/ServicesEnv.h"
#include "tests/support/ComSupport.h"

namespace fotaro::test {

// A frame of the tests: a window of its own (a child of the control's) and a record of what the
// control asked of it.
class TestFrame : public CUploaderBase, public platform::Window {
 public:
  ~TestFrame() override { platform::DestroyWindow(hwnd()); }

  int32_t MessageBox(const char16_t* text, const char16_t* caption, const char16_t*, const char16_t*, const char16_t*,
                     int32_t, int32_t, platform::HWND) override;
  std::u16string GetExtraText() override { return {}; }
  void AddPhoto(int32_t type) override { Record("AddPhoto " + std::to_string(type)); }
  void StartUpload() override { Record("StartUpload"); }
  void StopUpload(int32_t confirm) override { Record("StopUpload " + std::to_string(confirm)); }
  void Layout(const platform::RECT&) override { Record("Layout"); }
  void ShowTipsMsg(const char16_t*) override {}
  int32_t GetPhotoCount() override { return photoCount; }
  bool LeaveControl() override;
  bool UploadInUploadFrame(bool bOnlySelected) override;
  bool IsFrameCreated() override { return platform::IsWindow(hwnd()); }
  void HideSortDropDown() override { Record("HideSortDropDown"); }
  void OnUserChanged() override { Record("OnUserChanged"); }
  platform::HWND CreateFrameWnd(platform::HWND parent, const platform::RECT& rect) override;
  void MoveFrameWnd(const platform::RECT& rect) override;
  void ShowFrameWnd() override { Record("Show"); }
  platform::LRESULT WndProc(platform::UINT, platform::WPARAM, platform::LPARAM,
                            std::unique_ptr<platform::MessagePayload>&) override {
    return 0;
  }

  const CULKernel_Info& kernel() const { return m_kernel; }
  int32_t uploadLimit() const { return m_nUploadLimit; }
  int32_t waterPressCheck() const { return m_bWaterPressCheck; }
  std::vector<std::u16string> texts() const { return {m_strUploadTitleText, m_strUploadBtnCompress, m_strUploadBtnWaterPress}; }
  std::pair<int32_t, int32_t> onceInfo() const { return {m_nOnceCountLimit, m_nOnceWaitTime}; }

  std::vector<std::string> calls;
  platform::RECT rect{};  // where the window was made or moved to
  int32_t photoCount = 0;
  bool uploadAccepted = true;

 private:
  void Record(std::string call) { calls.push_back(std::move(call)); }
};

// A page parameter: an integer or a text.
using Param = std::pair<std::u16string, std::variant<int32_t, std::u16string>>;

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

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
  TestFrame* m_main = new TestFrame;
  TestFrame* m_second = new TestFrame;
  CFotaroEx* m_control = nullptr;
  std::vector<TestSink*> m_sinks;
};

}  // namespace fotaro::test
