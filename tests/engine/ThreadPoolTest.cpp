#include "engine/ThreadPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "control/services/Global.h"
#include "net/DataReport.h"
#include "platform/sync/Event.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Window.h"
#include "tests/support/WaitUntil.h"

using namespace std::chrono_literals;
using OrniFotaro::CThreadPool;
using fotaro::test::WaitUntil;

namespace {

// What the jobs of a test did: runs, and how many of their objects were destroyed. Jobs that block
// wait on `gate` (manual reset, initially open).
struct Probe {
  std::atomic<int> runs{0};
  std::atomic<int> dataFreed{0};
  std::atomic<int> workersFreed{0};
  platform::Event gate{platform::Event::ResetMode::kManual, true};
};

struct ProbeData : WorkerData {
  explicit ProbeData(std::shared_ptr<Probe> probe) : probe(std::move(probe)) {}
  ~ProbeData() override { ++probe->dataFreed; }
  std::shared_ptr<Probe> probe;
};

class ProbeJob : public IWorker {
 public:
  explicit ProbeJob(std::shared_ptr<Probe> probe) : probe_(std::move(probe)) {}
  ~ProbeJob() override { ++probe_->workersFreed; }
  void Run(WorkerData* data) override {
    EXPECT_EQ(static_cast<ProbeData*>(data)->probe, probe_);
    ++probe_->runs;
    probe_->gate.Wait(30s);
  }

 private:
  std::shared_ptr<Probe> probe_;
};

bool PostProbe(CThreadPool& pool, const std::shared_ptr<Probe>& probe) {
  return pool.Post(std::make_unique<ProbeData>(probe), std::make_unique<ProbeJob>(probe));
}

// Posts `count` jobs that block on the probe's gate, and waits until the pool runs `busy` jobs.
bool Occupy(CThreadPool& pool, const std::shared_ptr<Probe>& probe, int count, int busy) {
  for (int i = 0; i < count; ++i) PostProbe(pool, probe);
  return WaitUntil([&] { return pool.GetBusyCount() == busy; });
}

// A window of the test thread that keeps the data reports it receives.
class ControlWindow : public platform::Window {
 public:
  ~ControlWindow() override { platform::DestroyWindow(hwnd()); }
  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM,
                            std::unique_ptr<platform::MessagePayload>& payload) override {
    if (message == CM_DATAREPORT) {
      const auto* record = dynamic_cast<DataReportRecord*>(payload.get());
      reports.push_back({static_cast<int>(wParam), record ? record->nOperation : -1, record ? record->nValue : -1});
    }
    return 0;
  }
  std::vector<std::array<int, 3>> reports;  // {wParam, operation, value}
};

class CThreadPoolTest : public ::testing::Test {
 protected:
  // A tick that never comes unless a test asks for it: the tests drive the manager with Manage().
  static void UseProcessors(int processors, std::chrono::milliseconds tick = std::chrono::hours(1)) {
    CThreadPool::SetOptions({processors, tick});
  }
  void TearDown() override {
    CThreadPool::FreeInstance(-1);
    CThreadPool::SetOptions({});
    CGlobal::Instance().SetControlWnd(nullptr);
  }
};

TEST_F(CThreadPoolTest, PoolsSizeThemselvesFromTheProcessorCount) {
  UseProcessors(1);
  for (int index = 0; index < 4; ++index) {
    const auto pool = CThreadPool::Instance(index);
    ASSERT_TRUE(pool);
    EXPECT_EQ(pool->GetIndex(), index);
    const int minimum = index < 2 ? 2 : 1;
    EXPECT_EQ(pool->GetMinWorkers(), minimum);
    EXPECT_EQ(pool->GetMaxWorkers(), 2 * minimum);
    EXPECT_EQ(pool->GetWorkerCount(), minimum);
  }
  EXPECT_EQ(CThreadPool::Instance(0), CThreadPool::Instance(0));
  EXPECT_FALSE(CThreadPool::Instance(5));
  EXPECT_FALSE(CThreadPool::Instance(-1));
  const auto kept = CThreadPool::Instance(0);
  CThreadPool::FreeInstance(7);
  EXPECT_EQ(CThreadPool::Instance(0), kept);

  CThreadPool::FreeInstance(-1);
  UseProcessors(4);
  for (int index : {0, 2}) {
    const auto pool = CThreadPool::Instance(index);
    EXPECT_NE(pool, kept);
    EXPECT_EQ(pool->GetMinWorkers(), 4);
    EXPECT_EQ(pool->GetMaxWorkers(), 8);
    EXPECT_EQ(pool->GetWorkerCount(), 4);
  }
}

