#include <gtest/gtest.h>

#include <sched.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/sync/CompletionQueue.h"
#include "platform/sync/Event.h"
#include "platform/sync/Semaphore.h"
#include "platform/sync/TimerQueue.h"
#include "platform/sync/ThreadModel.h"
#include "platform/sync/WorkerThread.h"
#include "tests/support/WaitUntil.h"

using namespace std::chrono_literals;
using platform::Event;
using platform::Semaphore;
using platform::WaitAny;

namespace {

// Starts `count` threads that each wait once on `object` (unbounded) and count their wake-ups.
// Returns once every thread is blocked in its wait.
struct Waiters {
  Waiters(platform::Waitable& object, int count) {
    for (int i = 0; i < count; ++i) {
      threads.emplace_back([&] {
        ++blocked;
        WaitAny({&object}, 10s);
        ++woken;
      });
    }
    while (blocked < count) std::this_thread::yield();
    // The counter is raised just before the wait begins; give the threads time to enter it.
    std::this_thread::sleep_for(50ms);
  }
  ~Waiters() { Join(); }
  void Join() {
    for (auto& t : threads)
      if (t.joinable()) t.join();
  }
  std::atomic<int> blocked{0};
  std::atomic<int> woken{0};
  std::vector<std::thread> threads;
};

TEST(EventTest, ManualResetStaysSetAndAutoResetReleasesOneWaiter) {
  Event manual(Event::ResetMode::kManual);
  manual.Set();
  EXPECT_TRUE(manual.Wait(0ms));
  EXPECT_TRUE(manual.Wait(0ms));
  manual.Reset();
  EXPECT_FALSE(manual.Wait(0ms));

  Event automatic(Event::ResetMode::kAuto);
  Waiters waiters(automatic, 3);
  automatic.Set();
  automatic.Set();
  // Two sets release two of the three waiters; the third is released by a third set.
  while (waiters.woken < 2) std::this_thread::yield();
  EXPECT_EQ(waiters.woken, 2);
  EXPECT_FALSE(automatic.IsSet());
  automatic.Set();
  waiters.Join();
  EXPECT_EQ(waiters.woken, 3);
  EXPECT_FALSE(automatic.IsSet());
}

TEST(EventTest, PulseWakesOnlyCurrentWaiters) {
  Event manual(Event::ResetMode::kManual);
  {
    Waiters waiters(manual, 3);
    manual.Pulse();
    waiters.Join();
    EXPECT_EQ(waiters.woken, 3);
  }
  EXPECT_FALSE(manual.IsSet());
  EXPECT_FALSE(manual.Wait(0ms));  // a later waiter is not released

  Event automatic(Event::ResetMode::kAuto);
  Waiters waiters(automatic, 2);
  automatic.Pulse();
  while (waiters.woken < 1) std::this_thread::yield();
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(waiters.woken, 1);
  EXPECT_FALSE(automatic.IsSet());
  automatic.Set();
}

TEST(SemaphoreTest, ReleaseReturnsPreviousCountAndNeverExceedsMaximum) {
  Semaphore semaphore(1, 3);
  EXPECT_EQ(semaphore.Release(), 1);
  EXPECT_EQ(semaphore.Release(2), -1);  // would be 4
  EXPECT_EQ(semaphore.Count(), 2);
  EXPECT_EQ(semaphore.Release(0), -1);
  EXPECT_EQ(semaphore.Release(1), 2);
  EXPECT_EQ(semaphore.Release(1), -1);
  EXPECT_EQ(semaphore.Count(), 3);

  // Under contention: many releasers, few slots; the count never goes past the maximum and every
  // successful release is matched by exactly one successful wait.
  Semaphore gate(0, 2);
  std::atomic<int> released{0}, taken{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&] {
      for (int n = 0; n < 2000; ++n) {
        if (gate.Release() >= 0) ++released;
        EXPECT_LE(gate.Count(), 2);
      }
    });
  }
  std::thread consumer([&] {
    while (!stop || gate.Count() > 0) {
      if (gate.Wait(1ms)) ++taken;
    }
  });
  for (auto& t : threads) t.join();
  stop = true;
  consumer.join();
  EXPECT_EQ(released.load(), taken.load());
}

