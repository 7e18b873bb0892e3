#pragma once
// A thread with a started handshake and a bounded stop.
//
// The body runs on the new thread and receives the stop event, which it must watch. Stop sets the
// event and waits for the body to return; a thread that misses the bound is detached and abandoned
// (killing a thread is not safe in C++). The body must therefore own, through shared ownership,
// everything it may still touch after its owner has gone: the event it is handed is kept alive
// for it.

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "platform/sync/Event.h"

namespace platform {

class WorkerThread {
 public:
  using Body = std::function<void(const Event& stop)>;

  WorkerThread() = default;
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  // Stops the thread with the default bound if it still runs.
  ~WorkerThread();

  // Starts the body on a new thread and returns once the thread runs. False if a thread is already
  // running or none could be created.
  bool Start(Body body);
  // Sets the stop event and waits up to `bound` for the body to return. True when the thread
  // ended (it is joined); false when it was abandoned. Calling it again, or without a thread, is a
  // harmless true.
  bool Stop(std::chrono::milliseconds bound = std::chrono::seconds(3));
  bool Running() const { return thread_.joinable(); }
  // True once the body has returned (or no thread was started).
  bool Finished() const;

 private:
  struct State {
    Event stop{Event::ResetMode::kManual};
    Event started{Event::ResetMode::kManual};
    Event finished{Event::ResetMode::kManual};
  };
  std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace platform
