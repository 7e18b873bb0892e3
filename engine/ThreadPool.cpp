#include "engine/ThreadPool.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "control/services/Global.h"
#include "control/services/Log.h"
#include "net/DataReport.h"
#include "platform/sync/CompletionQueue.h"
#include "platform/sync/Event.h"

namespace OrniFotaro {

namespace {

using namespace std::chrono_literals;

constexpr auto kManagerStopBound = 1000ms;
constexpr auto kWorkerStopBound = 2000ms;
// Data report 11: a pool is down to its last worker.
constexpr int32_t kReportLastWorker = 11;

// What a packet on the worker port tells the worker that takes it.
enum PacketKind : uintptr_t {
  kJobPacket,     // run the job in the packet's payload
  kStopPacket,    // end; the pool is stopping
  kRetirePacket,  // leave the pool; it has more workers than it needs
};

// A job's objects. The data is declared last so that it is destroyed before the worker.
struct JobPacket : platform::Overlapped {
  JobPacket(std::unique_ptr<IWorker> worker, std::unique_ptr<WorkerData> data)
      : worker(std::move(worker)), data(std::move(data)) {}
  std::unique_ptr<IWorker> worker;
  std::unique_ptr<WorkerData> data;
};

platform::CompletionPacket Packet(PacketKind kind, std::unique_ptr<JobPacket> job = nullptr) {
  return platform::CompletionPacket{0, kind, std::move(job)};
}

}  // namespace

struct CThreadPool::State : std::enable_shared_from_this<State> {
  State(int index, int minimum, int maximum) : index(index), minimum(minimum), maximum(maximum) {}

  // Starts `count` workers; a thread that cannot be created is left out.
  void SpawnLocked(int count);
  void WorkerProc(uint32_t id);
  void RunJob(uint32_t id, JobPacket& job);
  void SetBusy(uint32_t id, bool busy);
  void Retire(uint32_t id);
  void Manage();
  // Workers that stay after the retire packets already queued have been taken.
  int StayingLocked() const { return static_cast<int>(workers.size()) - retiring; }
  int BusyLocked() const;
  // Joins the workers that have left after a retire packet.
  void JoinRetired();

  const int index;
  const int minimum;
  const int maximum;
  platform::CompletionQueue workerPort;
  platform::Event managerStop{platform::Event::ResetMode::kManual};

