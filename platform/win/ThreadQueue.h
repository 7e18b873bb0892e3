#pragma once
// Internal to platform/win: the message queue of one thread and the table of live windows.

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/win/Message.h"

namespace platform {
class Window;
}

namespace platform::detail {

class ThreadQueue;

// A message sent from another thread, waiting for its owner to handle it.
struct SentMessage {
  Message message;
  std::shared_ptr<ThreadQueue> sender;
  LRESULT result = 0;
  bool done = false;  // guarded by sender->mutex
};

class ThreadQueue {
 public:
  ThreadQueue();
  ~ThreadQueue();
  ThreadQueue(const ThreadQueue&) = delete;
  ThreadQueue& operator=(const ThreadQueue&) = delete;

  // The calling thread's queue, made on first use and closed when the thread ends.
  static const std::shared_ptr<ThreadQueue>& Current();

  // False (the message is dropped) when the owning thread has ended.
  bool Post(Message message);
  bool Send(const std::shared_ptr<SentMessage>& sent);
  void PostQuit(int code);

  // Handles every sent message waiting now. Called on the owning thread only.
  void HandleSent();
  // The next posted, quit or timer message, waiting until `deadline` (forever without one).
  // Returns nothing on time-out. Handles sent messages while it waits.
  std::optional<Message> Next(std::optional<std::chrono::steady_clock::time_point> deadline);
  // Blocks the owning thread until `sent` is done, handling messages sent to it meanwhile.
  void AwaitReply(const SentMessage& sent);
  // Marks a reply as done and wakes its sender.
  static void Complete(SentMessage& sent, LRESULT result);

  bool SetTimer(HWND hwnd, uintptr_t id, std::chrono::milliseconds interval);
  bool KillTimer(HWND hwnd, uintptr_t id);
  void KillTimers(HWND hwnd);

  std::thread::id thread() const { return thread_; }
  // Ends the queue: pending posted messages are dropped and pending sends answered with 0.
  void Close();

 private:
  struct Timer {
    HWND hwnd;
    uintptr_t id;
    std::chrono::milliseconds interval;
    std::chrono::steady_clock::time_point due;
  };
  void Wake();
  void WaitForWake(std::optional<std::chrono::steady_clock::time_point> deadline);

  const std::thread::id thread_;
  const int wakeFd_;  // an eventfd the owner polls; other threads write it to wake the owner

  std::mutex mutex_;  // guards everything below, and SentMessage::done of this thread's sends
  std::deque<Message> posted_;
  std::deque<std::shared_ptr<SentMessage>> sent_;
  std::vector<Timer> timers_;
  std::optional<int> quitCode_;
  bool closed_ = false;
};

// The table of live windows: handle -> window object and owning queue.
struct WindowEntry {
  Window* window;
  std::shared_ptr<ThreadQueue> queue;
  HWND parent;
};
std::optional<WindowEntry> FindWindow(HWND hwnd);
// Windows whose thread is ending: removed without calling them.
void ForgetWindowsOf(const ThreadQueue* queue);

}  // namespace platform::detail
