#include "control/FotaroExProperties.h"

#include <variant>

#include "control/settings/ControlProperties.h"
#include "platform/com/PropertyBag.h"
#include "platform/com/Variant.h"

namespace fotaro {

namespace {

using Field = std::variant<int32_t FotaroExProperties::*, std::u16string FotaroExProperties::*>;

// The field of each property, in the order of kControlProperties.
constexpr Field kFields[] = {
    &FotaroExProperties::m_nFrameType,
    &FotaroExProperties::m_nEditMaxWidth,
    &FotaroExProperties::m_nEditMaxHeight,
    &FotaroExProperties::m_nActiveFrame,
    &FotaroExProperties::m_strTokenContent,
    &FotaroExProperties::m_strHelpHyperlink,
    &FotaroExProperties::m_nUploadLimit,
    &FotaroExProperties::m_nUploadSizeLimit,
    &FotaroExProperties::m_strReportServerIP,
    &FotaroExProperties::m_nReportServerPort,
    &FotaroExProperties::m_strDownloadResourceURL,
    &FotaroExProperties::m_strWaterPressName,
    &FotaroExProperties::m_strWaterPressURL,
    &FotaroExProperties::m_strWaterPressDownloadAddress,
    &FotaroExProperties::m_nWaterPressType,
    &FotaroExProperties::m_nWaterPressCheck,
    &FotaroExProperties::m_strUploadTitleText,
    &FotaroExProperties::m_strUploadBtnCompress,
    &FotaroExProperties::m_strUploadBtnWaterPress,
    &FotaroExProperties::m_nUploadOnceCountLimit,
    &FotaroExProperties::m_nUploadOnceWaitTime,
    &FotaroExProperties::m_nActiveXType,
    &FotaroExProperties::m_nRetryTimes,
    &FotaroExProperties::m_nMD5FileSize,
    &FotaroExProperties::m_nInitPlace,
};

constexpr bool IsNumber(const Field& field) { return std::holds_alternative<int32_t FotaroExProperties::*>(field); }

constexpr bool FieldsMatchTheTable() {
  for (size_t i = 0; i < std::size(kFields); ++i) {
    if (IsNumber(kFields[i]) != (kControlProperties[i].type == PropertyType::I4)) return false;
  }
  return true;
}
static_assert(std::size(kFields) == std::size(kControlProperties));
static_assert(FieldsMatchTheTable(), "a field's type differs from its property's");

}  // namespace

FotaroExProperties::FotaroExProperties() {
  for (size_t i = 0; i < std::size(kFields); ++i) {
    const ControlProperty& property = kControlProperties[i];
    if (IsNumber(kFields[i])) {
      this->*std::get<0>(kFields[i]) = property.number;
    } else {
      this->*std::get<1>(kFields[i]) = std::u16string(property.text);
    }
  }
}

void FotaroExProperties::Load(IPropertyBag& bag, IErrorLog* log) {
  for (size_t i = 0; i < std::size(kFields); ++i) {
    const std::u16string_view key = kControlProperties[i].key;
    if (IsNumber(kFields[i])) {
      platform::com::ReadBagI4(bag, key, log, this->*std::get<0>(kFields[i]));
      continue;
    }
    std::u16string text;
    if (platform::com::ReadBagString(bag, key, log, text) && !text.empty()) this->*std::get<1>(kFields[i]) = text;
  }
}

bool FotaroExProperties::Save(IPropertyBag& bag) const {
  for (size_t i = 0; i < std::size(kFields); ++i) {
    const std::u16string key(kControlProperties[i].key);
    platform::com::ScopedVariant value;
    if (IsNumber(kFields[i])) {
      *value.get() = platform::com::I4Variant(this->*std::get<0>(kFields[i]));
    } else {
      *value.get() = platform::com::BstrVariant(this->*std::get<1>(kFields[i]));
    }
    if (FAILED(bag.Write(key.c_str(), value.get()))) return false;
  }
  return true;
}

}  // namespace fotaro
