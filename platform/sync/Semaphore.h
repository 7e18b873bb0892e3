#pragma once
// A counting semaphore with a maximum count. A satisfied wait takes one count.

#include "platform/sync/Waitable.h"

namespace platform {

class Semaphore : public Waitable {
 public:
  // `initial` is clamped to [0, maximum]; `maximum` is at least 1.
  Semaphore(long initial, long maximum);

  // Adds `count` (> 0) and returns the count before the release. A release that would exceed the
  // maximum, or a count <= 0, changes nothing and returns -1.
  long Release(long count = 1);
  long Count() const;
  long Maximum() const { return maximum_; }

  bool Wait(std::optional<std::chrono::milliseconds> timeout = std::nullopt) { return WaitOne(*this, timeout); }

 private:
  bool TryAcquireLocked() override;

  const long maximum_;
  long count_;
};

}  // namespace platform
