#include "platform/win/Window.h"

#include <unordered_map>
#include <vector>

#include "platform/win/ThreadQueue.h"

namespace platform {

namespace detail {

struct WindowAccess {
  static void ClearHandle(Window& window) { window.hwnd_ = nullptr; }
};

namespace {

struct WindowTable {
  std::mutex mutex;  // guards the table: handle -> entry
  std::unordered_map<HWND, WindowEntry> windows;
  uintptr_t lastHandle = 0;  // handles are never reused
};

WindowTable& Table() {
  static WindowTable* table = new WindowTable;  // outlives every thread's queue clean-up
  return *table;
}

}  // namespace

std::optional<WindowEntry> FindWindow(HWND hwnd) {
  WindowTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.windows.find(hwnd);
  if (it == table.windows.end()) return std::nullopt;
  return it->second;
}

void ForgetWindowsOf(const ThreadQueue* queue) {
  WindowTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  for (auto it = table.windows.begin(); it != table.windows.end();) {
    if (it->second.queue.get() == queue) {
      WindowAccess::ClearHandle(*it->second.window);
      it = table.windows.erase(it);
    } else {
      ++it;
    }
  }
}

namespace {

// Removes `hwnd` and returns its children, or nothing if it was not a window.
std::optional<std::vector<HWND>> Unregister(HWND hwnd) {
  WindowTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.windows.find(hwnd);
  if (it == table.windows.end()) return std::nullopt;
  WindowAccess::ClearHandle(*it->second.window);
  table.windows.erase(it);
  std::vector<HWND> children;
  for (const auto& [handle, entry] : table.windows) {
    if (entry.parent == hwnd) children.push_back(handle);
  }
  return children;
}

}  // namespace
}  // namespace detail

Window::~Window() {
  if (!hwnd_) return;
  const HWND hwnd = hwnd_;
  if (auto entry = detail::FindWindow(hwnd)) entry->queue->KillTimers(hwnd);
  if (auto children = detail::Unregister(hwnd)) {
    for (HWND child : *children) DestroyWindow(child);
  }
}

bool Window::Create(HWND parent) {
  if (hwnd_) return false;
  const auto& queue = detail::ThreadQueue::Current();
  {
    detail::WindowTable& table = detail::Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (parent) {
      auto it = table.windows.find(parent);
      if (it == table.windows.end() || it->second.queue != queue) return false;
    }
    hwnd_ = reinterpret_cast<HWND>(++table.lastHandle);
    table.windows[hwnd_] = detail::WindowEntry{this, queue, parent};
  }
  std::unique_ptr<MessagePayload> none;
  WndProc(WM_CREATE, 0, 0, none);
  return true;
}

bool IsWindow(HWND hwnd) { return hwnd && detail::FindWindow(hwnd).has_value(); }

bool DestroyWindow(HWND hwnd) {
  auto entry = detail::FindWindow(hwnd);
  if (!entry || entry->queue.get() != detail::ThreadQueue::Current().get()) return false;
  std::unique_ptr<MessagePayload> none;
  entry->window->WndProc(WM_DESTROY, 0, 0, none);
  entry->queue->KillTimers(hwnd);
  // The window may have destroyed itself while handling WM_DESTROY.
  if (auto children = detail::Unregister(hwnd)) {
    for (HWND child : *children) DestroyWindow(child);
  }
  return true;
}

HWND GetParent(HWND hwnd) {
  auto entry = detail::FindWindow(hwnd);
  return entry ? entry->parent : nullptr;
}

}  // namespace platform
