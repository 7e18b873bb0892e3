#include "tests/engine/UploadMgrFixture.h"

#include <algorithm>

#include "platform/win/MessageLoop.h"

using namespace std::chrono_literals;

namespace fotaro::test {

namespace {
constexpr platform::UINT kMarker = platform::WM_USER + 1;
}

FrameWindow::~FrameWindow() { platform::DestroyWindow(hwnd()); }

platform::LRESULT FrameWindow::WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM,
                                       std::unique_ptr<platform::MessagePayload>& payload) {
  if (message == kMarker) marker = true;
  if (message != CM_UPLOADMGR) return 0;
  Received received{static_cast<int32_t>(wParam), std::nullopt, u"", 0};
  if (const auto* notice = dynamic_cast<UploadMgrNotice*>(payload.get())) received.notice = notice->message;
  if (const auto* file = dynamic_cast<UploadMgrFile*>(payload.get())) {
    received.file = file->strFile;
    received.value = file->nValue;
  }
  messages.push_back(std::move(received));
  return 0;
}

std::vector<int32_t> FrameWindow::Ends() const {
  std::vector<int32_t> ends;
  for (const Received& m : messages) {
    if (m.code == UPLOADMGR_BATCH_FAILED || m.code == UPLOADMGR_BATCH_DONE) ends.push_back(m.code);
  }
  return ends;
}

bool FrameWindow::WaitEnds(size_t count) {
  return platform::RunUntil([&] { return Ends().size() >= count; }, 60s);
}

void FrameWindow::Flush() {
  marker = false;
  platform::PostMessage(hwnd(), kMarker);
  platform::RunUntil([&] { return marker; }, 10s);
}

std::vector<UploadInfo> FrameWindow::Results() const {
  std::vector<UploadInfo> results;
  for (const Received& m : messages) {
    if (m.notice && m.code == ULSTRATEGY_UPLOAD_RESULT) results.push_back(std::get<UploadInfo>(m.notice->param));
  }
  return results;
}

int FrameWindow::IndexOf(int32_t code) const {
  const auto it = std::find_if(messages.begin(), messages.end(), [&](const Received& m) { return m.code == code; });
  return it == messages.end() ? -1 : static_cast<int>(it - messages.begin());
}

int FrameWindow::IndexOf(int32_t code, const std::u16string& file) const {
  const auto it = std::find_if(messages.begin(), messages.end(), [&](const Received& m) {
    return m.code == code && (m.notice ? m.notice->strFile : m.file) == file;
  });
  return it == messages.end() ? -1 : static_cast<int>(it - messages.begin());
}

void CUploadMgrTest::SetUp() {
  BatchFixture::SetUp();
  ASSERT_TRUE(m_frame.Create());
  m_mgr.SetKernelInfo(&m_kernel);
  m_mgr.SetULData(&m_queue);
  m_mgr.SetNotifyWnd(m_frame.hwnd());
}

void CUploadMgrTest::Start(const std::vector<std::u16string>& files) {
  std::vector<UploadFileEntry> entries;
  for (const std::u16string& file : files) entries.push_back({file, file, u""});
  m_mgr.SetUploadFiles(entries);
  m_mgr.PrepareUpload();
  m_mgr.StartUpload();
}

std::vector<std::pair<int32_t, std::u16string>> CUploadMgrTest::Errors() const {
  std::vector<std::pair<int32_t, std::u16string>> errors;
  for (const UploadErrorInfo& error : m_mgr.GetErrors()) errors.emplace_back(error.nCode, error.strFile);
  return errors;
}

}  // namespace fotaro::test
