#include "platform/win/Window.h"

#include <unordered_map>
#include <vector>

#include "platform/win/SurfaceBackend.h"
#include "platform/win/ThreadQueue.h"

namespace platform {

namespace detail {

struct WindowAccess {
  static void ClearHandle(Window& window) { window.hwnd_ = nullptr; }
  static SurfaceState* Surface(Window& window) { return window.surface_.get(); }
  static std::unique_ptr<SurfaceState> TakeSurface(Window& window) { return std::move(window.surface_); }
};

SurfaceState* SurfaceOf(HWND hwnd) {
  auto entry = FindWindow(hwnd);
  if (!entry || !entry->hasSurface || entry->queue != ThreadQueue::Current()) return nullptr;
  return WindowAccess::Surface(*entry->window);
}

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
  if (!hwnd) return std::nullopt;  // (a library that never made a window never makes the table)
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

Window::Window() = default;

Window::~Window() {
  if (!hwnd_) return;
  const HWND hwnd = hwnd_;
  if (auto entry = detail::FindWindow(hwnd)) entry->queue->ForgetWindow(hwnd);
  if (auto children = detail::Unregister(hwnd)) {
    auto surface = detail::WindowAccess::TakeSurface(*this);
    for (HWND child : *children) DestroyWindow(child);
    detail::DestroySurface(std::move(surface));
  }
}

bool Window::Register(HWND parent, bool withSurface) {
  if (hwnd_) return false;
  const auto& queue = detail::ThreadQueue::Current();
  detail::WindowTable& table = detail::Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (parent) {
    auto it = table.windows.find(parent);
    if (it == table.windows.end() || it->second.queue != queue) return false;
  }
  hwnd_ = reinterpret_cast<HWND>(++table.lastHandle);
  table.windows[hwnd_] = detail::WindowEntry{this, queue, parent, withSurface};
  return true;
}

bool Window::Create(HWND parent) {
  if (!Register(parent, false)) return false;
  std::unique_ptr<MessagePayload> none;
  WndProc(WM_CREATE, 0, 0, none);
  return true;
}

bool Window::Create(HWND parent, const RECT& rect, uint32_t style, std::u16string_view title) {
  if ((style & WS_CHILD) && !detail::SurfaceOf(parent)) return false;
  if (!Register(parent, true)) return false;
  surface_ = detail::MakeSurface(hwnd_, parent, rect, style, title);
  const HWND hwnd = hwnd_;
  std::unique_ptr<MessagePayload> none;
  WndProc(WM_CREATE, 0, 0, none);
  if (auto* surface = detail::SurfaceOf(hwnd)) {
    WndProc(WM_SIZE, 0, MAKELPARAM(surface->clientWidth(), surface->clientHeight()), none);
  }
  return true;
}

bool IsWindow(HWND hwnd) { return hwnd && detail::FindWindow(hwnd).has_value(); }

bool DestroyWindow(HWND hwnd) {
  auto entry = detail::FindWindow(hwnd);
  if (!entry || entry->queue.get() != detail::ThreadQueue::Current().get()) return false;
  std::unique_ptr<MessagePayload> none;
  entry->window->WndProc(WM_DESTROY, 0, 0, none);
  entry->queue->ForgetWindow(hwnd);
  // The window may have destroyed itself while handling WM_DESTROY.
  if (auto children = detail::Unregister(hwnd)) {
    auto surface = detail::WindowAccess::TakeSurface(*entry->window);
    for (HWND child : *children) DestroyWindow(child);
    detail::DestroySurface(std::move(surface));
  }
  return true;
}

HWND GetParent(HWND hwnd) {
  auto entry = detail::FindWindow(hwnd);
  return entry ? entry->parent : nullptr;
}

}  // namespace platform
