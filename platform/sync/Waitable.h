#pragma once
// Base of the objects a thread can wait on (events, semaphores), and the wait on an ordered list of
// them. All waitable state is guarded by one internal mutex of this layer, so that a wait can test
// several objects at once and consume exactly one of them.

#include <chrono>
#include <condition_variable>
#include <initializer_list>
#include <list>
#include <optional>
#include <vector>

namespace platform {

struct Waiter;

class Waitable {
 public:
  Waitable() = default;
  Waitable(const Waitable&) = delete;
  Waitable& operator=(const Waitable&) = delete;
  virtual ~Waitable() = default;

 protected:
  // Called with the layer's mutex held. True when the object is signalled; a signalled auto-reset
  // event is reset and a semaphore count is taken, as a satisfied wait does.
  virtual bool TryAcquireLocked() = 0;
  // Called with the layer's mutex held after the object became signalled: hands the signal to the
  // threads already waiting, oldest first, for as long as the object stays signalled.
  void SatisfyWaitersLocked();

  friend int WaitAny(const std::vector<Waitable*>&, std::optional<std::chrono::milliseconds>);

 private:
  std::list<Waiter*> waiters_;
};

// Result of WaitAny when the time-out ran out before any object was signalled.
constexpr int kWaitTimeout = -1;

// Waits until one of the objects is signalled and returns its index; when several are signalled
// the lowest index wins. Only the returned object is consumed (an auto-reset event is reset, a
// semaphore count taken). With no time-out the wait is unbounded; a time-out of zero only tests.
int WaitAny(const std::vector<Waitable*>& objects,
            std::optional<std::chrono::milliseconds> timeout = std::nullopt);

// Waits on one object: true when it was signalled (and consumed), false on time-out.
bool WaitOne(Waitable& object, std::optional<std::chrono::milliseconds> timeout = std::nullopt);

}  // namespace platform
