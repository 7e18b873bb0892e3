#pragma once
// ControlLibrary: libOrniFotaroEx.so loaded as any host loads it (dlopen, DllGetClassObject),
// with the BSTR and VARIANT functions through which strings and values cross to its controls.
//
// Once loaded, the library stays loaded for the rest of the process: the windows of its controls
// take part in the GLib main loop through code that lives in the library, so it must not go while
// that loop may still run. Its unload hooks run when the process ends.

#include <OrniFotaroEx.h>

#include <string>
#include <string_view>

namespace fotaro::pagehost {

class ControlLibrary {
 public:
  ControlLibrary() = default;
  ControlLibrary(const ControlLibrary&) = delete;
  ControlLibrary& operator=(const ControlLibrary&) = delete;

  // Loads the library at `path` and looks up its functions. False, with the reason in `error`,
  // when it cannot be loaded or lacks one of them.
  bool Load(const std::string& path, std::string& error);

  // A new control, answering IUnknown (the caller owns the reference).
  HRESULT CreateControl(IUnknown** control) const;

  // The library's BSTR and VARIANT functions.
  BSTR AllocString(std::u16string_view text) const;
  void FreeString(BSTR text) const;
  UINT StringLength(BSTR text) const;
  void InitVariant(VARIANT* value) const;
  HRESULT ClearVariant(VARIANT* value) const;
  HRESULT CopyVariant(VARIANT* destination, const VARIANT* source) const;

 private:
  void* m_handle = nullptr;
  PFN_DllGetClassObject m_getClassObject = nullptr;
  decltype(&::SysAllocStringLen) m_allocString = nullptr;
  decltype(&::SysFreeString) m_freeString = nullptr;
  decltype(&::SysStringLen) m_stringLength = nullptr;
  decltype(&::VariantInit) m_initVariant = nullptr;
  decltype(&::VariantClear) m_clearVariant = nullptr;
  decltype(&::VariantCopy) m_copyVariant = nullptr;
};

// A BSTR made by the library, freed with it.
class LibraryBstr {
 public:
  LibraryBstr(const ControlLibrary& library, std::u16string_view text)
      : m_library(library), m_text(library.AllocString(text)) {}
  ~LibraryBstr() { m_library.FreeString(m_text); }
  LibraryBstr(const LibraryBstr&) = delete;
  LibraryBstr& operator=(const LibraryBstr&) = delete;

  BSTR get() const { return m_text; }

 private:
  const ControlLibrary& m_library;
  BSTR m_text;
};

}  // namespace fotaro::pagehost
