#pragma once
// A timer queue: callbacks run on the queue's own thread after a due time and then, if periodic,
// every period. Deleting a timer guarantees that its callback does not start afterwards, and
// optionally waits for a callback that is running.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace platform {

class TimerQueue {
 public:
  using TimerId = uint64_t;
  using Callback = std::function<void()>;

  TimerQueue();
  // Cancels every timer, waits for a running callback and ends the thread.
  ~TimerQueue();
  TimerQueue(const TimerQueue&) = delete;
  TimerQueue& operator=(const TimerQueue&) = delete;

  // A period of zero makes a one-shot timer. Returns a non-zero id.
  TimerId Add(Callback callback, std::chrono::milliseconds due, std::chrono::milliseconds period);
  // Removes the timer; false if it does not exist (any more). With `waitForCallback`, a callback
  // of this timer running on the queue's thread is waited for, unless the caller is that callback.
  bool Delete(TimerId id, bool waitForCallback);

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    Callback callback;
    Clock::time_point due;
    std::chrono::milliseconds period;
  };
  void Run();

  std::mutex mutex_;  // guards everything below
  std::condition_variable cv_;
  std::map<TimerId, Timer> timers_;
  TimerId nextId_ = 1;
  TimerId running_ = 0;  // the timer whose callback runs now
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace platform
