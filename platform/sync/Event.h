#pragma once
// An event object: manual reset (stays signalled until Reset) or auto reset (a satisfied wait
// resets it, so one Set releases exactly one waiter).

#include "platform/sync/Waitable.h"

namespace platform {

class Event : public Waitable {
 public:
  enum class ResetMode { kManual, kAuto };
  explicit Event(ResetMode mode = ResetMode::kManual, bool initiallySet = false);

  void Set();
  void Reset();
  // Releases the threads waiting right now (all of them for a manual-reset event, one for an
  // auto-reset event) and leaves the event reset; a thread that starts waiting later is not released.
  void Pulse();
  bool IsSet() const;

  // Convenience: WaitOne(*this, timeout).
  bool Wait(std::optional<std::chrono::milliseconds> timeout = std::nullopt) { return WaitOne(*this, timeout); }

 private:
  bool TryAcquireLocked() override;

  const bool autoReset_;
  bool signalled_;
};

}  // namespace platform
