#include "net/ThreadModel.h"

#include <thread>

namespace {
// The object whose Run executes on the current thread, so that a stop requested from inside Run
// (a callback that cancels or destroys its owner) is recognised and never waits for itself.
thread_local const CThreadModel* tls_running = nullptr;
}  // namespace

void CThreadModel::EndThread() {
  // Called on the thread itself (a callback of Run destroys the object), StopThread lets the
  // thread go on to return from Run.
  if (StopThread() || m_bHasOwner || tls_running == this) return;
  // Abandoned, and nothing keeps this object alive for that thread: wait until it has let go
  // rather than free memory it still uses. Only reached when a callback blocks past the bound.
  while (!m_thread.Finished()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

bool CThreadModel::StartThread() {
  if (m_bAbandoned && !m_thread.Finished()) return false;
  StopThread();  // joins a thread that has already ended
  m_bAbandoned = false;
  return m_thread.Start([this, owner = m_pOwner.lock()](const platform::Event& stop) {
    tls_running = this;
    m_pStopEvent = &stop;
    Run();
    // `this` may be gone now; `owner` keeps it alive only when one was given.
    tls_running = nullptr;
  });
}

bool CThreadModel::StopThread(std::chrono::milliseconds bound) {
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

bool CThreadModel::IsStopRequested() const { return m_pStopEvent && m_pStopEvent->IsSet(); }
