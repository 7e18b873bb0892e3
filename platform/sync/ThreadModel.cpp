#include "platform/sync/ThreadModel.h"

#include <pthread.h>
#include <sched.h>

#include <future>
#include <thread>

namespace platform {

namespace {
// The object whose Run executes on the current thread, so that a stop requested from inside Run
// (a callback that cancels or destroys its owner) is recognised and never waits for itself.
thread_local const ThreadModel* tls_running = nullptr;

bool SetPriority(ThreadModel::Priority priority) {
  if (priority == ThreadModel::Priority::kNormal) return true;
  sched_param param{};
  param.sched_priority = 0;
  return pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) == 0;
}
}  // namespace

void ThreadModel::EndThread() {
  // Called on the thread itself (a callback of Run destroys the object), StopThread lets the
  // thread go on to return from Run.
  if (StopThread() || m_bHasOwner || tls_running == this) return;
  // Abandoned, and nothing keeps this object alive for that thread: wait until it has let go
  // rather than free memory it still uses. Only reached when a callback blocks past the bound.
  while (!m_thread.Finished()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

bool ThreadModel::StartThread() {
  if (m_bAbandoned && !m_thread.Finished()) return false;
  if (IsThreadRunning()) return false;
  StopThread();  // joins a thread that has already ended
  m_bAbandoned = false;
  // The thread reports whether it could take its priority before it runs anything.
  auto prioritySet = std::make_shared<std::promise<bool>>();
  std::future<bool> ready = prioritySet->get_future();
  const bool started = m_thread.Start(
      [this, prioritySet, priority = m_priority, owner = m_pOwner.lock()](const Event& stop) {
        const bool ok = SetPriority(priority);
        prioritySet->set_value(ok);
        if (!ok) return;
        tls_running = this;
        // Waiting on a manual-reset event leaves it as it is, so Run may wait on it.
        m_pStopEvent = const_cast<Event*>(&stop);
        Run();
        // `this` may be gone now; `owner` keeps it alive only when one was given.
        tls_running = nullptr;
      });
  if (!started) return false;
  if (ready.get()) return true;
  m_thread.Stop();
  return false;
}

bool ThreadModel::StopThread(std::chrono::milliseconds bound) {
  if (tls_running == this) {
    // Asked from inside Run: set the event and let the thread go instead of waiting for ourselves.
    m_thread.Stop(std::chrono::milliseconds(0));
    m_bAbandoned = true;
    return false;
  }
  if (m_thread.Stop(bound)) return true;
  m_bAbandoned = true;
  return false;
}

bool ThreadModel::IsStopRequested() const { return m_pStopEvent && m_pStopEvent->IsSet(); }

}  // namespace platform
