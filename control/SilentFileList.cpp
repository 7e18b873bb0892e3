#include "control/SilentFileList.h"

#include "control/services/Log.h"
#include "platform/CodePage.h"
#include "xml/XmlDocument.h"

namespace fotaro {

std::vector<std::u16string> ReadSilentFileList(const std::u16string& xmlPath) {
  std::vector<std::u16string> paths;
  const auto document = XmlDocument::LoadFile(platform::PathBytes(xmlPath));
  if (!document) return paths;
  document->Root(u"fileList").ForEachChild([&](const XmlElement& element) {
    if (element.Name() != u"file") return;
    paths.push_back(element.Text());
    Log("CFotaroEx::SetUploadFilePath", "需要上传图片 : %s", paths.back());
  });
  return paths;
}

}  // namespace fotaro
