#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/sync/Event.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Window.h"

using namespace std::chrono_literals;
using namespace platform;

namespace {

constexpr UINT kPing = WM_USER + 1;
constexpr UINT kForward = WM_USER + 2;

// Records what it receives; kForward sends kPing to the window in lParam and returns its answer + 1.
class RecordingWindow : public Window {
 public:
  ~RecordingWindow() override { DestroyWindow(hwnd()); }
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>& payload) override {
    received.push_back(message);
    if (message == kPing) {
      if (payload) takenPayloads.push_back(std::move(payload));
      return static_cast<LRESULT>(wParam) * 2;
    }
    if (message == kForward) return SendMessage(reinterpret_cast<HWND>(lParam), kPing, 21) + 1;
    if (message == WM_TIMER) ++ticks;
    return 0;
  }
  std::vector<UINT> received;
  std::vector<std::unique_ptr<MessagePayload>> takenPayloads;
  int ticks = 0;
};

struct FlagPayload : MessagePayload {
  explicit FlagPayload(std::atomic<bool>* freed) : freed(freed) {}
  ~FlagPayload() override { *freed = true; }
  std::atomic<bool>* freed;
};

// A thread with its own window and loop; the loop ends when the test posts WM_QUIT's stand-in.
class WindowThread {
 public:
  WindowThread() {
    thread_ = std::thread([this] {
      RecordingWindow window;
      window.Create();
      hwnd_ = window.hwnd();
      ready_.Set();
      RunUntil([this] { return stop_.load(); }, 30s);
    });
    ready_.Wait(10s);
  }
  ~WindowThread() {
    stop_ = true;
    PostMessage(hwnd_, WM_NULL_WAKE);
    thread_.join();
  }
  HWND hwnd() const { return hwnd_; }

 private:
  static constexpr UINT WM_NULL_WAKE = WM_USER + 99;
  std::thread thread_;
  Event ready_;
  std::atomic<bool> stop_{false};
  HWND hwnd_ = nullptr;
};

TEST(WindowTest, PostedMessagesArriveInOrderAndSendIsDirectOnTheOwnerThread) {
  RecordingWindow window;
  ASSERT_TRUE(window.Create());
  EXPECT_TRUE(IsWindow(window.hwnd()));
  EXPECT_EQ(SendMessage(window.hwnd(), kPing, 4), 8);  // same thread: handled at once
  for (WPARAM i = 0; i < 3; ++i) PostMessage(window.hwnd(), WM_USER + 10 + static_cast<UINT>(i));
  EXPECT_TRUE(RunUntil([&] { return window.received.size() == 5; }, 5s));
  EXPECT_EQ(window.received, (std::vector<UINT>{WM_CREATE, kPing, WM_USER + 10, WM_USER + 11, WM_USER + 12}));
}

TEST(WindowTest, CrossThreadSendsBetweenTwoThreadsDoNotDeadlock) {
  WindowThread other;
  RecordingWindow mine;
  ASSERT_TRUE(mine.Create());
  // The other thread's window sends back to this thread's window while this thread is blocked in
  // its own send: the nested send must be handled while waiting.
  EXPECT_EQ(SendMessage(other.hwnd(), kForward, 0, reinterpret_cast<LPARAM>(mine.hwnd())), 43);
  EXPECT_EQ(mine.received.back(), kPing);

  // Many threads sending at once all get their answers.
  std::vector<std::thread> senders;
  std::atomic<int> right{0};
  for (int i = 0; i < 4; ++i) {
    senders.emplace_back([&, i] {
      for (int n = 0; n < 50; ++n) right += SendMessage(other.hwnd(), kPing, static_cast<WPARAM>(i)) == 2 * i;
    });
  }
  for (auto& t : senders) t.join();
  EXPECT_EQ(right, 200);
}

TEST(WindowTest, HandleSentMessagesAnswersSendsAndLeavesPostedMessagesQueued) {
  RecordingWindow window;
  ASSERT_TRUE(window.Create());
  PostMessage(window.hwnd(), WM_USER + 10);
  std::atomic<LRESULT> answer{0};
  std::thread sender([&] { answer = SendMessage(window.hwnd(), kPing, 5); });
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (answer == 0 && std::chrono::steady_clock::now() < deadline) HandleSentMessages();
  if (answer == 0) DestroyWindow(window.hwnd());  // a send to a gone window returns: no hang
  sender.join();
  EXPECT_EQ(answer, 10);
  EXPECT_EQ(window.received, (std::vector<UINT>{WM_CREATE, kPing}));
  Message message;
  ASSERT_TRUE(PeekMessage(message));
  EXPECT_EQ(message.message, WM_USER + 10);
}

