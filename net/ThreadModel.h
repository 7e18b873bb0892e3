#pragma once
// CThreadModel: the worker-thread base of the HTTP engine. A subclass implements Run; StartThread
// runs it on a thread of its own and returns once that thread is running; StopThread sets the stop
// event and waits a bounded time for Run to return. Run must watch IsStopRequested.
//
// A thread that misses the bound cannot be killed; it is abandoned (see platform::WorkerThread).
// It may still touch this object, so an owner that wants the bound kept in its destructor hands
// the object's enclosing allocation to KeepAliveWhileRunning: the thread then holds it until Run
// returns, and the owner must call StopThread before it lets go of its own reference. Without such
// an owner the destructor waits for an abandoned thread however long it takes.
//
// Run may end by handing control to code that destroys this object (a completion callback that
// deletes its owner); after that call Run must not touch any member. StopThread and the destructor
// called on the thread itself therefore never wait: they set the stop event and let the thread go.

#include <chrono>
#include <memory>

#include "platform/sync/WorkerThread.h"

class CThreadModel {
 public:
  static constexpr std::chrono::milliseconds kStopBound{3000};

  CThreadModel() = default;
  CThreadModel(const CThreadModel&) = delete;
  CThreadModel& operator=(const CThreadModel&) = delete;
  virtual ~CThreadModel() { EndThread(); }

  // The thread holds `owner` (when it still exists) from its start until Run returns.
  void KeepAliveWhileRunning(std::weak_ptr<void> owner) {
    m_pOwner = std::move(owner);
    m_bHasOwner = true;
  }

 protected:
  // Starts Run on a new thread. False when a thread is still recorded (running, or abandoned and
  // not yet ended) or no thread can be created.
  bool StartThread();
  // Sets the stop event and waits up to `bound` for Run to return. True when the thread has ended
  // (or there was none); false when it was abandoned or when called on the thread itself.
  bool StopThread(std::chrono::milliseconds bound = kStopBound);
  // The stop event, tested without waiting; only meaningful on the thread.
  bool IsStopRequested() const;
  // Ends the thread before an object is destroyed: the destructor of every subclass whose members
  // the thread uses calls it first, while those members still exist.
  void EndThread();

  virtual void Run() = 0;

 private:
  platform::WorkerThread m_thread;
  const platform::Event* m_pStopEvent = nullptr;  // the thread's stop event, set as Run starts
  std::weak_ptr<void> m_pOwner;
  bool m_bHasOwner = false;
  bool m_bAbandoned = false;  // the last thread missed its stop bound and may still run
};
