#include "platform/win/ThreadQueue.h"

#include "platform/win/MessageLoop.h"
#include "platform/win/Window.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

namespace platform::detail {

namespace {

// Owns the thread's queue; closing it when the thread ends frees what is still queued.
struct QueueHolder {
  std::shared_ptr<ThreadQueue> queue = std::make_shared<ThreadQueue>();
  ~QueueHolder() {
    ForgetWindowsOf(queue.get());
    queue->Close();
  }
};

}  // namespace

ThreadQueue::ThreadQueue() : thread_(std::this_thread::get_id()), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

ThreadQueue::~ThreadQueue() {
  if (wakeFd_ >= 0) close(wakeFd_);
}

const std::shared_ptr<ThreadQueue>& ThreadQueue::Current() {
  thread_local QueueHolder holder;
  return holder.queue;
}

void ThreadQueue::Wake() {
  const uint64_t one = 1;
  if (wakeFd_ >= 0) [[maybe_unused]] auto written = write(wakeFd_, &one, sizeof one);
}

void ThreadQueue::DrainWake() {
  uint64_t count;
  [[maybe_unused]] auto readBytes = read(wakeFd_, &count, sizeof count);
}

void ThreadQueue::WaitForWake(std::optional<std::chrono::steady_clock::time_point> deadline) {
  if (waiter_) {
    waiter_(deadline);
    DrainWake();
    return;
  }
  int timeoutMs = -1;
  if (deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
    timeoutMs = static_cast<int>(std::clamp<int64_t>(left.count(), 0, 1 << 30));
  }
  pollfd fd{wakeFd_, POLLIN, 0};
  if (poll(&fd, 1, timeoutMs) > 0) DrainWake();
}

bool ThreadQueue::Post(Message message) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return false;
    posted_.push_back(std::move(message));
  }
  Wake();
  return true;
}

bool ThreadQueue::Send(const std::shared_ptr<SentMessage>& sent) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return false;
    sent_.push_back(sent);
  }
  Wake();
  return true;
}

void ThreadQueue::PostQuit(int code) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quitCode_ = code;
  }
  Wake();
}

void ThreadQueue::Complete(SentMessage& sent, LRESULT result) {
  {
    std::lock_guard<std::mutex> lock(sent.sender->mutex_);
    sent.result = result;
    sent.done = true;
  }
  sent.sender->Wake();
}

bool ThreadQueue::HandleSent() {
  bool handled = false;
  while (true) {
    std::shared_ptr<SentMessage> sent;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (sent_.empty()) return handled;
      sent = std::move(sent_.front());
      sent_.pop_front();
    }
    LRESULT result = 0;
    if (auto entry = FindWindow(sent->message.hwnd); entry && entry->queue.get() == this) {
      const Message& m = sent->message;
      result = entry->window->WndProc(m.message, m.wParam, m.lParam, sent->message.payload);
    }
    sent->message.payload.reset();  // freed on the receiving thread, before the sender resumes
    Complete(*sent, result);
    handled = true;
  }
}

std::optional<Message> ThreadQueue::TakeReady(bool takeQuit,
                                              std::optional<std::chrono::steady_clock::time_point>* nextTimer) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!posted_.empty()) {
    Message message = std::move(posted_.front());
    posted_.pop_front();
    return message;
  }
  if (takeQuit && quitCode_) {
    Message quit;
    quit.message = WM_QUIT;
    quit.wParam = static_cast<WPARAM>(*quitCode_);
    quitCode_.reset();
    return quit;
  }
  if (!updates_.empty()) {
    Message paint;
    paint.hwnd = updates_.front().first;
    paint.message = WM_PAINT;
    paint.payload = std::make_unique<PaintUpdate>(updates_.front().second);
    updates_.erase(updates_.begin());
    return paint;
  }
  const auto now = std::chrono::steady_clock::now();
  auto next = std::min_element(timers_.begin(), timers_.end(), [](const Timer& a, const Timer& b) { return a.due < b.due; });
  if (next == timers_.end()) return std::nullopt;
  if (next->due <= now) {
    next->due = now + next->interval;
    Message tick;
    tick.hwnd = next->hwnd;
    tick.message = WM_TIMER;
    tick.wParam = next->id;
    return tick;
  }
  if (nextTimer) *nextTimer = next->due;
  return std::nullopt;
}

