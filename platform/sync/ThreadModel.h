#pragma once
// ThreadModel: the base of an object that does its work on a thread of its own. A subclass
// implements Run; StartThread runs it on a new thread and returns once that thread is running;
// StopThread sets the stop event and waits a bounded time for Run to return. Run must watch
// IsStopRequested (or wait on StopEvent).
//
// The HTTP engine's transfers (CThreadModel) and the widgets' workers (CCMThreadModel, at idle
// priority) are both this class.
//
// A thread that misses the bound cannot be killed; it is abandoned (see WorkerThread). It may
// still touch this object, so an owner that wants the bound kept in its destructor hands the
// object's enclosing allocation to KeepAliveWhileRunning: the thread then holds it until Run
// returns, and the owner must call StopThread before it lets go of its own reference. Without such
// an owner the destructor waits for an abandoned thread however long it takes.
//
// Run may end by handing control to code that destroys this object (a completion callback that
// deletes its owner); after that call Run must not touch any member. StopThread and the destructor
// called on the thread itself therefore never wait: they set the stop event and let the thread go.

#include <chrono>
#include <memory>

#include "platform/sync/WorkerThread.h"

namespace platform {

class ThreadModel {
 public:
  static constexpr std::chrono::milliseconds kStopBound{3000};
  enum class Priority {
    kNormal,
    kIdle,  // runs only when nothing else wants the processor (SCHED_IDLE)
  };

  explicit ThreadModel(Priority priority = Priority::kNormal) : m_priority(priority) {}
  ThreadModel(const ThreadModel&) = delete;
  ThreadModel& operator=(const ThreadModel&) = delete;
  virtual ~ThreadModel() { EndThread(); }

  // The thread holds `owner` (when it still exists) from its start until Run returns.
  void KeepAliveWhileRunning(std::weak_ptr<void> owner) {
    m_pOwner = std::move(owner);
    m_bHasOwner = true;
  }

  // True from StartThread until Run has returned.
  bool IsThreadRunning() const { return m_thread.Running() && !m_thread.Finished(); }

 protected:
  // Starts Run on a new thread. A thread whose Run has returned is joined first, so the object can
  // start again at once. False when a thread is still running (or abandoned and not yet ended), no
  // thread can be created, or the priority cannot be set (Run is then not called).
  bool StartThread();
  // Sets the stop event and waits up to `bound` for Run to return. True when the thread has ended
  // (or there was none); false when it was abandoned or when called on the thread itself.
  bool StopThread(std::chrono::milliseconds bound = kStopBound);
  // The stop event, tested without waiting; only meaningful on the thread.
  bool IsStopRequested() const;
  // The stop event itself (manual reset), for a thread that waits on it alone or with others
  // (WaitAny); only valid on the thread, inside Run.
  Event& StopEvent() const { return *m_pStopEvent; }
  // Ends the thread before an object is destroyed: the destructor of every subclass whose members
  // the thread uses calls it first, while those members still exist.
  void EndThread();

  virtual void Run() = 0;

 private:
  const Priority m_priority;
  WorkerThread m_thread;
  Event* m_pStopEvent = nullptr;  // the thread's stop event, set as Run starts
  std::weak_ptr<void> m_pOwner;
  bool m_bHasOwner = false;
  bool m_bAbandoned = false;  // the last thread missed its stop bound and may still run
};

}  // namespace platform
