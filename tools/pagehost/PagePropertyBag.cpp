#include "PagePropertyBag.h"

#include "Utf.h"
#include "VariantJson.h"

namespace fotaro::pagehost {

namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; }

bool SameName(const std::u16string& a, LPCOLESTR b) {
  size_t i = 0;
  for (; i < a.size(); ++i) {
    if (b[i] == u'\0' || Lower(a[i]) != Lower(b[i])) return false;
  }
  return b[i] == u'\0';
}

}  // namespace

PagePropertyBag* PagePropertyBag::Create(const Json& params, const ControlLibrary& library,
                                         std::string& problem) {
  if (!params.is_object()) {
    problem = "\"params\" must be an object";
    return nullptr;
  }
  auto* bag = new PagePropertyBag(library);
  for (const auto& [name, value] : params.items()) {
    VARIANT made;
    if (!JsonToVariant(value, library, made, problem)) {
      problem = "parameter \"" + name + "\": " + problem;
      bag->Release();
      return nullptr;
    }
    bag->m_values.emplace_back(Utf16FromUtf8(name), made);
  }
  return bag;
}

PagePropertyBag::~PagePropertyBag() {
  for (auto& [name, value] : m_values) m_library.ClearVariant(&value);
}

HRESULT PagePropertyBag::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = riid == IID_IUnknown || riid == IID_IPropertyBag ? static_cast<IPropertyBag*>(this) : nullptr;
  if (!*object) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

HRESULT PagePropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
  if (!name || !value) return E_POINTER;
  for (const auto& [key, held] : m_values) {
    if (SameName(key, name)) return m_library.CopyVariant(value, &held);
  }
  return E_INVALIDARG;
}

HRESULT PagePropertyBag::Write(LPCOLESTR, VARIANT*) { return E_NOTIMPL; }

}  // namespace fotaro::pagehost
