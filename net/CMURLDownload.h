#pragma once
// CCMURLDownload: fetches one URL into a local file on a worker thread of its own (idle priority)
// and reports to a window by posted messages:
//
//   CM_URLDOWNLOAD  wParam 0 (URLDOWNLOAD_PROGRESS)  lParam: percent 0..100 (posted when it changes;
//                                                    100 as soon as data arrives when the server
//                                                    gives no length)
//                   wParam 1 (URLDOWNLOAD_FINISHED)  lParam 0: the file is at the local path
//                                                    lParam 1: the download failed
//
// Only http and https URLs are fetched (redirects too, at most 5). The answer goes into a
// temporary file in the local path's folder and is renamed to the local path only once it is
// complete: a status other than 2xx, an answer over kMaxBytes, a transfer error or a stall of a
// minute fails the download and leaves no file at the local path (Start removes an old one
// first). A stopped download ends without any message and without a file.
//
// The object is owned by its user, reused for successive downloads, and stopped by its user when
// the finished message arrives (or by its destructor). A window that is gone receives nothing.

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/win/Types.h"
#include "widgets/CMThreadModel.h"

constexpr platform::UINT CM_URLDOWNLOAD = platform::WM_USER + 23;

enum : platform::WPARAM {
  URLDOWNLOAD_PROGRESS = 0,
  URLDOWNLOAD_FINISHED = 1,
};

class CCMURLDownload : public CCMThreadModel {
 public:
  static constexpr int64_t kMaxBytes = int64_t{32} << 20;

  CCMURLDownload() = default;
  ~CCMURLDownload() override;

  // Accepted only when `window` is a window.
  bool SetNotifyWnd(platform::HWND window);
  // Starts the download of `url` to `localPath`. False when either is null or empty, the notify
  // window is no longer a window, or a download is running; an existing file at `localPath` is
  // removed before the download starts.
  bool Start(const char16_t* url, const char16_t* localPath);
  // Stops the download (no message follows); bounded by the thread model's 3 seconds. True when
  // the thread has ended.
  bool Stop() { return StopThread(); }

 protected:
  void Run() override;

 private:
  // Fetches the URL into the open file `fd`; true when the whole answer of a 2xx status arrived.
  bool Fetch(int fd);
  void Notify(platform::WPARAM state, platform::LPARAM value) const;
  static size_t OnData(char* data, size_t size, size_t count, void* self);
  static int OnProgress(void* self, int64_t total, int64_t now, int64_t, int64_t);

  std::atomic<platform::HWND> m_hNotifyWnd{nullptr};
  std::u16string m_strURL;
  std::u16string m_strLocalPath;
  // State of the running download, used on its thread only.
  int m_fd = -1;
  int64_t m_nReceived = 0;
  int m_nLastPercent = -1;
};
