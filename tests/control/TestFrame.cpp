#include "tests/control/TestFrame.h"

#include "platform/CodePage.h"

namespace fotaro::test {

int32_t TestFrame::MessageBox(const char16_t* text, const char16_t* caption, const char16_t*, const char16_t*,
                              const char16_t*, int32_t, int32_t, platform::HWND) {
  Record("MessageBox " + platform::Utf8(caption) + " " + platform::Utf8(text));
  return 0;
}

bool TestFrame::LeaveControl() {
  Record("LeaveControl");
  return true;
}

bool TestFrame::UploadInUploadFrame(bool bOnlySelected) {
  Record(bOnlySelected ? "Upload selected" : "Upload all");
  return uploadAccepted;
}

platform::HWND TestFrame::CreateFrameWnd(platform::HWND parent, const platform::RECT& frameRect) {
  if (!Create(parent)) return nullptr;
  Record("Create");
  m_hFrameWnd = hwnd();
  rect = frameRect;
  return hwnd();
}

void TestFrame::MoveFrameWnd(const platform::RECT& frameRect) {
  Record("Move");
  rect = frameRect;
}

}  // namespace fotaro::test
