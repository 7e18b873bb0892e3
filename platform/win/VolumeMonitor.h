#pragma once
// Volumes: the mounted file systems a user picks files from besides the home folder (USB sticks,
// memory cards, other disks), and news of their coming and going for the windows that want it.
//
// A window registers with a monitor and then gets WM_DEVICECHANGE, posted, with wParam
// DBT_DEVICEARRIVAL when a drive, volume or mount arrived and DBT_DEVICEREMOVECOMPLETE when one
// went. One device may cause several messages (a drive, then its volume, then its mount).

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win/Message.h"

namespace platform {

constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;

struct MountedVolume {
  std::u16string name;  // what the user calls it: its label, else its device's name
  std::u16string root;  // the local folder it is mounted at
};

class VolumeMonitor {
 public:
  virtual ~VolumeMonitor() = default;

  // The volumes mounted now that have a local folder, in the monitor's order.
  virtual std::vector<MountedVolume> GetVolumes() = 0;

  // `hwnd` gets WM_DEVICECHANGE until it is unregistered (a window that is gone gets nothing).
  // Any thread.
  void Register(HWND hwnd);
  void Unregister(HWND hwnd);

 protected:
  // Posts WM_DEVICECHANGE with `event` to every registered window. Any thread.
  void Notify(WPARAM event);

 private:
  std::mutex m_lock;  // guards m_windows: windows register on their threads, news may come on another
  std::vector<HWND> m_windows;
};

// The system's volumes, from GIO's volume monitor, which lives on the display thread (Display.h):
// changes are heard there while its main loop runs. Called on another thread (headless), the
// volumes are read from the mount table, as GIO would show them, and no change is reported.
std::shared_ptr<VolumeMonitor> SystemVolumeMonitor();

}  // namespace platform
