#include "ControlLibrary.h"

#include <dlfcn.h>

namespace fotaro::pagehost {

namespace {

template <class Function>
bool Find(void* handle, const char* name, Function& function, std::string& error) {
  function = reinterpret_cast<Function>(dlsym(handle, name));
  if (!function) error = std::string("the library has no ") + name;
  return function != nullptr;
}

}  // namespace

bool ControlLibrary::Load(const std::string& path, std::string& error) {
  if (m_handle) {
    error = "a control library is loaded already";
    return false;
  }
  // RTLD_NODELETE: see the header.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!handle) {
    const char* reason = dlerror();
    error = reason ? reason : "cannot load " + path;
    return false;
  }
  if (!Find(handle, "DllGetClassObject", m_getClassObject, error) ||
      !Find(handle, "SysAllocStringLen", m_allocString, error) || !Find(handle, "SysFreeString", m_freeString, error) ||
      !Find(handle, "SysStringLen", m_stringLength, error) || !Find(handle, "VariantInit", m_initVariant, error) ||
      !Find(handle, "VariantClear", m_clearVariant, error) || !Find(handle, "VariantCopy", m_copyVariant, error)) {
    dlclose(handle);
    return false;
  }
  m_handle = handle;
  return true;
}

HRESULT ControlLibrary::CreateControl(IUnknown** control) const {
  *control = nullptr;
  if (!m_handle) return E_UNEXPECTED;
  IClassFactory* factory = nullptr;
  HRESULT hr = m_getClassObject(&CLSID_FotaroEx, &IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(control));
  factory->Release();
  return hr;
}

BSTR ControlLibrary::AllocString(std::u16string_view text) const {
  return m_allocString(text.data(), static_cast<UINT>(text.size()));
}

void ControlLibrary::FreeString(BSTR text) const { m_freeString(text); }

UINT ControlLibrary::StringLength(BSTR text) const { return m_stringLength(text); }

void ControlLibrary::InitVariant(VARIANT* value) const { m_initVariant(value); }

HRESULT ControlLibrary::ClearVariant(VARIANT* value) const { return m_clearVariant(value); }

HRESULT ControlLibrary::CopyVariant(VARIANT* destination, const VARIANT* source) const {
  return m_copyVariant(destination, source);
}

}  // namespace fotaro::pagehost
