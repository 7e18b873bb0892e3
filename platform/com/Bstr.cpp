// The BSTR functions: a 32-bit byte count, the UTF-16 units, and a terminating zero unit, in one
// allocation; the BSTR points at the first unit.

#include "platform/com/Bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr size_t kPrefix = sizeof(uint32_t);
// The byte count must fit the prefix.
constexpr UINT kMaxUnits = (std::numeric_limits<uint32_t>::max() - kPrefix - sizeof(OLECHAR)) / sizeof(OLECHAR);

}  // namespace

extern "C" {

BSTR SysAllocStringLen(const OLECHAR* pch, UINT ui) {
  if (ui > kMaxUnits) return nullptr;
  const size_t bytes = static_cast<size_t>(ui) * sizeof(OLECHAR);
  auto* block = static_cast<unsigned char*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR)));
  if (!block) return nullptr;
  const uint32_t length = static_cast<uint32_t>(bytes);
  std::memcpy(block, &length, kPrefix);
  auto* text = reinterpret_cast<OLECHAR*>(block + kPrefix);
  if (pch) {
    std::memcpy(text, pch, bytes);
  } else {
    std::memset(text, 0, bytes);
  }
  text[ui] = u'\0';
  return text;
}

BSTR SysAllocString(const OLECHAR* psz) {
  if (!psz) return nullptr;
  return SysAllocStringLen(psz, static_cast<UINT>(std::char_traits<char16_t>::length(psz)));
}

void SysFreeString(BSTR bstrString) {
  if (bstrString) std::free(reinterpret_cast<unsigned char*>(bstrString) - kPrefix);
}

UINT SysStringLen(BSTR pbstr) {
  if (!pbstr) return 0;
  uint32_t length = 0;
  std::memcpy(&length, reinterpret_cast<unsigned char*>(pbstr) - kPrefix, kPrefix);
  return length / sizeof(OLECHAR);
}

}  // extern "C"

namespace platform::com {

BSTR AllocBstr(std::u16string_view text) {
  if (text.size() > kMaxUnits) return nullptr;
  return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

std::u16string BstrText(BSTR text) {
  if (!text) return {};
  return std::u16string(text, SysStringLen(text));
}

}  // namespace platform::com
