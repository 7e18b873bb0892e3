#pragma once
// CThreadPoolLease: an uploader frame's claim on the process's thread pools. The pools are the
// process's, shared by every control in it (a page host runs one control per page): the first
// lease creates pools 2, 1 and 3, and only the last lease to go frees every pool, so that one
// control going away never stops the jobs of another's batch.
//
// Whoever holds a lease stops its own jobs (CUploadMgr::Shutdown, the silent uploader's end)
// before letting it go. Leases are taken and let go on any thread.

class CThreadPoolLease {
 public:
  CThreadPoolLease();
  ~CThreadPoolLease();
  CThreadPoolLease(const CThreadPoolLease&) = delete;
  CThreadPoolLease& operator=(const CThreadPoolLease&) = delete;

  // Leases alive in the process.
  static int Count();
};
