#include "platform/win/Display.h"

#include <gtk/gtk.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/win/GtkLoop.h"
#include "platform/win/SurfaceBackend.h"

namespace platform {

namespace {

std::mutex g_displayMutex;  // guards the one attempt to become the display thread
std::atomic<bool> g_hasDisplayThread{false};
std::thread::id g_displayThread;  // written once under g_displayMutex before g_hasDisplayThread

}  // namespace

bool InitDisplay() {
  std::lock_guard<std::mutex> lock(g_displayMutex);
  if (g_hasDisplayThread.load()) return IsDisplayThread();
  if (!gtk_init_check(nullptr, nullptr)) return false;
  g_displayThread = std::this_thread::get_id();
  g_hasDisplayThread.store(true);
  detail::AttachQueueToMainLoop();
  return true;
}

bool JoinRunningMainLoop() {
  if (!g_main_context_is_owner(g_main_context_default())) return false;
  detail::AttachQueueToMainLoop();
  return true;
}

bool IsDisplayThread() { return g_hasDisplayThread.load() && g_displayThread == std::this_thread::get_id(); }

namespace detail {

SurfaceBackend& CurrentBackend() { return IsDisplayThread() ? GtkBackend() : HeadlessBackend(); }

}  // namespace detail
}  // namespace platform
