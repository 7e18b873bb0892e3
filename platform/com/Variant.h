#pragma once
// VARIANT helpers. The VARIANT functions themselves (VariantInit, VariantClear, VariantCopy,
// VariantChangeType) are declared in ComTypes.h.

#include <cstdint>
#include <string_view>

#include "platform/com/ComTypes.h"

namespace platform::com {

// A VARIANT that is cleared when it goes out of scope.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&value_); }
  ~ScopedVariant() { VariantClear(&value_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;

  VARIANT* get() { return &value_; }
  const VARIANT& operator*() const { return value_; }
  const VARIANT* operator->() const { return &value_; }

 private:
  VARIANT value_;
};

// Variants by value; the BSTR one owns a new copy of `text` (VT_BSTR with a null bstrVal when
// memory runs out).
VARIANT I4Variant(int32_t value);
VARIANT BstrVariant(std::u16string_view text);

}  // namespace platform::com
