#include "platform/sync/Waitable.h"

#include <algorithm>

#include "platform/sync/SyncLock.h"

namespace platform {

namespace detail {
std::mutex& SyncMutex() {
  static std::mutex mutex;
  return mutex;
}
}  // namespace detail

// One thread blocked in WaitAny. `satisfied` receives the index of the object that was handed to it.
struct Waiter {
  std::condition_variable cv;
  const std::vector<Waitable*>* objects = nullptr;
  int satisfied = kWaitTimeout;
};

void Waitable::SatisfyWaitersLocked() {
  while (!waiters_.empty()) {
    Waiter* waiter = waiters_.front();
    if (!TryAcquireLocked()) return;
    const auto& objects = *waiter->objects;
    waiter->satisfied = static_cast<int>(std::find(objects.begin(), objects.end(), this) - objects.begin());
    // The waiter is done: take it off every object it was registered with.
    for (Waitable* object : objects) object->waiters_.remove(waiter);
    waiter->cv.notify_one();
  }
}

int WaitAny(const std::vector<Waitable*>& objects, std::optional<std::chrono::milliseconds> timeout) {
  std::unique_lock<std::mutex> lock(detail::SyncMutex());
  for (size_t i = 0; i < objects.size(); ++i) {
    if (objects[i]->TryAcquireLocked()) return static_cast<int>(i);
  }
  if (objects.empty() || (timeout && timeout->count() <= 0)) return kWaitTimeout;

  Waiter waiter;
  waiter.objects = &objects;
  for (Waitable* object : objects) {
    // An object listed twice is registered once; the lowest index is reported for it.
    auto& list = object->waiters_;
    if (std::find(list.begin(), list.end(), &waiter) == list.end()) list.push_back(&waiter);
  }
  auto done = [&] { return waiter.satisfied != kWaitTimeout; };
  if (timeout) {
    waiter.cv.wait_for(lock, *timeout, done);
  } else {
    waiter.cv.wait(lock, done);
  }
  if (!done()) {
    for (Waitable* object : objects) object->waiters_.remove(&waiter);
  }
  return waiter.satisfied;
}

bool WaitOne(Waitable& object, std::optional<std::chrono::milliseconds> timeout) {
  return WaitAny({&object}, timeout) == 0;
}

}  // namespace platform
