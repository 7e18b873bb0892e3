#pragma once
// Removable drives: the mount points of file systems on removable or USB block devices.

#include <string>
#include <vector>

namespace platform {

// The mount points (each with a trailing "/") of mounted file systems whose block device is
// removable or sits on a USB bus, in mount-table order without repeats. Network file systems and
// optical discs are never listed. Read from /proc/self/mounts and /sys on every call.
std::vector<std::string> RemovableDriveRoots();

// The same from the given mount table and sysfs root (tests use a made-up tree).
std::vector<std::string> RemovableDriveRoots(const std::string& mountTable, const std::string& sysRoot);

}  // namespace platform