  struct Worker {
    std::unique_ptr<platform::WorkerThread> thread;
    bool busy = false;
  };
  mutable std::mutex poolLock;  // the pool lock: guards everything below
  std::map<uint32_t, Worker> workers;
  std::vector<std::unique_ptr<platform::WorkerThread>> retired;
  int retiring = 0;  // retire packets queued and not yet taken
  uint32_t nextId = 1;
  bool stopped = false;
};

namespace {

// The process table of pools and what new pools are made from.
struct PoolTable {
  std::mutex lock;  // the pool table lock: guards everything below
  std::array<std::shared_ptr<CThreadPool>, THREAD_POOL_COUNT> pools;
  CThreadPool::Options options;
};

PoolTable& Table() {
  static PoolTable table;
  return table;
}

}  // namespace

void CThreadPool::State::SpawnLocked(int count) {
  for (int i = 0; i < count && !stopped; ++i) {
    auto thread = std::make_unique<platform::WorkerThread>();
    const uint32_t id = nextId++;
    // The worker holds the state, so that it outlives the pool if the worker is abandoned.
    if (!thread->Start([self = shared_from_this(), id](const platform::Event&) { self->WorkerProc(id); })) continue;
    workers[id] = Worker{std::move(thread), false};
  }
}

void CThreadPool::State::WorkerProc(uint32_t id) {
  fotaro::Log("OrniFotaro::CThreadPool::WorkerProc", "Worker thread id = %d.", static_cast<int>(id));
  for (;;) {
    std::optional<platform::CompletionPacket> packet = workerPort.Get();
    if (!packet) return;
    switch (packet->key) {
      case kStopPacket:
        return;
      case kRetirePacket:
        Retire(id);
        return;
      default:
        RunJob(id, static_cast<JobPacket&>(*packet->overlapped));
        break;
    }
  }
}

void CThreadPool::State::RunJob(uint32_t id, JobPacket& job) {
  SetBusy(id, true);
  // A job reports its outcome through notifications; an exception must not end the worker.
  try {
    job.worker->Run(job.data.get());
  } catch (const std::exception& e) {
    fotaro::Log("OrniFotaro::CThreadPool::WorkerProc", "job failed: %s", e.what());
  } catch (...) {
    fotaro::Log("OrniFotaro::CThreadPool::WorkerProc", "job failed");
  }
  job.data.reset();
  job.worker.reset();
  SetBusy(id, false);
}

void CThreadPool::State::SetBusy(uint32_t id, bool busy) {
  std::lock_guard<std::mutex> lock(poolLock);
  // A worker that Stop has already collected has no entry any more.
  if (const auto it = workers.find(id); it != workers.end()) it->second.busy = busy;
}

void CThreadPool::State::Retire(uint32_t id) {
  std::lock_guard<std::mutex> lock(poolLock);
  --retiring;
  const auto it = workers.find(id);
  if (it == workers.end()) return;
  // The thread cannot join itself: the manager or Stop joins it later.
  retired.push_back(std::move(it->second.thread));
  workers.erase(it);
}

int CThreadPool::State::BusyLocked() const {
  return static_cast<int>(std::count_if(workers.begin(), workers.end(), [](const auto& w) { return w.second.busy; }));
}

void CThreadPool::State::JoinRetired() {
  std::vector<std::unique_ptr<platform::WorkerThread>> done;
  {
    std::lock_guard<std::mutex> lock(poolLock);
    done.swap(retired);
  }
  for (auto& thread : done) thread->Stop();
}

void CThreadPool::State::Manage() {
  fotaro::Log("OrniFotaro::CThreadPool::ManagerProc", "Time out processing!");
  JoinRetired();
  bool lastWorker = false;
  {
    std::lock_guard<std::mutex> lock(poolLock);
    if (stopped || workers.empty()) return;
    const auto load = [this] { return static_cast<double>(BusyLocked()) / static_cast<double>(workers.size()); };
    if (load() > 0.8) {
      const int staying = StayingLocked();
      SpawnLocked(std::max(0, std::min(staying + 2, maximum) - staying));
    }
    if (load() < 0.2) {
      const int staying = StayingLocked();
      lastWorker = staying == 1 && minimum == 1;
      const int retire = std::max(0, staying - std::max(minimum, staying - 2));
      for (int i = 0; i < retire; ++i) workerPort.Post(Packet(kRetirePacket));
      retiring += retire;
    }
  }
  if (lastWorker) PostDataReport(CGlobal::Instance().GetControlWnd(), kReportLastWorker, 1);
}

CThreadPool::CThreadPool(int index, int minimum, int maximum, std::chrono::milliseconds tick)
    : m_state(std::make_shared<State>(index, minimum, maximum)) {
  m_manager.Start([state = m_state, tick](const platform::Event&) {
    while (!state->managerStop.Wait(tick)) state->Manage();
  });
  std::lock_guard<std::mutex> lock(m_state->poolLock);
  m_state->SpawnLocked(minimum);
  for (const auto& entry : m_state->workers) {
    fotaro::Log("OrniFotaro::CThreadPool::Start", "Worker thread id = %d\n", static_cast<int>(entry.first));
  }
}

CThreadPool::~CThreadPool() { Stop(); }

bool CThreadPool::Post(std::unique_ptr<WorkerData> data, std::unique_ptr<IWorker> worker) {
  if (!worker) return false;
  auto job = std::make_unique<JobPacket>(std::move(worker), std::move(data));
  // Declared after the job, so a refused job is destroyed after the lock is released.
  std::lock_guard<std::mutex> lock(m_state->poolLock);
  if (m_state->stopped) return false;
  m_state->workerPort.Post(Packet(kJobPacket, std::move(job)));
  return true;
}

void CThreadPool::Stop() {
  m_state->managerStop.Set();
  m_manager.Stop(kManagerStopBound);

  std::vector<std::unique_ptr<platform::WorkerThread>> threads;
  {
    std::lock_guard<std::mutex> lock(m_state->poolLock);
    if (m_state->stopped) return;
    m_state->stopped = true;
    // The stop packets queue behind the jobs already posted, so those still run first.
    for (auto& entry : m_state->workers) {
      m_state->workerPort.Post(Packet(kStopPacket));
      threads.push_back(std::move(entry.second.thread));
    }
    m_state->workers.clear();
    for (auto& thread : m_state->retired) threads.push_back(std::move(thread));
    m_state->retired.clear();
  }

  const auto deadline = std::chrono::steady_clock::now() + kWorkerStopBound;
  int abandoned = 0;
  for (auto& thread : threads) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (!thread->Stop(std::max(left, 0ms))) ++abandoned;
  }
  // The jobs nobody reached are destroyed here, never run. The drain also took the stop packets of
  // the abandoned workers: each gets one back, for when its job ends.
  while (m_state->workerPort.Get(0ms)) {
  }
  for (int i = 0; i < abandoned; ++i) m_state->workerPort.Post(Packet(kStopPacket));
}

