#pragma once
// CSlientUploader: uploads a list of files one after the other without showing them, for the
// page's silent mode (a file list, or the photos of the grid). It runs the same compression job,
// upload queue and strategy as the upload manager, one file at a time, and reports to the control
// with message CM_SILENTUPLOADER, sent to its notify window (the control) while that window exists:
//
//   wParam 1 CM_SLIENTUPLOADER_UPLOADRESULT  a finished photo's answer document (SilentAnswer.h)
//          2 CM_SLIENTUPLOADER_STARTUPLOAD   a photo's upload starts (its path)
//          3 CM_SLIENTUPLOADER_STOPUPLOAD    the batch ended
//          4 CM_SLIENTUPLOADER_PROGRESS      lParam: the percent of the current photo
//          6 CM_SLIENTUPLOADER_ERROR         an error text
//
// Texts travel as a SilentText payload, valid during the call. The sends block the notification
// worker until the control's window has handled them.
//
// The batch: each accepted photo (result 0, or -301 with the album it moved to) starts the next;
// the last one ends the batch. A result below -400 ends it at once. After any other result, and
// after a photo that failed before its upload while others are pending, the batch waits: the page
// stops it (Finish) and hands the photos it has no answer for to a new batch. There are no
// retries: each result takes the photo out of the queue.
//
// Locks: the map lock guards the strategies and the batch's lists and flags; it is never held
// while a message is sent or a strategy is cancelled.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/CompressItem.h"
#include "engine/UploadJobOwner.h"
#include "platform/win/Window.h"

class CULKernel;
class CULStrategy;

constexpr platform::UINT CM_SILENTUPLOADER = platform::WM_USER + 20;

enum : platform::WPARAM {
  CM_SLIENTUPLOADER_UPLOADRESULT = 1,
  CM_SLIENTUPLOADER_STARTUPLOAD = 2,
  CM_SLIENTUPLOADER_STOPUPLOAD = 3,
  CM_SLIENTUPLOADER_PROGRESS = 4,
  CM_SLIENTUPLOADER_ERROR = 6,
};

struct SilentText : platform::MessagePayload {
  explicit SilentText(std::u16string text) : strText(std::move(text)) {}
  std::u16string strText;
};

class CSlientUploader : public platform::Window, public CUploadJobOwner {
 public:
  CSlientUploader();
  // Ends a running batch (Finish), then waits for the jobs and notifications still on their way.
  ~CSlientUploader() override;

  // A new list: the frame's settings and queue, the window to report to, the paths in order.
  void SetFiles(CULKernel* kernel, CULData* queue, platform::HWND notifyWnd, std::vector<std::u16string> paths);
  // Starts the batch (first) or the next file; with nothing pending it ends the batch (a first
  // start with an empty list reports "没有图片可以上传" first).
  void StartUpload(bool first);
  // Cancels the file at `index` of the batch (counted from 0 over the whole list) before it
  // starts; false when it has started already or there is no such file.
  bool CancelTask(int index);
  // Ends a running batch: nothing pending, every strategy cancelled, the queue records of the
  // batch removed; sends CM_SLIENTUPLOADER_STOPUPLOAD.
  void Finish();
  // Starts one file: its compression job, then its upload.
  void UploadOneFile(const std::u16string& path);
  // The handling of one notification (on the notification pool).
  void ParseUploadMsg(const UploadNotifyMsg& message);

  bool IsRunning() const;

  // CUploadEventReceiver
  void OnUploadNotify(const UploadNotifyHandle& message) override { ParseUploadMsg(*message); }
  CULData* GetULData() override { return m_pULData.load(); }
  // CUploadJobOwner
  JobAccount GetJobAccount() override;

  // The window only gives the uploader a handle; it handles no messages.
  platform::LRESULT WndProc(platform::UINT, platform::WPARAM, platform::LPARAM,
                            std::unique_ptr<platform::MessagePayload>&) override {
    return 0;
  }

 private:
  void OnResult(const UploadNotifyMsg& message);
  // A photo that ended without a server answer (compression failed, the upload did not start).
  void OnFailedBeforeUpload(const std::u16string& path, int32_t code, const std::u16string& reason);
  // True while `path` is the photo in flight (a late start or progress report of a photo that
  // has its result is dropped).
  bool IsCurrent(const std::u16string& path) const;
  // Takes the strategy of `path` out of the map; null when the path is not a file of the batch.
  std::shared_ptr<CULStrategy> TakeStrategy(const std::u16string& path);
  // Removes the queue record of `path` and its outputs; false when there was none.
  bool RemoveRecord(const std::u16string& path);
  void Send(platform::WPARAM code, platform::LPARAM value, std::unique_ptr<platform::MessagePayload> payload = nullptr);

  std::vector<std::u16string> m_pending;
  std::vector<std::u16string> m_cancelled;
  int32_t m_nTaken = 0;
  std::map<std::u16string, std::shared_ptr<CULStrategy>> m_strategies;
  CULKernel* m_pKernelInfo = nullptr;
  std::atomic<CULData*> m_pULData{nullptr};
  bool m_bRunning = false;
  CancelFlag m_pCancelled;  // set for the jobs of the batch when it ends
  std::atomic<platform::HWND> m_hNotifyWnd{nullptr};
  std::atomic<bool> m_bClosing{false};  // the destructor runs: notifications are ignored
  mutable std::mutex m_mapLock;
  const uint32_t m_dwBatchStamp;  // the tick count at construction, sent as "uploadtime"
};
