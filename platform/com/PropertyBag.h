#pragma once
// Property bags: reading a named value of a host's bag as the type the reader wants, and
// CPropertyBag, an in-memory bag for hosts and tests that build a page's parameters themselves.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/ComObject.h"

namespace platform::com {

// The value `name` of `bag` converted to a 32-bit integer / a string. False (and `value` left
// as it is) when the bag does not supply the value or it cannot be converted.
bool ReadBagI4(IPropertyBag& bag, std::u16string_view name, IErrorLog* log, int32_t& value);
bool ReadBagString(IPropertyBag& bag, std::u16string_view name, IErrorLog* log, std::u16string& value);

// An IPropertyBag over a list of named values (names match without regard to ASCII case).
// Read answers a copy, converted to the type the caller asks for in pVar->vt when that is not
// VT_EMPTY; E_INVALIDARG for a name the bag does not hold. Made with a reference count of 1.
class CPropertyBag final : public IPropertyBag {
 public:
  CPropertyBag() = default;
  CPropertyBag(const CPropertyBag&) = delete;
  CPropertyBag& operator=(const CPropertyBag&) = delete;

  HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG AddRef() override { return refs_.AddRef(); }
  ULONG Release() override;
  HRESULT Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog* pErrorLog) override;
  HRESULT Write(LPCOLESTR pszPropName, VARIANT* pVar) override;

  // Shorthands for Write.
  void Set(std::u16string_view name, int32_t value);
  void Set(std::u16string_view name, std::u16string_view text);

 private:
  ~CPropertyBag();
  std::vector<std::pair<std::u16string, VARIANT>>::iterator FindValue(std::u16string_view name);

  RefCount refs_;
  std::vector<std::pair<std::u16string, VARIANT>> values_;
};

}  // namespace platform::com