void CThreadPool::Manage() { m_state->Manage(); }

int CThreadPool::GetIndex() const { return m_state->index; }
int CThreadPool::GetMinWorkers() const { return m_state->minimum; }
int CThreadPool::GetMaxWorkers() const { return m_state->maximum; }

int CThreadPool::GetWorkerCount() const {
  std::lock_guard<std::mutex> lock(m_state->poolLock);
  return static_cast<int>(m_state->workers.size());
}

int CThreadPool::GetBusyCount() const {
  std::lock_guard<std::mutex> lock(m_state->poolLock);
  return m_state->BusyLocked();
}

void CThreadPool::SetOptions(const Options& options) {
  PoolTable& table = Table();
  std::lock_guard<std::mutex> lock(table.lock);
  table.options = options;
}

std::shared_ptr<CThreadPool> CThreadPool::Instance(int index) {
  if (index >= THREAD_POOL_COUNT) {
    fotaro::Log("OrniFotaro::CThreadPool::Instance", "Index >= THREAD_POOL_COUNT!");
    return nullptr;
  }
  if (index < 0) return nullptr;
  PoolTable& table = Table();
  std::lock_guard<std::mutex> lock(table.lock);
  std::shared_ptr<CThreadPool>& pool = table.pools[index];
  if (!pool) {
    const int processors = table.options.nProcessors > 0
                               ? table.options.nProcessors
                               : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    int minimum = processors;
    int maximum = 2 * processors;
    // Uploads and notifications must never wait behind one busy worker.
    if ((index == 0 || index == 1) && processors < 2) {
      minimum = 2;
      maximum = 4;
    }
    pool.reset(new CThreadPool(index, minimum, maximum, table.options.tick));
  }
  return pool;
}

void CThreadPool::FreeInstance(int index) {
  if (index >= THREAD_POOL_COUNT) {
    fotaro::Log("OrniFotaro::CThreadPool::FreeInstance", "Index >= THREAD_POOL_COUNT!");
    return;
  }
  if (index < -1) return;
  std::vector<std::shared_ptr<CThreadPool>> freed;
  {
    PoolTable& table = Table();
    std::lock_guard<std::mutex> lock(table.lock);
    for (int i = 0; i < THREAD_POOL_COUNT; ++i) {
      if ((index == -1 || index == i) && table.pools[i]) freed.push_back(std::move(table.pools[i]));
    }
  }
  // Stopped outside the table lock: a job finishing meanwhile may still look a pool up.
  for (auto& pool : freed) pool->Stop();
}

}  // namespace OrniFotaro
