#include "platform/com/PropertyBag.h"

#include <algorithm>

#include "platform/AsciiFold.h"
#include "platform/com/Bstr.h"
#include "platform/com/Variant.h"

namespace platform::com {

namespace {

// The value `name` of `bag` as a variant of type `vt`.
bool ReadBag(IPropertyBag& bag, std::u16string_view name, IErrorLog* log, VARTYPE vt, ScopedVariant& value) {
  const std::u16string key(name);
  if (FAILED(bag.Read(key.c_str(), value.get(), log))) return false;
  return SUCCEEDED(VariantChangeType(value.get(), value.get(), 0, vt));
}

}  // namespace

bool ReadBagI4(IPropertyBag& bag, std::u16string_view name, IErrorLog* log, int32_t& value) {
  ScopedVariant read;
  if (!ReadBag(bag, name, log, VT_I4, read)) return false;
  value = read->lVal;
  return true;
}

bool ReadBagString(IPropertyBag& bag, std::u16string_view name, IErrorLog* log, std::u16string& value) {
  ScopedVariant read;
  if (!ReadBag(bag, name, log, VT_BSTR, read)) return false;
  value = BstrText(read->bstrVal);
  return true;
}

CPropertyBag::~CPropertyBag() {
  for (auto& [name, value] : values_) VariantClear(&value);
}

HRESULT CPropertyBag::QueryInterface(REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (riid != IID_IUnknown && riid != IID_IPropertyBag) return E_NOINTERFACE;
  *ppvObject = static_cast<IPropertyBag*>(this);
  AddRef();
  return S_OK;
}

ULONG CPropertyBag::Release() {
  const ULONG count = refs_.Release();
  if (count == 0) delete this;
  return count;
}

std::vector<std::pair<std::u16string, VARIANT>>::iterator CPropertyBag::FindValue(std::u16string_view name) {
  return std::find_if(values_.begin(), values_.end(), [&](const auto& entry) { return EqualsFolded(entry.first, name); });
}

HRESULT CPropertyBag::Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog*) {
  if (!pszPropName || !pVar) return E_POINTER;
  auto it = FindValue(pszPropName);
  if (it == values_.end()) return E_INVALIDARG;
  const VARTYPE wanted = pVar->vt;
  VariantInit(pVar);
  if (wanted == VT_EMPTY) return VariantCopy(pVar, &it->second);
  return VariantChangeType(pVar, &it->second, 0, wanted);
}

HRESULT CPropertyBag::Write(LPCOLESTR pszPropName, VARIANT* pVar) {
  if (!pszPropName || !pVar) return E_POINTER;
  VARIANT copy;
  VariantInit(&copy);
  const HRESULT hr = VariantCopy(&copy, pVar);
  if (FAILED(hr)) return hr;
  auto it = FindValue(pszPropName);
  if (it == values_.end()) {
    values_.emplace_back(pszPropName, copy);
  } else {
    VariantClear(&it->second);
    it->second = copy;
  }
  return S_OK;
}

void CPropertyBag::Set(std::u16string_view name, int32_t value) {
  VARIANT variant = I4Variant(value);
  Write(std::u16string(name).c_str(), &variant);
}

void CPropertyBag::Set(std::u16string_view name, std::u16string_view text) {
  ScopedVariant variant;
  *variant.get() = BstrVariant(text);
  Write(std::u16string(name).c_str(), variant.get());
}

}  // namespace platform::com