std::optional<Message> ThreadQueue::Next(std::optional<std::chrono::steady_clock::time_point> deadline,
                                         const std::function<bool()>* stop) {
  while (true) {
    HandleSent();
    // Checked after every wake too: a wait in the GLib loop runs its callbacks, which may end
    // what the caller waits for (a window destroyed) without sending or posting anything.
    if (stop && (*stop)()) return std::nullopt;
    std::optional<std::chrono::steady_clock::time_point> nextTimer;
    if (auto message = TakeReady(true, &nextTimer)) return message;
    if (deadline && *deadline <= std::chrono::steady_clock::now()) return std::nullopt;
    std::optional<std::chrono::steady_clock::time_point> wakeAt = deadline;
    if (nextTimer && (!wakeAt || *nextTimer < *wakeAt)) wakeAt = nextTimer;
    WaitForWake(wakeAt);
  }
}

bool ThreadQueue::Ready(std::optional<std::chrono::steady_clock::time_point>* nextTimer) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!posted_.empty() || !sent_.empty() || !updates_.empty()) return true;
  const auto now = std::chrono::steady_clock::now();
  for (const Timer& timer : timers_) {
    if (timer.due <= now) return true;
    if (!*nextTimer || timer.due < **nextTimer) *nextTimer = timer.due;
  }
  return false;
}

void ThreadQueue::DispatchOne() {
  HandleSent();
  if (auto message = TakeReady(false, nullptr)) DispatchMessage(*message);
}

void ThreadQueue::Invalidate(HWND hwnd, const RECT& rect) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;
    auto it = std::find_if(updates_.begin(), updates_.end(), [hwnd](const auto& update) { return update.first == hwnd; });
    if (it != updates_.end()) {
      it->second = UnionRect(it->second, rect);
      return;  // the owner was woken for this window already
    }
    updates_.emplace_back(hwnd, rect);
  }
  Wake();
}

std::optional<RECT> ThreadQueue::TakeUpdate(HWND hwnd) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = std::find_if(updates_.begin(), updates_.end(), [hwnd](const auto& update) { return update.first == hwnd; });
  if (it == updates_.end()) return std::nullopt;
  const RECT rect = it->second;
  updates_.erase(it);
  return rect;
}

void ThreadQueue::AwaitReply(const SentMessage& sent) {
  while (true) {
    HandleSent();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (sent.done) return;
    }
    WaitForWake(std::nullopt);
  }
}

bool ThreadQueue::SetTimer(HWND hwnd, uintptr_t id, std::chrono::milliseconds interval) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto due = std::chrono::steady_clock::now() + interval;
  for (Timer& timer : timers_) {
    if (timer.hwnd == hwnd && timer.id == id) {
      timer.interval = interval;
      timer.due = due;
      return true;
    }
  }
  timers_.push_back(Timer{hwnd, id, interval, due});
  return true;
}

bool ThreadQueue::KillTimer(HWND hwnd, uintptr_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto before = timers_.size();
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; }),
                timers_.end());
  return timers_.size() != before;
}

void ThreadQueue::ForgetWindow(HWND hwnd) {
  std::lock_guard<std::mutex> lock(mutex_);
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.hwnd == hwnd; }), timers_.end());
  updates_.erase(std::remove_if(updates_.begin(), updates_.end(), [&](const auto& update) { return update.first == hwnd; }),
                 updates_.end());
}

void ThreadQueue::Close() {
  std::deque<Message> dropped;
  std::deque<std::shared_ptr<SentMessage>> unanswered;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    dropped.swap(posted_);
    unanswered.swap(sent_);
    timers_.clear();
    updates_.clear();
  }
  for (auto& sent : unanswered) {
    sent->message.payload.reset();
    Complete(*sent, 0);
  }
}

}  // namespace platform::detail