TEST(WaitAnyTest, LowestSignalledIndexWinsAndOnlyItIsConsumed) {
  Event a(Event::ResetMode::kAuto), b(Event::ResetMode::kAuto);
  Semaphore s(2, 5);
  b.Set();
  EXPECT_EQ(WaitAny({&a, &s, &b}, 0ms), 1);
  EXPECT_EQ(s.Count(), 1);
  EXPECT_TRUE(b.IsSet());
  EXPECT_EQ(WaitAny({&a, &b, &s}, 0ms), 1);
  EXPECT_FALSE(b.IsSet());
  EXPECT_EQ(s.Count(), 1);
  EXPECT_EQ(WaitAny({&a, &b}, 0ms), platform::kWaitTimeout);
  EXPECT_EQ(WaitAny({&a, &b}, 20ms), platform::kWaitTimeout);

  // A blocked wait is satisfied by the object that is signalled first, and consumes only that one.
  Event stop(Event::ResetMode::kManual);
  Semaphore slots(0, 1);
  int result = -2;
  std::thread waiter([&] { result = WaitAny({&stop, &slots}); });
  std::this_thread::sleep_for(20ms);
  slots.Release();
  waiter.join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(slots.Count(), 0);
  EXPECT_FALSE(stop.IsSet());
}

TEST(CompletionQueueTest, FifoWithTimedGetAndPayloadOwnership) {
  struct Payload : platform::Overlapped {
    explicit Payload(bool* freed) : freed(freed) {}
    ~Payload() override { *freed = true; }
    bool* freed;
  };
  bool freedQueued = false;
  {
    platform::CompletionQueue queue;
    EXPECT_FALSE(queue.Get(10ms).has_value());
    queue.Post({1, 10, nullptr});
    queue.Post({2, 20, nullptr});
    auto first = queue.Get(0ms);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->bytes, 1u);
    EXPECT_EQ(first->key, 10u);
    EXPECT_EQ(queue.Get()->key, 20u);
    queue.Post({0, 0, std::make_unique<Payload>(&freedQueued)});
  }
  EXPECT_TRUE(freedQueued);  // the queue freed the payload nobody took
}

TEST(TimerQueueTest, PeriodicTimerRunsUntilDeletedAndNotAfter) {
  platform::TimerQueue queue;
  std::atomic<int> ticks{0};
  platform::Event enough(Event::ResetMode::kManual);
  const auto id = queue.Add([&] {
    if (++ticks == 3) enough.Set();
  }, 1ms, 1ms);
  ASSERT_TRUE(enough.Wait(5s));
  EXPECT_TRUE(queue.Delete(id, true));
  const int after = ticks;
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(ticks, after);
  EXPECT_FALSE(queue.Delete(id, true));

  platform::Event once(Event::ResetMode::kManual);
  queue.Add([&] { once.Set(); }, 0ms, 0ms);
  EXPECT_TRUE(once.Wait(5s));
}

TEST(WorkerThreadTest, StopEndsACooperativeBodyAndAbandonsAStuckOne) {
  platform::WorkerThread worker;
  std::atomic<bool> sawStop{false};
  ASSERT_TRUE(worker.Start([&](const Event& stop) {
    const_cast<Event&>(stop).Wait();
    sawStop = true;
  }));
  EXPECT_FALSE(worker.Start([](const Event&) {}));
  EXPECT_TRUE(worker.Stop(5s));
  EXPECT_TRUE(sawStop);
  EXPECT_TRUE(worker.Stop());

  // A body that ignores the stop event is abandoned after the bound; what it touches is shared.
  auto release = std::make_shared<Event>(Event::ResetMode::kManual);
  platform::WorkerThread stuck;
  ASSERT_TRUE(stuck.Start([release](const Event&) { release->Wait(); }));
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_FALSE(stuck.Stop(50ms));
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
  release->Set();  // lets the abandoned thread finish before the process ends
}

// A worker at idle priority that records its scheduling policy and waits for its stop event.
class IdleWorker : public platform::ThreadModel {
 public:
  IdleWorker() : platform::ThreadModel(Priority::kIdle) {}
  ~IdleWorker() override { EndThread(); }
  using ThreadModel::StartThread;
  using ThreadModel::StopThread;
  std::atomic<int> policy{-1};
  std::atomic<int> runs{0};
  bool waitForStop = true;

 private:
  void Run() override {
    policy = sched_getscheduler(0);
    ++runs;
    if (waitForStop) StopEvent().Wait();
  }
};

TEST(ThreadModelTest, RunsAtIdlePriorityAndStartsAgainOnceRunHasReturned) {
  IdleWorker worker;
  ASSERT_TRUE(worker.StartThread());
  EXPECT_TRUE(worker.IsThreadRunning());
  EXPECT_FALSE(worker.StartThread());  // one thread at a time
  EXPECT_TRUE(worker.StopThread());
  EXPECT_EQ(worker.policy, SCHED_IDLE);
  EXPECT_FALSE(worker.IsThreadRunning());

  // A Run that returns on its own leaves the object ready to start again without a stop.
  worker.waitForStop = false;
  ASSERT_TRUE(worker.StartThread());
  ASSERT_TRUE(fotaro::test::WaitUntil([&] { return !worker.IsThreadRunning(); }));
  ASSERT_TRUE(worker.StartThread());
  ASSERT_TRUE(fotaro::test::WaitUntil([&] { return worker.runs == 3; }));
}

}  // namespace
