#pragma once
// The file list of a silent upload, an XML file the page names:
//
//   <fileList total="2"><file>/home/user/Pictures/a.jpg</file><file>...</file></fileList>
//
// The paths are the texts of the "file" elements in document order ("total" is not used).

#include <string>
#include <vector>

namespace fotaro {

// The paths of the list in `xmlPath`; empty when the file cannot be read, is not XML or has no
// "fileList" element.
std::vector<std::u16string> ReadSilentFileList(const std::u16string& xmlPath);

}  // namespace fotaro
