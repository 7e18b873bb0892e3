#pragma once
// A job of the thread pools: an IWorker and the data it runs on, posted together. The pool owns
// both from the moment they are posted and destroys the data, then the worker, after Run returns
// (or, for a job that never runs, when the pool stops).

// Base of the data of a job; the concrete job casts it back to its own type.
struct WorkerData {
  virtual ~WorkerData() = default;
};

class IWorker {
 public:
  virtual ~IWorker() = default;
  // Runs on a worker thread of the pool; `data` is the object posted with the worker (may be null).
  virtual void Run(WorkerData* data) = 0;
};
