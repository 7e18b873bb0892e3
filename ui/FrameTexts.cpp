#include "ui/FrameTexts.h"

#include "platform/CodePage.h"

namespace frame_text {

std::u16string Format(std::u16string_view format, int64_t number) {
  std::u16string text(format);
  const size_t at = text.find(u"%d");
  if (at != std::u16string::npos) text.replace(at, 2, platform::FromUtf8(std::to_string(number)));
  return text;
}

std::u16string_view ResultText(int32_t result) {
  switch (result) {
    case -203: return u"图片名称违规";
    case -202: return u"图片格式不支持";
    case -201: return u"图片大小超过限制";
    case -200: return u"图片名太长";
    case -101: return u"上传超时";
    default: return u"网络错误";
  }
}

}  // namespace frame_text
