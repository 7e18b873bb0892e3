#include "platform/com/ClassTable.h"

#include "platform/CodePage.h"
#include "platform/com/Guid.h"

namespace platform::com {

namespace {

constexpr std::u16string_view kClassesRoot = u"Software\\Classes\\";
constexpr std::u16string_view kModule = u"%MODULE%";

// The class object: makes instances of one class. It counts as a live object of the module;
// LockServer adds server locks.
class CClassFactory final : public IClassFactory {
 public:
  explicit CClassFactory(const ClassEntry& entry) : entry_(entry) {}

  HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *ppvObject = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return refs_.AddRef(); }
  ULONG Release() override {
    const ULONG count = refs_.Release();
    if (count == 0) delete this;
    return count;
  }
  HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    return entry_.create(riid, ppvObject);
  }
  HRESULT LockServer(BOOL fLock) override {
    if (fLock) {
      ModuleCount::Lock();
    } else {
      ModuleCount::Unlock();
    }
    return S_OK;
  }

 private:
  ~CClassFactory() = default;

  const ClassEntry& entry_;
  RefCount refs_;
  ModuleObject counted_;
};

std::u16string FullKey(std::u16string_view key) { return std::u16string(kClassesRoot) + std::u16string(key); }

std::u16string Expand(std::u16string_view value, const std::u16string& module) {
  std::u16string text(value);
  for (size_t at = text.find(kModule); at != std::u16string::npos; at = text.find(kModule, at + module.size())) {
    text.replace(at, kModule.size(), module);
  }
  return text;
}

}  // namespace

HRESULT GetClassObject(const ClassEntry* classes, size_t count, const CLSID& clsid, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  for (size_t i = 0; i < count; ++i) {
    if (*classes[i].clsid != clsid) continue;
    auto* factory = new CClassFactory(classes[i]);
    const HRESULT hr = factory->QueryInterface(riid, object);
    factory->Release();
    return hr;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT RegisterClass(const ClassEntry& entry, const std::string& module, RegistryStore& store) {
  if (module.empty()) return SELFREG_E_CLASS;
  const std::u16string modulePath = PathFromBytes(module);
  for (size_t i = 0; i < entry.registrationCount; ++i) {
    const RegistryValue& value = entry.registration[i];
    if (!store.Write(FullKey(value.key), value.name, Expand(value.value, modulePath))) return SELFREG_E_CLASS;
  }
  return S_OK;
}

HRESULT UnregisterClass(const ClassEntry& entry, RegistryStore& store) {
  bool removed = true;
  for (size_t i = 0; i < entry.registrationCount; ++i) {
    const RegistryValue& value = entry.registration[i];
    removed = store.Remove(FullKey(value.key), value.name) && removed;
  }
  return removed ? S_OK : SELFREG_E_CLASS;
}

std::optional<RegisteredClass> FindRegisteredClass(std::u16string_view progId, const RegistryStore& store) {
  const auto clsidText = store.Read(FullKey(std::u16string(progId) + u"\\CLSID"), u"");
  if (!clsidText) return std::nullopt;
  const auto clsid = GuidFromString(*clsidText);
  if (!clsid) return std::nullopt;
  const auto module = store.Read(FullKey(u"CLSID\\" + GuidToString(*clsid) + u"\\InprocServer32"), u"");
  if (!module || module->empty()) return std::nullopt;
  return RegisteredClass{*clsid, PathBytes(*module)};
}

}  // namespace platform::com
