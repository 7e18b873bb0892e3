#include "engine/ULData.h"

#include <algorithm>
#include <chrono>
#include <climits>

#include "control/services/Global.h"
#include "control/services/Log.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/sync/Waitable.h"

namespace {

// The first record whose title is `title` (exact comparison), or end().
template <class Records>
auto FindRecord(Records& records, const std::u16string& title) {
  return std::find_if(records.begin(), records.end(), [&](const UploadInfo& info) { return info.strTitle == title; });
}

int64_t PartsSize(const UploadInfo& info) {
  int64_t size = 0;
  for (const CompressedFileInfo& part : info.vecParts) size += part.nFileSize;
  return size;
}

}  // namespace

// The gate's maximum is not the queue size: the size changes while the gate stays the same object,
// so the bound is kept by RemoveInfo and the refills instead.
CULData::CULData() : m_exitEvent(std::make_shared<platform::Event>()), m_semaphore(3, INT_MAX) {}

CULData::~CULData() {
  Stop();
  std::unique_lock<std::mutex> lock(m_tableLock);
  m_callersLeft.wait(lock, [this] { return m_nCallers == 0; });
}

bool CULData::AddFile(const std::u16string& title, const std::u16string& sourcePath,
                      const std::vector<CompressedFileInfo>& parts) {
  if (title.empty() || sourcePath.empty() || !platform::IsRegularFile(platform::PathBytes(sourcePath))) return false;
  fotaro::Log("CULData::AddFile", "CULData::AddFile start Compress lpstrTitle = %s \n lpstrOriginalFilename = %s",
              title, sourcePath);
  const auto start = std::chrono::steady_clock::now();

  std::shared_ptr<platform::Event> exitEvent;
  {
    std::lock_guard<std::mutex> lock(m_tableLock);
    ++m_nCallers;
    exitEvent = m_exitEvent;
  }
  if (!WaitForSlot(*exitEvent)) {
    std::lock_guard<std::mutex> lock(m_tableLock);
    LeaveLocked();
    return false;
  }
  const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  fotaro::Log("CULData::AddFile", "CUploadMgr::UploadOneFile() end time: %d", static_cast<int>(waited.count()));

  UploadInfo info;
  info.strTitle = title;
  info.strDisplayName = title;
  info.strSourcePath = sourcePath;
  info.nRetriesLeft = static_cast<uint8_t>(std::clamp(CGlobal::Instance().GetRetryTimes(), 0, 255));
  info.vecParts = parts;

  fotaro::Log("CULData::AddFile", "CULData::AddFile start push_back");
  int pending = 0;
  {
    std::lock_guard<std::mutex> lock(m_tableLock);
    m_records.push_back(std::move(info));
    pending = ++m_nPendingRequests;
    LeaveLocked();
  }
  fotaro::Log("CULData::AddFile", "exit: m_nPendingRequests = %d", pending);
  return true;
}

bool CULData::WaitForSlot(platform::Event& exitEvent) {
  for (;;) {
    switch (platform::WaitAny({&m_hRecreateSemaphoreEvt, &exitEvent, &m_semaphore})) {
      case 0:
        RecreateSemaphore();
        break;
      case 1:
        fotaro::Log("CULData::AddFile", "Exit event singled.");
        return false;
      default:
        return true;
    }
  }
}

void CULData::RecreateSemaphore() {
  int size = 0;
  {
    std::lock_guard<std::mutex> lock(m_tableLock);
    // Every waiter wakes on the event; the first one through the lock rebuilds, the rest wait again.
    if (!m_hRecreateSemaphoreEvt.IsSet()) return;
    m_hRecreateSemaphoreEvt.Reset();
    // Read after the reset: a size stored meanwhile is then either seen here or sets the event again.
    size = m_nQueueSize;
    // The records already admitted keep their slots under the new size.
    RefillLocked(std::max(0, size - m_nPendingRequests));
  }
  fotaro::Log("CULData::AddFile", "recreate semaphore : %d", size);
}

std::pair<long, long> CULData::RefillLocked(int free) {
  while (m_semaphore.Wait(std::chrono::milliseconds(0))) {
  }
  const long before = free > 0 ? m_semaphore.Release(free) : m_semaphore.Count();
  return {before, m_semaphore.Count()};
}

void CULData::LeaveLocked() {
  --m_nCallers;
  m_callersLeft.notify_all();
}