TEST_F(CThreadPoolTest, GrowsAndShrinksByTwoPerTickWithinTheBounds) {
  UseProcessors(3);
  const auto pool = CThreadPool::Instance(2);
  ASSERT_EQ(pool->GetWorkerCount(), 3);
  auto probe = std::make_shared<Probe>();
  probe->gate.Reset();

  ASSERT_TRUE(Occupy(*pool, probe, 3, 3));
  pool->Manage();
  EXPECT_EQ(pool->GetWorkerCount(), 5);
  ASSERT_TRUE(Occupy(*pool, probe, 2, 5));
  pool->Manage();
  EXPECT_EQ(pool->GetWorkerCount(), 6);
  ASSERT_TRUE(Occupy(*pool, probe, 1, 6));
  pool->Manage();
  EXPECT_EQ(pool->GetWorkerCount(), 6);

  probe->gate.Set();
  ASSERT_TRUE(WaitUntil([&] { return pool->GetBusyCount() == 0; }));
  pool->Manage();
  EXPECT_TRUE(WaitUntil([&] { return pool->GetWorkerCount() == 4; }));
  pool->Manage();
  EXPECT_TRUE(WaitUntil([&] { return pool->GetWorkerCount() == 3; }));
  pool->Manage();
  // Had that step retired a worker, its packet would come first and only two could take jobs.
  probe->gate.Reset();
  EXPECT_TRUE(Occupy(*pool, probe, 3, 3));
  EXPECT_EQ(pool->GetWorkerCount(), 3);
  probe->gate.Set();
  EXPECT_EQ(probe->runs, 9);
}

TEST_F(CThreadPoolTest, PoolAtAMinimumOfOneReportsItsLastWorker) {
  ControlWindow window;
  ASSERT_TRUE(window.Create());
  CGlobal::Instance().SetControlWnd(window.hwnd());

  UseProcessors(1);
  const auto pool = CThreadPool::Instance(2);
  pool->Manage();
  ASSERT_TRUE(platform::RunUntil([&] { return !window.reports.empty(); }, 10s));
  EXPECT_EQ(window.reports[0], (std::array<int, 3>{11, 11, 1}));
  EXPECT_EQ(pool->GetWorkerCount(), 1);

  // The manager thread does the same on its own ticks.
  CThreadPool::FreeInstance(-1);
  UseProcessors(1, 10ms);
  CThreadPool::Instance(3);
  EXPECT_TRUE(platform::RunUntil([&] { return window.reports.size() >= 3; }, 10s));
}

TEST_F(CThreadPoolTest, StopRunsQueuedJobsWithinItsBoundAndFreesTheRest) {
  UseProcessors(1);
  auto queued = std::make_shared<Probe>();
  {
    const auto pool = CThreadPool::Instance(2);
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(PostProbe(*pool, queued));
    CThreadPool::FreeInstance(2);
  }
  EXPECT_EQ(queued->runs, 5);
  EXPECT_EQ(queued->dataFreed, 5);
  EXPECT_EQ(queued->workersFreed, 5);

  // A job that outlasts the bound: its worker is abandoned and the job behind it never runs.
  auto stuck = std::make_shared<Probe>();
  stuck->gate.Reset();
  auto dropped = std::make_shared<Probe>();
  const auto pool = CThreadPool::Instance(2);
  ASSERT_TRUE(Occupy(*pool, stuck, 1, 1));
  ASSERT_TRUE(PostProbe(*pool, dropped));
  auto stop = std::async(std::launch::async, [] { CThreadPool::FreeInstance(2); });
  ASSERT_EQ(stop.wait_for(30s), std::future_status::ready);
  EXPECT_EQ(dropped->runs, 0);
  EXPECT_EQ(dropped->dataFreed, 1);
  EXPECT_EQ(dropped->workersFreed, 1);

  // A stopped pool refuses jobs and frees them at once.
  EXPECT_FALSE(PostProbe(*pool, dropped));
  EXPECT_EQ(dropped->dataFreed, 2);
  EXPECT_EQ(dropped->workersFreed, 2);

  // The abandoned worker finishes its job on its own, then frees it.
  stuck->gate.Set();
  EXPECT_TRUE(WaitUntil([&] { return stuck->dataFreed == 1 && stuck->workersFreed == 1; }));
}

}  // namespace
