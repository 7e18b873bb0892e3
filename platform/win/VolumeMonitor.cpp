#include "platform/win/VolumeMonitor.h"

#include <algorithm>

#include "platform/win/MessageLoop.h"

namespace platform {

void VolumeMonitor::Register(HWND hwnd) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (std::find(m_windows.begin(), m_windows.end(), hwnd) == m_windows.end()) m_windows.push_back(hwnd);
}

void VolumeMonitor::Unregister(HWND hwnd) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_windows.erase(std::remove(m_windows.begin(), m_windows.end(), hwnd), m_windows.end());
}

void VolumeMonitor::Notify(WPARAM event) {
  std::vector<HWND> windows;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    windows = m_windows;
  }
  // A window that is gone without unregistering only makes the post fail.
  for (HWND hwnd : windows) PostMessage(hwnd, WM_DEVICECHANGE, event);
}

}  // namespace platform
