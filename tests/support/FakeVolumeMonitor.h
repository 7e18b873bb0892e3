#pragma once
// Volumes that a test mounts and unmounts itself, standing in for the system's volume monitor.

#include <vector>

#include "platform/win/VolumeMonitor.h"

namespace fotaro::test {

class FakeVolumeMonitor : public platform::VolumeMonitor {
 public:
  std::vector<platform::MountedVolume> GetVolumes() override {
    ++reads;
    return volumes;
  }
  // Tells the registered windows of a device event (WM_DEVICECHANGE with `event`).
  void Announce(platform::WPARAM event) { Notify(event); }

  std::vector<platform::MountedVolume> volumes;
  int reads = 0;  // how often the volumes were asked for
};

}  // namespace fotaro::test
