#pragma once
// The control's persisted properties: the parameters a hosting page may give, with their types and
// the values the control starts with.

#include <cstdint>
#include <iterator>
#include <string_view>

namespace fotaro {

enum class PropertyType {
  I4,      // a signed 32-bit integer: the default is `number`
  String,  // a wide string: the default is `text`
};

struct ControlProperty {
  std::u16string_view key;
  PropertyType type;
  int32_t number;
  std::u16string_view text;
};

inline constexpr ControlProperty kControlProperties[] = {
    {u"FrameType", PropertyType::I4, 0, {}},
    {u"EditMaxWidth", PropertyType::I4, 0, {}},
    {u"EditMaxHeight", PropertyType::I4, 0, {}},
    {u"ActiveFrame", PropertyType::I4, 0, {}},
    {u"TokenContent", PropertyType::String, 0, u""},
    {u"HelpHyperlink", PropertyType::String, 0, u""},
    {u"UploadLimit", PropertyType::I4, 2147483647, {}},
    {u"UploadSizeLimit", PropertyType::I4, 0, {}},  // MiB
    {u"ReportServerIP", PropertyType::String, 0, u""},
    {u"ReportServerPort", PropertyType::I4, 0, {}},
    {u"DownloadResourceURL", PropertyType::String, 0, u""},
    {u"WaterPressName", PropertyType::String, 0, u""},
    {u"WaterPressURL", PropertyType::String, 0, u""},
    {u"WaterPressDownloadAddress", PropertyType::String, 0, u""},
    {u"WaterPressType", PropertyType::I4, 0, {}},
    {u"WaterPressCheck", PropertyType::I4, 0, {}},
    {u"UploadTitleText", PropertyType::String, 0, u""},
    {u"UploadBtnCompress", PropertyType::String, 0, u"上传原图"},
    {u"UploadBtnWaterPress", PropertyType::String, 0, u"添加我的空间地址"},
    {u"UploadOnceCountLimit", PropertyType::I4, 30, {}},
    {u"UploadOnceWaitTime", PropertyType::I4, 20, {}},
    {u"StyleType", PropertyType::I4, 1, {}},
    {u"RetryTimes", PropertyType::I4, 3, {}},
    {u"MD5FileSize", PropertyType::I4, 20, {}},  // MiB
    {u"InitPlace", PropertyType::I4, 1, {}},
};

// The property named `key` (exact spelling), or null.
constexpr const ControlProperty* FindControlProperty(std::u16string_view key) {
  for (const ControlProperty& property : kControlProperties) {
    if (property.key == key) return &property;
  }
  return nullptr;
}

namespace detail {
constexpr bool ControlPropertyKeysAreUnique() {
  for (const ControlProperty& property : kControlProperties) {
    if (FindControlProperty(property.key) != &property) return false;
  }
  return true;
}
}  // namespace detail

static_assert(std::size(kControlProperties) == 25);
static_assert(detail::ControlPropertyKeysAreUnique());

}  // namespace fotaro
