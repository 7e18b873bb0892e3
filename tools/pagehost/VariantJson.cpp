#include "VariantJson.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "Utf.h"

namespace fotaro::pagehost {

namespace {

// The whole number of `value`, when it is one that fits 64 bits.
std::optional<int64_t> WholeNumber(const Json& value) {
  if (value.is_number_integer() && !value.is_number_unsigned()) return value.get<int64_t>();
  if (value.is_number_unsigned()) {
    const uint64_t number = value.get<uint64_t>();
    if (number > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return std::nullopt;
    return static_cast<int64_t>(number);
  }
  const double number = value.get<double>();
  if (!std::isfinite(number) || std::trunc(number) != number || std::fabs(number) > 9.0e15) return std::nullopt;
  return static_cast<int64_t>(number);
}

}  // namespace

bool JsonToVariant(const Json& value, const ControlLibrary& library, VARIANT& out, std::string& problem) {
  library.InitVariant(&out);
  if (value.is_string()) {
    out.vt = VT_BSTR;
    out.bstrVal = library.AllocString(Utf16FromUtf8(value.get_ref<const std::string&>()));
    return true;
  }
  if (value.is_null()) {
    out.vt = VT_BSTR;
    out.bstrVal = nullptr;
    return true;
  }
  if (value.is_boolean()) {
    out.vt = VT_BOOL;
    out.boolVal = value.get<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
    return true;
  }
  if (value.is_number()) {
    const std::optional<int64_t> number = WholeNumber(value);
    if (number && *number >= std::numeric_limits<int32_t>::min() && *number <= std::numeric_limits<int32_t>::max()) {
      out.vt = VT_I4;
      out.lVal = static_cast<LONG>(*number);
      return true;
    }
    if (number && *number > 0 && *number <= std::numeric_limits<uint32_t>::max()) {
      out.vt = VT_UI4;
      out.ulVal = static_cast<ULONG>(*number);
      return true;
    }
    problem = "a number must be a whole number from -2147483648 to 4294967295";
    return false;
  }
  problem = "an argument must be a string, a number, true, false or null";
  return false;
}

std::optional<Json> VariantToJson(const VARIANT& value, const ControlLibrary& library) {
  switch (value.vt) {
    case VT_EMPTY: return std::nullopt;
    case VT_I4: return Json(value.lVal);
    case VT_UI4: return Json(value.ulVal);
    case VT_BOOL: return Json(value.boolVal != VARIANT_FALSE);
    case VT_BSTR:
      if (!value.bstrVal) return Json(nullptr);
      return Json(Utf8FromUtf16(std::u16string_view(value.bstrVal, library.StringLength(value.bstrVal))));
    default: return Json(nullptr);
  }
}

VariantList::~VariantList() {
  for (VARIANT& value : m_values) m_library.ClearVariant(&value);
}

bool VariantList::Append(const Json& value, std::string& problem) {
  VARIANT made;
  if (!JsonToVariant(value, m_library, made, problem)) return false;
  m_values.push_back(made);
  return true;
}

void VariantList::Reverse() { std::reverse(m_values.begin(), m_values.end()); }

}  // namespace fotaro::pagehost
