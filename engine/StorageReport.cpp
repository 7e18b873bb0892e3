#include "engine/StorageReport.h"

#include <cstdint>

#include "control/services/Desktop.h"
#include "engine/PathFold.h"
#include "net/DataReport.h"

namespace {
constexpr int32_t kReportCloudDisk = 5;
constexpr int32_t kReportRemovable = 6;
}  // namespace

void PostStorageReport(platform::HWND controlWindow, const std::vector<std::u16string>& chosenFiles) {
  const std::u16string nimbra = fotaro::GetNimbraFolder();
  const std::vector<std::u16string> roots = fotaro::GetRemovableDriveRoots();
  int32_t cloudDisk = 0;
  int32_t removable = 0;
  for (const std::u16string& file : chosenFiles) {
    if (StartsWithFolded(file, nimbra)) ++cloudDisk;
    for (const std::u16string& root : roots) removable += StartsWithFolded(file, root) ? 1 : 0;
  }
  if (cloudDisk > 0) PostDataReport(controlWindow, kReportCloudDisk, cloudDisk);
  if (removable > 0) PostDataReport(controlWindow, kReportRemovable, removable);
}
