#pragma once
// Whoever owns uploads (the upload manager, the silent uploader) receives the engine's
// notifications through this interface. Strategies and notification jobs hold the receiver as a
// plain pointer: what a receiver must do before it is destroyed is said in engine/ULStrategy.h.
//
// Work that will still call a receiver later (a notification waiting on the notification pool, a
// compression or upload job) keeps a Hold on it. An owner going away cancels its strategies, so
// that no new work is made for it, and then waits in WaitForHolds until the work already made has
// finished or been dropped: after that nothing reaches it any more.

#include <atomic>

#include "engine/UploadNotifyMsg.h"
#include "platform/win/Types.h"

class CULData;

class CUploadEventReceiver {
 public:
  // A claim on the receiver by one piece of work; it ends when the object goes. A copy is a
  // claim of its own.
  class Hold {
   public:
    explicit Hold(CUploadEventReceiver* receiver);  // null: a claim on nothing
    Hold(const Hold& other) : Hold(other.m_pReceiver) {}
    Hold(Hold&& other) noexcept;
    Hold& operator=(const Hold&) = delete;
    ~Hold();

    CUploadEventReceiver* get() const { return m_pReceiver; }

   private:
    CUploadEventReceiver* m_pReceiver;
  };

  CUploadEventReceiver() = default;
  CUploadEventReceiver(const CUploadEventReceiver&) = delete;
  CUploadEventReceiver& operator=(const CUploadEventReceiver&) = delete;
  virtual ~CUploadEventReceiver() = default;

  // Receives one notification, on a worker of the notification pool (pool 1). Several workers
  // deliver at once, so notifications of one file may arrive out of order.
  virtual void OnUploadNotify(const UploadNotifyHandle& message) = 0;
  // The upload queue the receiver's files are in.
  virtual CULData* GetULData() = 0;

  // The control window that the reports about the receiver's files go to (local errors, data
  // reports); null until set, which means the process's control window. Any thread.
  platform::HWND GetReportWnd() const { return m_hReportWnd.load(); }
  void SetReportWnd(platform::HWND control) { m_hReportWnd.store(control); }

 protected:
  // Blocks until every Hold on the receiver has ended. With `handleSentMessages`, messages that
  // other threads send to the calling thread's windows are handled meanwhile: a receiver whose
  // notifications send to a window of the waiting thread would otherwise wait for itself.
  void WaitForHolds(bool handleSentMessages);

 private:
  std::atomic<int> m_nHolds{0};
  std::atomic<platform::HWND> m_hReportWnd{nullptr};
};
