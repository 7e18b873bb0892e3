#include "platform/sync/Semaphore.h"

#include <algorithm>

#include "platform/sync/SyncLock.h"

namespace platform {

Semaphore::Semaphore(long initial, long maximum)
    : maximum_(std::max(1L, maximum)), count_(std::clamp(initial, 0L, std::max(1L, maximum))) {}

long Semaphore::Release(long count) {
  std::lock_guard<std::mutex> lock(detail::SyncMutex());
  if (count <= 0 || count > maximum_ - count_) return -1;
  const long previous = count_;
  count_ += count;
  SatisfyWaitersLocked();
  return previous;
}

long Semaphore::Count() const {
  std::lock_guard<std::mutex> lock(detail::SyncMutex());
  return count_;
}

bool Semaphore::TryAcquireLocked() {
  if (count_ == 0) return false;
  --count_;
  return true;
}

}  // namespace platform