TEST(WindowTest, RunUntilLooksAtItsConditionAfterEachSentMessage) {
  RecordingWindow window;
  ASSERT_TRUE(window.Create());
  // Only the other thread's send makes the condition true, and nothing follows it: a loop that
  // went on waiting after the send would wait for its whole time-out.
  std::thread sender([&] { SendMessage(window.hwnd(), kPing, 1); });
  EXPECT_TRUE(RunUntil([&] { return window.received.size() == 2; }, 1h));
  sender.join();
  // The loop without a time-out ends the same way, and also on a quit, which it leaves queued.
  std::thread again([&] { SendMessage(window.hwnd(), kPing, 2); });
  EXPECT_TRUE(RunUntil([&] { return window.received.size() == 3; }));
  again.join();
  PostQuitMessage(7);
  EXPECT_FALSE(RunUntil([] { return false; }));
  Message message;
  EXPECT_FALSE(GetMessage(message));
  EXPECT_EQ(message.wParam, 7u);
}

TEST(WindowTest, MessagesToAGoneWindowAreDroppedAndFreeTheirPayload) {
  std::atomic<bool> postedFreed{false}, queuedFreed{false}, sentFreed{false};
  auto window = std::make_unique<RecordingWindow>();
  ASSERT_TRUE(window->Create());
  const HWND hwnd = window->hwnd();
  // Queued while the window lives, dispatched after it is gone.
  EXPECT_TRUE(PostMessage(hwnd, kPing, 1, 0, std::make_unique<FlagPayload>(&queuedFreed)));
  window.reset();
  EXPECT_FALSE(IsWindow(hwnd));
  Message message;
  while (PeekMessage(message)) DispatchMessage(message);
  message.payload.reset();
  EXPECT_TRUE(queuedFreed);
  // Posted or sent after it is gone.
  EXPECT_FALSE(PostMessage(hwnd, kPing, 1, 0, std::make_unique<FlagPayload>(&postedFreed)));
  EXPECT_EQ(SendMessage(hwnd, kPing, 1, 0, std::make_unique<FlagPayload>(&sentFreed)), 0);
  EXPECT_TRUE(postedFreed);
  EXPECT_TRUE(sentFreed);

  // A window whose thread ends: a send from another thread returns instead of hanging.
  HWND orphan = nullptr;
  RecordingWindow outlivesItsThread;
  std::thread([&] {
    outlivesItsThread.Create();
    orphan = outlivesItsThread.hwnd();
  }).join();
  EXPECT_FALSE(IsWindow(orphan));
  EXPECT_EQ(outlivesItsThread.hwnd(), nullptr);
  EXPECT_EQ(SendMessage(orphan, kPing, 3), 0);
}

TEST(WindowTest, DestroyingAParentDestroysItsChildrenAndTheirTimers) {
  RecordingWindow parent, child;
  ASSERT_TRUE(parent.Create());
  ASSERT_TRUE(child.Create(parent.hwnd()));
  EXPECT_EQ(GetParent(child.hwnd()), parent.hwnd());
  ASSERT_TRUE(SetTimer(child.hwnd(), 7, 1ms));
  EXPECT_TRUE(RunUntil([&] { return child.ticks >= 2; }, 5s));
  const HWND childHandle = child.hwnd();
  EXPECT_TRUE(DestroyWindow(parent.hwnd()));
  EXPECT_FALSE(IsWindow(childHandle));
  EXPECT_EQ(child.received.back(), WM_DESTROY);
  EXPECT_FALSE(KillTimer(childHandle, 7));
}

TEST(WindowTest, KilledTimerDeliversNoFurtherTick) {
  RecordingWindow window;
  ASSERT_TRUE(window.Create());
  ASSERT_TRUE(SetTimer(window.hwnd(), 1, 1ms));
  EXPECT_TRUE(RunUntil([&] { return window.ticks == 1; }, 5s));
  EXPECT_TRUE(KillTimer(window.hwnd(), 1));
  PostMessage(window.hwnd(), kPing, 1);
  // Everything queued is handled, and no tick comes after the kill.
  EXPECT_TRUE(RunUntil([&] { return window.received.back() == kPing; }, 5s));
  Message message;
  EXPECT_FALSE(PeekMessage(message));
  EXPECT_EQ(window.ticks, 1);
}

}  // namespace