void CULData::RemoveInfo(const std::u16string& title) {
  fotaro::Log("CULData::RemoveInfo", "entry");
  std::unique_lock<std::mutex> lock(m_tableLock);
  const auto it = FindRecord(m_records, title);
  if (it == m_records.end()) {
    lock.unlock();
    fotaro::Log("CULData::RemoveInfo", "exit");
    return;
  }
  m_records.erase(it);
  const int pending = --m_nPendingRequests;
  const int size = m_nQueueSize;
  const long count = m_semaphore.Count();
  fotaro::Log("CULData::RemoveInfo", "m_nPendingRequests = %d, semaphore = %d, m_nQueueSize = %d", pending,
              static_cast<int>(count), size);
  // The slot is given back only while the free and the admitted photos stay below the size; after
  // the size shrank, photos beyond it finish without freeing a slot.
  if (count + pending < size) {
    const long before = m_semaphore.Release();
    const long after = m_semaphore.Count();
    fotaro::Log("CULData::RemoveInfo", "CUploadMgr::UploadOneFile() Brefore release = %d, after = %d",
                static_cast<int>(before), static_cast<int>(after));
  }
  lock.unlock();
  fotaro::Log("CULData::RemoveInfo", "exit");
}

void CULData::Clear() {
  std::pair<long, long> counts;
  {
    std::lock_guard<std::mutex> lock(m_tableLock);
    m_records.clear();
    counts = RefillLocked(m_nQueueSize);
    m_nPendingRequests = 0;
  }
  fotaro::Log("CULData::Clear", "CUploadMgr::UploadOneFile() Brefore release = %d, after = %d",
              static_cast<int>(counts.first), static_cast<int>(counts.second));
}

void CULData::SetQueueSize(int size) {
  fotaro::Log("CULData::SetQueueSize", "entry : %d, m_nQueueSize =%d", size, m_nQueueSize.load());
  // A queue without slots would block every photo for good.
  if (size < 1) return;
  std::lock_guard<std::mutex> lock(m_sizeLock);
  if (size == m_nQueueSize) return;
  m_nQueueSize = size;
  fotaro::Log("CULData::SetQueueSize", "SetQueueSize: SetEvent(m_hRecreateSemaphoreEvt)");
  m_hRecreateSemaphoreEvt.Set();
}

bool CULData::SetDelayTime(int index, uint32_t delay) {
  std::lock_guard<std::mutex> lock(m_tableLock);
  if (index < 1 || static_cast<size_t>(index) > m_records.size()) return false;
  for (auto it = m_records.begin() + (index - 1); it != m_records.end(); ++it) it->dwDelay = delay;
  return true;
}

void CULData::Stop() {
  std::lock_guard<std::mutex> lock(m_tableLock);
  m_exitEvent->Set();
  m_exitEvent = std::make_shared<platform::Event>();
}

std::optional<UploadInfo> CULData::GetInfo(const std::u16string& title) const {
  std::lock_guard<std::mutex> lock(m_tableLock);
  const auto it = FindRecord(m_records, title);
  if (it == m_records.end()) return std::nullopt;
  return *it;
}

bool CULData::UpdateInfo(const std::u16string& title, const std::function<void(UploadInfo&)>& update) {
  std::lock_guard<std::mutex> lock(m_tableLock);
  const auto it = FindRecord(m_records, title);
  if (it == m_records.end()) return false;
  update(*it);
  return true;
}

int CULData::GetCount() const {
  std::lock_guard<std::mutex> lock(m_tableLock);
  return static_cast<int>(m_records.size());
}

int CULData::GetDoneCount() const {
  std::lock_guard<std::mutex> lock(m_tableLock);
  return static_cast<int>(std::count_if(m_records.begin(), m_records.end(), [](const UploadInfo& info) { return info.bDone; }));
}

bool CULData::IsAllFinished() const {
  std::lock_guard<std::mutex> lock(m_tableLock);
  return std::all_of(m_records.begin(), m_records.end(),
                     [](const UploadInfo& info) { return info.bDone || info.nRetriesLeft == 0; });
}

int CULData::GetProgress(const std::u16string& title) const {
  std::lock_guard<std::mutex> lock(m_tableLock);
  const auto it = FindRecord(m_records, title);
  return it == m_records.end() ? 0 : it->nProgress;
}

void CULData::SetProgress(const std::u16string& title, int percent) {
  UpdateInfo(title, [percent](UploadInfo& info) { info.nProgress = std::clamp(percent, 0, 100); });
}

int64_t CULData::GetTotalSize() const {
  std::lock_guard<std::mutex> lock(m_tableLock);
  int64_t total = 0;
  for (const UploadInfo& info : m_records) total += PartsSize(info);
  return total;
}

int64_t CULData::GetSentSize() const {
  std::lock_guard<std::mutex> lock(m_tableLock);
  int64_t sent = 0;
  for (const UploadInfo& info : m_records) sent += static_cast<int64_t>(PartsSize(info) * info.nProgress / 100.0);
  return sent;
}

int CULData::GetWaitingCount() const {
  std::lock_guard<std::mutex> lock(m_tableLock);
  return m_nCallers;
}
