#include "platform/sync/Event.h"

#include "platform/sync/SyncLock.h"

namespace platform {

Event::Event(ResetMode mode, bool initiallySet) : autoReset_(mode == ResetMode::kAuto), signalled_(initiallySet) {}

void Event::Set() {
  std::lock_guard<std::mutex> lock(detail::SyncMutex());
  signalled_ = true;
  SatisfyWaitersLocked();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(detail::SyncMutex());
  signalled_ = false;
}

void Event::Pulse() {
  std::lock_guard<std::mutex> lock(detail::SyncMutex());
  signalled_ = true;
  SatisfyWaitersLocked();
  signalled_ = false;
}

bool Event::IsSet() const {
  std::lock_guard<std::mutex> lock(detail::SyncMutex());
  return signalled_;
}

bool Event::TryAcquireLocked() {
  if (!signalled_) return false;
  if (autoReset_) signalled_ = false;
  return true;
}

}  // namespace platform
