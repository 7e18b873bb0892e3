// The VARIANT functions, for the variant types the control's interfaces use (VARENUM).

#include "platform/com/Variant.h"

#include <cstdlib>
#include <limits>
#include <string>

#include "platform/com/Bstr.h"

namespace {

using platform::com::AllocBstr;

bool IsKnownType(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I4:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_BOOL:
    case VT_UI4:
    case VT_BYREF | VT_I4:
    case VT_BYREF | VT_BSTR:
      return true;
    default:
      return false;
  }
}

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t'; }

bool SameWord(std::u16string_view text, std::u16string_view word) {
  if (text.size() != word.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i] >= u'A' && text[i] <= u'Z' ? char16_t(text[i] - u'A' + u'a') : text[i];
    const char16_t w = word[i] >= u'A' && word[i] <= u'Z' ? char16_t(word[i] - u'A' + u'a') : word[i];
    if (c != w) return false;
  }
  return true;
}

// A decimal number with optional blanks around it and an optional sign.
HRESULT ParseNumber(std::u16string_view text, int64_t& value) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
    negative = text.front() == u'-';
    text.remove_prefix(1);
  }
  if (text.empty()) return DISP_E_TYPEMISMATCH;
  int64_t magnitude = 0;
  bool tooLarge = false;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return DISP_E_TYPEMISMATCH;
    if (magnitude > (std::numeric_limits<int64_t>::max() - 9) / 10) tooLarge = true;
    if (!tooLarge) magnitude = magnitude * 10 + (c - u'0');
  }
  if (tooLarge) return DISP_E_OVERFLOW;
  value = negative ? -magnitude : magnitude;
  return S_OK;
}

// The source as a number: EMPTY is 0, BOOL -1 or 0, a BSTR a decimal number ("True" and "False"
// also when `boolWords`).
HRESULT SourceNumber(const VARIANT& source, bool boolWords, int64_t& value) {
  switch (source.vt) {
    case VT_EMPTY: value = 0; return S_OK;
    case VT_I4: value = source.lVal; return S_OK;
    case VT_UI4: value = source.ulVal; return S_OK;
    case VT_BOOL: value = source.boolVal ? -1 : 0; return S_OK;
    case VT_BSTR: {
      const std::u16string_view text(source.bstrVal ? source.bstrVal : u"", SysStringLen(source.bstrVal));
      if (boolWords && SameWord(text, u"true")) {
        value = -1;
        return S_OK;
      }
      if (boolWords && SameWord(text, u"false")) {
        value = 0;
        return S_OK;
      }
      return ParseNumber(text, value);
    }
    default: return DISP_E_TYPEMISMATCH;
  }
}

HRESULT ToBstr(const VARIANT& source, VARIANT& result) {
  std::string text;
  switch (source.vt) {
    case VT_EMPTY: break;
    case VT_I4: text = std::to_string(source.lVal); break;
    case VT_UI4: text = std::to_string(source.ulVal); break;
    case VT_BOOL: text = source.boolVal ? "True" : "False"; break;
    default: return DISP_E_TYPEMISMATCH;
  }
  result.vt = VT_BSTR;
  result.bstrVal = AllocBstr(std::u16string(text.begin(), text.end()));
  return result.bstrVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT Convert(const VARIANT& source, VARTYPE vt, VARIANT& result) {
  if (source.vt == vt) return VariantCopy(&result, &source);
  if (source.vt == VT_NULL || source.vt == VT_DISPATCH) return DISP_E_TYPEMISMATCH;
  int64_t number = 0;
  HRESULT hr = S_OK;
  switch (vt) {
    case VT_EMPTY:
      return S_OK;
    case VT_BSTR:
      return ToBstr(source, result);
    case VT_I4:
      if (FAILED(hr = SourceNumber(source, false, number))) return hr;
      if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max()) return DISP_E_OVERFLOW;
      result.vt = VT_I4;
      result.lVal = static_cast<LONG>(number);
      return S_OK;
    case VT_UI4:
      if (FAILED(hr = SourceNumber(source, false, number))) return hr;
      if (number < 0 || number > std::numeric_limits<uint32_t>::max()) return DISP_E_OVERFLOW;
      result.vt = VT_UI4;
      result.ulVal = static_cast<ULONG>(number);
      return S_OK;
    case VT_BOOL:
      if (FAILED(hr = SourceNumber(source, true, number))) return hr;
      result.vt = VT_BOOL;
      result.boolVal = number ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    default:
      return DISP_E_BADVARTYPE;
  }
}

}  // namespace

extern "C" {

void VariantInit(VARIANTARG* pvarg) {
  if (!pvarg) return;
  pvarg->vt = VT_EMPTY;
  pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
  pvarg->llVal = 0;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
  if (!pvarg) return E_INVALIDARG;
  if (!IsKnownType(pvarg->vt)) return DISP_E_BADVARTYPE;
  if (pvarg->vt == VT_BSTR) SysFreeString(pvarg->bstrVal);
  if (pvarg->vt == VT_DISPATCH && pvarg->pdispVal) pvarg->pdispVal->Release();
  VariantInit(pvarg);
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
  if (!pvargDest || !pvargSrc) return E_INVALIDARG;
  if (!IsKnownType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
  if (pvargDest == pvargSrc) return S_OK;
  VARIANT copy = *pvargSrc;
  if (copy.vt == VT_BSTR && copy.bstrVal) {
    copy.bstrVal = SysAllocStringLen(pvargSrc->bstrVal, SysStringLen(pvargSrc->bstrVal));
    if (!copy.bstrVal) return E_OUTOFMEMORY;
  }
  if (copy.vt == VT_DISPATCH && copy.pdispVal) copy.pdispVal->AddRef();
  const HRESULT cleared = VariantClear(pvargDest);
  if (FAILED(cleared)) {
    VariantClear(&copy);
    return cleared;
  }
  *pvargDest = copy;
  return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, WORD, VARTYPE vt) {
  if (!pvargDest || !pvarSrc) return E_INVALIDARG;
  if (!IsKnownType(pvarSrc->vt) || !IsKnownType(vt)) return DISP_E_BADVARTYPE;
  if (vt & VT_BYREF) return DISP_E_TYPEMISMATCH;
  // A by-reference source converts from the value it points at.
  VARIANT source = *pvarSrc;
  if (source.vt == (VT_BYREF | VT_I4)) {
    if (!source.plVal) return E_INVALIDARG;
    source.vt = VT_I4;
    source.lVal = *pvarSrc->plVal;
  } else if (source.vt == (VT_BYREF | VT_BSTR)) {
    if (!source.pbstrVal) return E_INVALIDARG;
    source.vt = VT_BSTR;
    source.bstrVal = *pvarSrc->pbstrVal;
  }
  VARIANT result;
  VariantInit(&result);
  const HRESULT hr = Convert(source, vt, result);
  if (FAILED(hr)) return hr;
  // The destination may be the source: it is replaced only now.
  VariantClear(pvargDest);
  *pvargDest = result;
  return S_OK;
}

}  // extern "C"

namespace platform::com {

VARIANT I4Variant(int32_t value) {
  VARIANT variant;
  VariantInit(&variant);
  variant.vt = VT_I4;
  variant.lVal = value;
  return variant;
}

VARIANT BstrVariant(std::u16string_view text) {
  VARIANT variant;
  VariantInit(&variant);
  variant.vt = VT_BSTR;
  variant.bstrVal = AllocBstr(text);
  return variant;
}

}  // namespace platform::com
