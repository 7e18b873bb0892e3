#pragma once
// OrniFotaro::CThreadPool: the engine's background workers.
//
// A process has up to THREAD_POOL_COUNT pools, each addressed by its index and created on first
// use: 0 runs uploads, 1 delivers notifications, 2 runs compressions, 3 is kept spare. A pool's
// workers take jobs from one FIFO port; a manager thread looks at the load once per tick (a minute)
// and adds or retires at most two workers, keeping the count between a minimum and a maximum
// derived from the number of processors.
//
// Guarantees:
// - A posted job runs at most once, on one of the pool's workers; jobs of one pool run in parallel
//   and in no fixed order.
// - The pool owns a job's worker and data from Post on. After Run they are destroyed on the worker
//   thread (the data first). A job that never runs (the pool stopped first) is destroyed by Stop,
//   or at once when Post refuses it.
// - Stop runs the jobs queued before it for as long as its bound allows, then drops the rest. A
//   worker still busy after the bound is abandoned, not killed: it finishes its job on its own and
//   ends, and everything it may still touch is kept alive for it.
//
// Locks: the pool table lock guards the table of pools; each pool's lock guards its workers. Neither
// is held while a job runs, and a pool is stopped after it has left the table.

#include <chrono>
#include <memory>

#include "engine/Worker.h"
#include "platform/sync/WorkerThread.h"

namespace OrniFotaro {

constexpr int THREAD_POOL_COUNT = 5;

class CThreadPool {
 public:
  // How pools size themselves and how often their manager looks at the load. Applies to pools
  // created afterwards; the defaults are the product's.
  struct Options {
    int nProcessors = 0;  // 0: the number of processors of the system
    std::chrono::milliseconds tick = std::chrono::minutes(1);
  };
  static void SetOptions(const Options& options);

  // The pool at `index` (0..THREAD_POOL_COUNT-1), created on first use; null for any other index.
  static std::shared_ptr<CThreadPool> Instance(int index);
  // Takes the pool at `index` out of the table and stops it; -1 does so for every pool, in index
  // order. A later Instance creates a new pool.
  static void FreeInstance(int index);

  ~CThreadPool();
  CThreadPool(const CThreadPool&) = delete;
  CThreadPool& operator=(const CThreadPool&) = delete;

  // Queues a job. False when the pool has stopped or `worker` is null; the job is then destroyed
  // before Post returns.
  bool Post(std::unique_ptr<WorkerData> data, std::unique_ptr<IWorker> worker);
  // Stops the manager (bound 1 s) and the workers (bound 2 s for all of them together), then
  // destroys the jobs that did not run. Calling it again does nothing.
  void Stop();
  // One step of the manager, as it runs on every tick: grow when more than 80% of the workers are
  // busy, shrink when fewer than 20% are. A pool down to its last worker with a minimum of one
  // tells the control's window (data report 11) instead of shrinking.
  void Manage();

  int GetIndex() const;
  int GetMinWorkers() const;
  int GetMaxWorkers() const;
  // Workers alive, including those told to retire that have not yet left.
  int GetWorkerCount() const;
  // Workers running a job right now.
  int GetBusyCount() const;

 private:
  struct State;
  CThreadPool(int index, int minimum, int maximum, std::chrono::milliseconds tick);

  // Everything a worker or the manager touches lives here, shared with those threads, so that a
  // thread abandoned by Stop still finds it after the pool is gone.
  std::shared_ptr<State> m_state;
  platform::WorkerThread m_manager;
};

}  // namespace OrniFotaro
