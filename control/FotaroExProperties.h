#pragma once
// The control's persisted properties (control/settings/ControlProperties.h lists them with their
// defaults): a field each, loaded from the page's parameters and saved back through a property
// bag.

#include <cstdint>
#include <string>

#include "platform/com/ComTypes.h"

namespace fotaro {

struct FotaroExProperties {
  // Every property at its default.
  FotaroExProperties();

  // Reads each property the bag supplies, in table order; a value the bag does not supply or
  // cannot convert leaves the field as it is, and so does an empty string.
  void Load(IPropertyBag& bag, IErrorLog* log);
  // Writes every property to the bag (I4 or BSTR); false when the bag refuses one.
  bool Save(IPropertyBag& bag) const;

  int32_t m_nFrameType;
  int32_t m_nEditMaxWidth;
  int32_t m_nEditMaxHeight;
  int32_t m_nActiveFrame;
  std::u16string m_strTokenContent;
  std::u16string m_strHelpHyperlink;
  int32_t m_nUploadLimit;
  int32_t m_nUploadSizeLimit;  // MiB
  std::u16string m_strReportServerIP;
  int32_t m_nReportServerPort;
  std::u16string m_strDownloadResourceURL;
  std::u16string m_strWaterPressName;
  std::u16string m_strWaterPressURL;
  std::u16string m_strWaterPressDownloadAddress;
  int32_t m_nWaterPressType;
  int32_t m_nWaterPressCheck;
  std::u16string m_strUploadTitleText;
  std::u16string m_strUploadBtnCompress;
  std::u16string m_strUploadBtnWaterPress;
  int32_t m_nUploadOnceCountLimit;
  int32_t m_nUploadOnceWaitTime;
  int32_t m_nActiveXType;  // "StyleType"
  int32_t m_nRetryTimes;
  int32_t m_nMD5FileSize;  // MiB
  int32_t m_nInitPlace;
};

}  // namespace fotaro
