#pragma once
// SignalWatch: turns Ctrl-C (SIGINT) and SIGTERM into a call on a thread of its own, so that a
// command can stop its work cleanly: the first signal calls `onSignal`, a second one ends the
// process at once (exit status 130). Make it before any other thread: threads made later inherit
// the blocked signals, so only its thread receives them. The destructor stops and joins the
// thread and gives the signals back.

#include <signal.h>

#include <functional>
#include <thread>

namespace fotaro::cli {

class SignalWatch {
 public:
  explicit SignalWatch(std::function<void()> onSignal);
  ~SignalWatch();
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

 private:
  void Watch(std::function<void()> onSignal) const;

  sigset_t m_signals;   // SIGINT, SIGTERM and SIGUSR1, which stops the thread
  sigset_t m_previous;  // the caller's mask before
  std::thread m_thread;
};

}  // namespace fotaro::cli
