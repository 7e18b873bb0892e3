#pragma once
// The storage report the upload manager sends its control before a batch: how many of the chosen
// files lie in the cloud-disk client's folder (data report 5), and how many (file, removable
// drive root) pairs there are with the file under the root (data report 6). A count of 0 is not
// sent. Paths compare with the ASCII capitals folded (engine/PathFold.h).

#include <string>
#include <vector>

#include "platform/win/Types.h"

// Posts the report to `controlWindow` (null: the process's control window, see net/DataReport.h).
void PostStorageReport(platform::HWND controlWindow, const std::vector<std::u16string>& chosenFiles);
