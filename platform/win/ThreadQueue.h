#pragma once
// Internal to platform/win: the message queue of one thread and the table of live windows.

#include <chrono>
#include <deque>
#include <functional>
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

// The payload of the WM_PAINT messages the queue makes: the update area that was collected.
struct PaintUpdate : MessagePayload {
  explicit PaintUpdate(const RECT& area) : rect(area) {}
  RECT rect;
};

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

  // Handles every sent message waiting now; true when there was one. Called on the owning thread
  // only.
  bool HandleSent();
  // The next posted, quit or timer message, waiting until `deadline` (forever without one).
  // Returns nothing on time-out. Handles sent messages while it waits, and returns nothing as
  // soon as `stop`, when given, holds after one of them or after a wake.
  std::optional<Message> Next(std::optional<std::chrono::steady_clock::time_point> deadline,
                              const std::function<bool()>* stop = nullptr);
  // For a main loop that drives the queue (the display's): true when a sent, posted, paint or timer
  // message is ready now; otherwise `nextTimer` tells when the next timer is due.
  bool Ready(std::optional<std::chrono::steady_clock::time_point>* nextTimer);
  // Handles the sent messages, then dispatches at most one posted, paint or timer message. A quit
  // is left for the loop that waits for it.
  void DispatchOne();
  // How the owner waits until it is woken or `deadline` passes; the default polls wakeFd(). The
  // display replaces it with an iteration of its main loop. Owning thread only.
  using Waiter = std::function<void(std::optional<std::chrono::steady_clock::time_point> deadline)>;
  void SetWaiter(Waiter waiter) { waiter_ = std::move(waiter); }
  int wakeFd() const { return wakeFd_; }
  // Clears the wake-up signal.
  void DrainWake();

  // Adds `rect` to the update area of `hwnd` and wakes the owner; any thread. The loop turns the
  // area into WM_PAINT (with a PaintUpdate payload) when no posted message waits.
  void Invalidate(HWND hwnd, const RECT& rect);
  // Takes the update area of `hwnd`, if it has one.
  std::optional<RECT> TakeUpdate(HWND hwnd);

  // Blocks the owning thread until `sent` is done, handling messages sent to it meanwhile.
  void AwaitReply(const SentMessage& sent);
  // Marks a reply as done and wakes its sender.
  static void Complete(SentMessage& sent, LRESULT result);

  bool SetTimer(HWND hwnd, uintptr_t id, std::chrono::milliseconds interval);
  bool KillTimer(HWND hwnd, uintptr_t id);
  // Drops the timers and the update area of a window that is going.
  void ForgetWindow(HWND hwnd);

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
  // The next posted, quit (when `takeQuit`), paint or due timer message without waiting; when there
  // is none, `nextTimer` (if given) receives the due time of the next timer.
  std::optional<Message> TakeReady(bool takeQuit, std::optional<std::chrono::steady_clock::time_point>* nextTimer);

  const std::thread::id thread_;
  const int wakeFd_;  // an eventfd the owner polls; other threads write it to wake the owner

  std::mutex mutex_;  // guards everything below, and SentMessage::done of this thread's sends
  std::deque<Message> posted_;
  std::deque<std::shared_ptr<SentMessage>> sent_;
  std::vector<Timer> timers_;
  std::vector<std::pair<HWND, RECT>> updates_;  // update areas, in the order they began
  std::optional<int> quitCode_;
  bool closed_ = false;

  Waiter waiter_;  // owning thread only
};

// The table of live windows: handle -> window object and owning queue.
struct WindowEntry {
  Window* window;
  std::shared_ptr<ThreadQueue> queue;
  HWND parent;
  bool hasSurface;  // made with a rectangle (Surface.h)
};
std::optional<WindowEntry> FindWindow(HWND hwnd);
// Windows whose thread is ending: removed without calling them.
void ForgetWindowsOf(const ThreadQueue* queue);

}  // namespace platform::detail
