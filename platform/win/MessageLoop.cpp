#include "platform/win/MessageLoop.h"

#include "platform/win/SurfaceBackend.h"
#include "platform/win/ThreadQueue.h"
#include "platform/win/Window.h"

namespace platform {

using detail::ThreadQueue;

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload> payload) {
  auto entry = detail::FindWindow(hwnd);
  if (!entry) return false;
  return entry->queue->Post(Message{hwnd, message, wParam, lParam, std::move(payload)});
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload> payload) {
  auto entry = detail::FindWindow(hwnd);
  if (!entry) return 0;
  const auto& current = ThreadQueue::Current();
  if (entry->queue == current) return entry->window->WndProc(message, wParam, lParam, payload);

  auto sent = std::make_shared<detail::SentMessage>();
  sent->message = Message{hwnd, message, wParam, lParam, std::move(payload)};
  sent->sender = current;
  if (!entry->queue->Send(sent)) return 0;
  current->AwaitReply(*sent);
  return sent->result;
}

void PostQuitMessage(int code) { ThreadQueue::Current()->PostQuit(code); }

bool GetMessage(Message& message, std::optional<std::chrono::milliseconds> timeout) {
  std::optional<std::chrono::steady_clock::time_point> deadline;
  if (timeout) deadline = std::chrono::steady_clock::now() + *timeout;
  auto next = ThreadQueue::Current()->Next(deadline);
  if (!next) return false;
  message = std::move(*next);
  return message.message != WM_QUIT;
}

bool PeekMessage(Message& message) {
  auto next = ThreadQueue::Current()->Next(std::chrono::steady_clock::now());
  if (!next) return false;
  message = std::move(*next);
  return true;
}

LRESULT DispatchMessage(Message& message) {
  auto entry = detail::FindWindow(message.hwnd);
  // A message for a window that is gone (or of another thread) is dropped; its payload is freed
  // with the message.
  if (!entry || entry->queue != ThreadQueue::Current()) return 0;
  // A paint the loop made carries the update area: the window paints it through PaintDC.
  if (message.message == WM_PAINT && entry->hasSurface) {
    if (auto* update = dynamic_cast<const detail::PaintUpdate*>(message.payload.get())) {
      detail::PaintWindow(message.hwnd, update->rect);
      return 0;
    }
  }
  return entry->window->WndProc(message.message, message.wParam, message.lParam, message.payload);
}

void HandleSentMessages() { ThreadQueue::Current()->HandleSent(); }

int RunMessageLoop() {
  Message message;
  while (GetMessage(message)) {
    DispatchMessage(message);
    message.payload.reset();
  }
  return static_cast<int>(message.wParam);
}

namespace {

bool RunUntilDeadline(const std::function<bool()>& done, std::optional<std::chrono::steady_clock::time_point> deadline) {
  const auto& queue = ThreadQueue::Current();
  while (!done()) {
    auto next = queue->Next(deadline, &done);
    if (!next) return done();
    if (next->message == WM_QUIT) {
      // Leave the quit for the loop outside this one.
      queue->PostQuit(static_cast<int>(next->wParam));
      return done();
    }
    DispatchMessage(*next);
  }
  return true;
}

}  // namespace

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  return RunUntilDeadline(done, std::chrono::steady_clock::now() + timeout);
}

bool RunUntil(const std::function<bool()>& done) { return RunUntilDeadline(done, std::nullopt); }

bool SetTimer(HWND hwnd, uintptr_t id, std::chrono::milliseconds interval) {
  auto entry = detail::FindWindow(hwnd);
  return entry && entry->queue->SetTimer(hwnd, id, interval);
}

bool KillTimer(HWND hwnd, uintptr_t id) {
  auto entry = detail::FindWindow(hwnd);
  return entry && entry->queue->KillTimer(hwnd, id);
}

}  // namespace platform
