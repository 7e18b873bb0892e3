#pragma once
// The upload manager's tests: a frame window that keeps every CM_UPLOADMGR message, and a fixture
// with a manager wired to it, the batch fixture's settings and queue.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/UploadMgr.h"
#include "engine/UploadMgrMessage.h"
#include "platform/win/Window.h"
#include "tests/engine/BatchFixture.h"

namespace fotaro::test {

// The frame: keeps every CM_UPLOADMGR message it receives.
class FrameWindow : public platform::Window {
 public:
  struct Received {
    int32_t code;
    std::optional<UploadNotifyMsg> notice;  // the copy of a notification
    std::u16string file;                    // 103, 104
    int32_t value = 0;                      // 104
  };

  ~FrameWindow() override;
  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

  // Ends of batches received so far.
  std::vector<int32_t> Ends() const;
  // Handles the messages until `count` batches have ended; false when that took too long.
  bool WaitEnds(size_t count);
  // Handles every message posted before this call.
  void Flush();
  // The final results passed on, in arrival order.
  std::vector<UploadInfo> Results() const;
  // Index of the first message with `code`, or -1.
  int IndexOf(int32_t code) const;
  // Index of the first message with `code` about `file` (a notification's file key, or the file
  // of 103 and 104), or -1.
  int IndexOf(int32_t code, const std::u16string& file) const;

  std::vector<Received> messages;
  bool marker = false;
};

class CUploadMgrTest : public BatchFixture {
 protected:
  void SetUp() override;
  void Start(const std::vector<std::u16string>& files);
  std::vector<std::pair<int32_t, std::u16string>> Errors() const;

  FrameWindow m_frame;
  CUploadMgr m_mgr;
};

}  // namespace fotaro::test
