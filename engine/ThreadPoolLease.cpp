#include "engine/ThreadPoolLease.h"

#include <mutex>

#include "engine/ThreadPool.h"

namespace {

// Guards the count, and keeps the last lease's freeing and a new lease's creating apart.
std::mutex g_leaseLock;
int g_leases = 0;

}  // namespace

CThreadPoolLease::CThreadPoolLease() {
  std::lock_guard<std::mutex> lock(g_leaseLock);
  ++g_leases;
  for (int pool : {2, 1, 3}) OrniFotaro::CThreadPool::Instance(pool);
}

CThreadPoolLease::~CThreadPoolLease() {
  std::lock_guard<std::mutex> lock(g_leaseLock);
  if (--g_leases == 0) OrniFotaro::CThreadPool::FreeInstance(-1);
}

int CThreadPoolLease::Count() {
  std::lock_guard<std::mutex> lock(g_leaseLock);
  return g_leases;
}
