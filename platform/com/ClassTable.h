#pragma once
// The classes a module serves: their class objects (IClassFactory), their registration in the
// registry store under "Software\Classes\" (the per-user class registrations), and the lookup of a
// registered class by ProgID.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/RegistryStore.h"
#include "platform/com/ComObject.h"

namespace platform::com {

// One value of a class's registration, as a registration script lists it. The key path is
// relative to "Software\Classes\"; "%MODULE%" in the value stands for the module's file.
struct RegistryValue {
  std::u16string_view key;
  std::u16string_view name;  // "" for the key's default value
  std::u16string_view value;
};

struct ClassEntry {
  const CLSID* clsid;
  // Makes a new object and answers QueryInterface(riid) on it (the object's only reference then
  // belongs to the caller).
  HRESULT (*create)(REFIID riid, void** object);
  const RegistryValue* registration;  // the class's registration script
  size_t registrationCount;
};

// The class object of `clsid` among `classes`, answering `riid` (IID_IClassFactory or
// IID_IUnknown). CLASS_E_CLASSNOTAVAILABLE for a class not in the table.
HRESULT GetClassObject(const ClassEntry* classes, size_t count, const CLSID& clsid, REFIID riid, void** object);

// Writes / removes the class's registration; `module` is the module's file.
HRESULT RegisterClass(const ClassEntry& entry, const std::string& module, RegistryStore& store);
HRESULT UnregisterClass(const ClassEntry& entry, RegistryStore& store);

// A class registered as COM registers it: the ProgID's CLSID value and the class's InprocServer32.
struct RegisteredClass {
  CLSID clsid;
  std::string module;
};
std::optional<RegisteredClass> FindRegisteredClass(std::u16string_view progId, const RegistryStore& store);

}  // namespace platform::com
