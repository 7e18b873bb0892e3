#pragma once
// CULData: the table of photos that are past compression and not yet finished, and the gate that
// limits how many of them may exist at once (the queue size; the page sets it as its "thread
// count", but it counts photos, not threads).
//
// A compression job calls AddFile, which blocks until a slot is free and then records the photo;
// whoever owns the upload calls RemoveInfo once the photo has finished for good, which frees its
// slot. The gate is a semaphore with one count per free slot.
//
// Every operation may be called from any thread. Records never leave the table by pointer: readers
// get copies (GetInfo) and writers go through UpdateInfo, so a record that another thread removes
// meanwhile is never touched. Locks: the table lock guards the records and the gate's accounting;
// the size lock serialises SetQueueSize; the two are never held together.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/UploadInfo.h"
#include "platform/sync/Event.h"
#include "platform/sync/Semaphore.h"

class CULData {
 public:
  CULData();
  // Releases every caller blocked in AddFile and waits until each has left it.
  ~CULData();
  CULData(const CULData&) = delete;
  CULData& operator=(const CULData&) = delete;

  // Waits for a free slot, then appends a record for the photo `title` (its key) whose own file
  // is `sourcePath`, to be sent as `parts`. False, with nothing added, when the title or path is
  // empty, the path names no existing file (at once), or Stop released the caller.
  bool AddFile(const std::u16string& title, const std::u16string& sourcePath,
               const std::vector<CompressedFileInfo>& parts);
  // Deletes the record of `title` and frees its slot. An unknown title changes nothing.
  void RemoveInfo(const std::u16string& title);
  // Deletes every record and frees every slot.
  void Clear();
  // Changes the number of slots. A size below 1 is ignored. The gate is rebuilt by the next caller
  // that waits in AddFile: it then has as many free slots as the new size leaves beside the
  // records already admitted.
  void SetQueueSize(int size);
  // Sets the delay of the record at the 1-based `index` and of every later record. False, changing
  // nothing, when no record has that index.
  bool SetDelayTime(int index, uint32_t delay);
  // Releases every caller that entered AddFile before this call: each returns false and adds
  // nothing. Later callers wait normally.
  void Stop();

  // A copy of the record of `title`, or nothing.
  std::optional<UploadInfo> GetInfo(const std::u16string& title) const;
  // Calls `update` on the record of `title` under the table lock; false when there is none.
  // `update` must be short and must not call back into the queue.
  bool UpdateInfo(const std::u16string& title, const std::function<void(UploadInfo&)>& update);
  int GetCount() const;
  // Records whose done flag is set.
  int GetDoneCount() const;
  // True when every record is done or has no retries left.
  bool IsAllFinished() const;
  // The progress of `title` in percent; 0 for an unknown title.
  int GetProgress(const std::u16string& title) const;
  // Stores `percent` (clamped to 0..100); an unknown title changes nothing.
  void SetProgress(const std::u16string& title, int percent);
  // Bytes of every part of every record.
  int64_t GetTotalSize() const;
  // Bytes sent: per record, its bytes times its progress, truncated to whole bytes.
  int64_t GetSentSize() const;

  int GetQueueSize() const { return m_nQueueSize; }
  // Free slots right now (the gate's count).
  long GetFreeSlots() const { return m_semaphore.Count(); }
  // Callers inside AddFile that have not been admitted yet.
  int GetWaitingCount() const;

 private:
  // Waits until the caller is admitted (true) or `exitEvent` is set (false).
  bool WaitForSlot(platform::Event& exitEvent);
  // Rebuilds the gate after a size change, unless another caller already did.
  void RecreateSemaphore();
  // Takes every free count and releases `free` instead; returns {count released onto, new count}.
  std::pair<long, long> RefillLocked(int free);
  // Counts one caller out of the wait and wakes the destructor if it waits for that.
  void LeaveLocked();

  mutable std::mutex m_tableLock;  // guards everything down to m_callersLeft
  std::vector<UploadInfo> m_records;  // insertion order
  int m_nPendingRequests = 0;         // records added and not yet removed
  int m_nCallers = 0;                 // callers inside AddFile, not yet admitted
  // Set by Stop for the callers inside AddFile at that moment; each caller waits on the event
  // that was current when it entered, so one arriving just as Stop runs cannot miss it.
  std::shared_ptr<platform::Event> m_exitEvent;
  std::condition_variable m_callersLeft;  // signalled when m_nCallers drops

  // The gate: one count per free slot. It is never replaced, only refilled, so that every caller
  // always waits on the same object.
  platform::Semaphore m_semaphore;
  // Set by SetQueueSize; the first waiter that sees it rebuilds the gate for the new size.
  platform::Event m_hRecreateSemaphoreEvt{platform::Event::ResetMode::kManual};

  std::mutex m_sizeLock;  // serialises SetQueueSize
  std::atomic<int> m_nQueueSize{3};
};
