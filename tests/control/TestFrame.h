#pragma once
// A frame of the tests and the fuzzer: it makes a window of its own when the control asks, and
// records what the control asked of it.

#include <string>
#include <utility>
#include <vector>

#include "control/UploaderBase.h"
#include "platform/win/Window.h"

namespace fotaro::test {

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
  int32_t autoCompress() const { return m_bAutoCompress; }
  const std::u16string& title() const { return m_strUploadTitleText; }
  std::vector<std::u16string> texts() const { return {m_strUploadTitleText, m_strUploadBtnCompress, m_strUploadBtnWaterPress}; }
  std::pair<int32_t, int32_t> onceInfo() const { return {m_nOnceCountLimit, m_nOnceWaitTime}; }

  std::vector<std::string> calls;
  platform::RECT rect{};  // where the window was made or moved to
  int32_t photoCount = 0;
  bool uploadAccepted = true;

 private:
  void Record(std::string call) { calls.push_back(std::move(call)); }
};

}  // namespace fotaro::test
