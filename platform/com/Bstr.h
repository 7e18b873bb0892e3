#pragma once
// BSTR helpers: owning pointers and conversions to and from the system's wide strings.
// The BSTR functions themselves (SysAllocString, ...) are declared in ComTypes.h.

#include <memory>
#include <string>
#include <string_view>

#include "platform/com/ComTypes.h"

namespace platform::com {

struct BstrFree {
  void operator()(OLECHAR* text) const { SysFreeString(text); }
};
// Owns a BSTR (which may be null).
using BstrPtr = std::unique_ptr<OLECHAR, BstrFree>;

// A new BSTR holding `text`; null only when memory runs out.
BSTR AllocBstr(std::u16string_view text);
inline BstrPtr MakeBstr(std::u16string_view text) { return BstrPtr(AllocBstr(text)); }
// The characters of `text`; a null BSTR reads as "".
std::u16string BstrText(BSTR text);

}  // namespace platform::com
