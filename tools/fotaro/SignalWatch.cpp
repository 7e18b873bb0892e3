#include "tools/fotaro/SignalWatch.h"

#include <pthread.h>
#include <unistd.h>

namespace fotaro::cli {

namespace {
constexpr int kStop = SIGUSR1;
constexpr int kInterruptedStatus = 130;
}  // namespace

SignalWatch::SignalWatch(std::function<void()> onSignal) {
  sigemptyset(&m_signals);
  sigaddset(&m_signals, SIGINT);
  sigaddset(&m_signals, SIGTERM);
  sigaddset(&m_signals, kStop);
  pthread_sigmask(SIG_BLOCK, &m_signals, &m_previous);
  m_thread = std::thread(&SignalWatch::Watch, this, std::move(onSignal));
}

SignalWatch::~SignalWatch() {
  pthread_kill(m_thread.native_handle(), kStop);
  m_thread.join();
  pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

void SignalWatch::Watch(std::function<void()> onSignal) const {
  int received = 0;
  for (int count = 0;;) {
    if (sigwait(&m_signals, &received) != 0 || received == kStop) return;
    if (++count > 1) _exit(kInterruptedStatus);
    onSignal();
  }
}

}  // namespace fotaro::cli
