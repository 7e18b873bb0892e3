#include "platform/sync/TimerQueue.h"

namespace platform {

TimerQueue::TimerQueue() : thread_([this] { Run(); }) {}

TimerQueue::~TimerQueue() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    timers_.clear();
  }
  cv_.notify_all();
  thread_.join();
}

TimerQueue::TimerId TimerQueue::Add(Callback callback, std::chrono::milliseconds due, std::chrono::milliseconds period) {
  std::lock_guard<std::mutex> lock(mutex_);
  const TimerId id = nextId_++;
  timers_[id] = Timer{std::move(callback), Clock::now() + due, period};
  cv_.notify_all();
  return id;
}

bool TimerQueue::Delete(TimerId id, bool waitForCallback) {
  std::unique_lock<std::mutex> lock(mutex_);
  const bool existed = timers_.erase(id) > 0;
  if (waitForCallback && std::this_thread::get_id() != thread_.get_id()) {
    cv_.wait(lock, [&] { return running_ != id; });
  }
  cv_.notify_all();
  return existed;
}

void TimerQueue::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!quit_) {
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
      if (next == timers_.end() || it->second.due < next->second.due) next = it;
    }
    if (next == timers_.end()) {
      cv_.wait(lock);
      continue;
    }
    if (const Clock::time_point due = next->second.due; Clock::now() < due) {
      cv_.wait_until(lock, due);  // the map may change meanwhile: wait on a copy
      continue;
    }
    const TimerId id = next->first;
    Callback callback = next->second.callback;
    if (next->second.period.count() > 0) {
      next->second.due = Clock::now() + next->second.period;
    } else {
      timers_.erase(next);
    }
    running_ = id;
    lock.unlock();
    callback();
    lock.lock();
    running_ = 0;
    cv_.notify_all();
  }
}

}  // namespace platform
