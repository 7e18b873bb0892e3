#include "engine/SilentAnswer.h"

#include "platform/CodePage.h"
#include "xml/XmlDocument.h"

namespace {

constexpr std::u16string_view kFailureTemplate = u"<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<body/>\r\n";

}  // namespace

std::u16string CompressFailureReason(int32_t code) {
  switch (code) {
    case 1: return u"文件不存在，或者文件大小为空";
    case 2: return u"图片压缩失败";
    case 3: return u"图片格式不支持";
    case 4: return u"超过此相册总容量";
    case 5: return u"文件格式错误";
    case 6: return u"gif图不能大于5M";
    case 7: return u"用户取消";
    case 8: return u"文件太大";
    default: return u"";
  }
}

std::u16string FailureAnswer(const std::u16string& path, int32_t code, const std::u16string& reason,
                             const std::u16string& detail) {
  std::optional<fotaro::XmlDocument> document = fotaro::XmlDocument::Parse(kFailureTemplate);
  fotaro::XmlElement body = document->Root(u"body");
  body.AppendChild(u"Filename", path);
  body.AppendChild(u"Result", platform::FromUtf8(std::to_string(code)));
  body.AppendChild(u"Reason", reason);
  if (!detail.empty()) body.AppendChild(u"Detail", detail);
  return document->ToString();
}

std::u16string ServerAnswer(const std::u16string& path, const UploadInfo& result) {
  std::optional<fotaro::XmlDocument> document;
  if (!result.strResultFile.empty()) document = fotaro::XmlDocument::LoadFile(platform::PathBytes(result.strResultFile));
  fotaro::XmlElement body = document ? document->Root(u"body") : fotaro::XmlElement();
  if (!body) return FailureAnswer(path, result.nResult, result.strReason, result.strFailure);
  body.AppendChild(u"Filename", path);
  return document->ToString();
}
