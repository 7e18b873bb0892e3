#include "platform/Drives.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace platform {

namespace {

// File system types whose data lives on another machine. Their source is rarely a /dev path
// (FUSE network file systems name a host), but a network file system is never a drive.
bool IsNetworkFileSystem(const std::string& type) {
  static const char* const kNetwork[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "9p",
                                         "ceph", "glusterfs", "lustre", "gfs2", "ocfs2", "davfs", "fuse.sshfs"};
  return std::find_if(std::begin(kNetwork), std::end(kNetwork), [&](const char* name) { return type == name; }) !=
         std::end(kNetwork);
}

// Undoes the octal escapes (\040 for a space and so on) of a mount-table field.
std::string Unescape(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() &&
        std::all_of(field.begin() + i + 1, field.begin() + i + 4, [](char c) { return c >= '0' && c <= '7'; })) {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

bool FileSaysOne(const std::string& path) {
  std::ifstream in(path);
  char c = 0;
  return in.get(c) && c == '1';
}

// Whether the block device `device` (a /dev path) is removable or on USB, judged from its sysfs
// folder: a partition takes the "removable" flag of its disk, the folder above it.
bool IsRemovableDevice(const std::string& device, const std::string& sysRoot) {
  const std::string resolved = RealPath(device);
  const std::string& path = resolved.empty() ? device : resolved;
  const std::string name = path.substr(path.rfind('/') + 1);
  if (name.empty() || name.rfind("sr", 0) == 0) return false;  // optical drives are not removable drives
  const std::string sysfs = RealPath(sysRoot + "/class/block/" + name);
  if (sysfs.empty()) return false;
  if (sysfs.find("/usb") != std::string::npos) return true;
  if (access((sysfs + "/partition").c_str(), F_OK) == 0) return FileSaysOne(sysfs.substr(0, sysfs.rfind('/')) + "/removable");
  return FileSaysOne(sysfs + "/removable");
}

}  // namespace

std::vector<std::string> RemovableDriveRoots() { return RemovableDriveRoots("/proc/self/mounts", "/sys"); }

std::vector<std::string> RemovableDriveRoots(const std::string& mountTable, const std::string& sysRoot) {
  std::vector<std::string> roots;
  std::ifstream in(mountTable);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string device, mountPoint, type;
    if (!(fields >> device >> mountPoint >> type)) continue;
    device = Unescape(device);
    mountPoint = Unescape(mountPoint);
    if (device.rfind("/dev/", 0) != 0 || IsNetworkFileSystem(type) || !IsRemovableDevice(device, sysRoot)) continue;
    if (mountPoint.empty() || mountPoint.back() != '/') mountPoint += '/';
    if (std::find(roots.begin(), roots.end(), mountPoint) == roots.end()) roots.push_back(mountPoint);
  }
  return roots;
}

}  // namespace platform
