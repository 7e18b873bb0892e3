// The shared library's entry points, loaded as a host loads them.

#include <dlfcn.h>

#include <gtest/gtest.h>

#include "platform/RegistryStore.h"
#include "platform/com/ClassTable.h"
#include "tests/control/ServicesEnv.h"

namespace {

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = dlopen(FOTARO_CONTROL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    getClassObject_ = reinterpret_cast<PFN_DllGetClassObject>(dlsym(library_, "DllGetClassObject"));
    canUnloadNow_ = reinterpret_cast<PFN_DllCanUnloadNow>(dlsym(library_, "DllCanUnloadNow"));
    ASSERT_TRUE(getClassObject_ && canUnloadNow_);
  }
  void TearDown() override {
    if (library_) {
      EXPECT_EQ(dlclose(library_), 0);
    }
  }
  template <class F>
  F Function(const char* name) {
    return reinterpret_cast<F>(dlsym(library_, name));
  }
  IClassFactory* Factory() {
    void* factory = nullptr;
    EXPECT_EQ(getClassObject_(&CLSID_FotaroEx, &IID_IClassFactory, &factory), S_OK);
    return static_cast<IClassFactory*>(factory);
  }

  fotaro::test::ServicesEnv env_;  // before the library, whose folders follow it
  void* library_ = nullptr;
  PFN_DllGetClassObject getClassObject_ = nullptr;
  PFN_DllCanUnloadNow canUnloadNow_ = nullptr;
};

TEST_F(ModuleTest, TheClassObjectMakesControlsAndTheLibraryKnowsWhenItMayGo) {
  void* object = nullptr;
  EXPECT_EQ(getClassObject_(&IID_IFotaroEx, &IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(canUnloadNow_(), S_OK);

  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  IUnknown* outer = factory;
  EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IFotaroExHost, &object), S_OK);
  auto* host = static_cast<IFotaroExHost*>(object);
  IFotaroEx* control = nullptr;
  ASSERT_EQ(host->QueryInterface(IID_IFotaroEx, reinterpret_cast<void**>(&control)), S_OK);
  EXPECT_EQ(control->Init(), E_FAIL);  // the library has no frames yet
  control->Release();
  host->Release();

  EXPECT_EQ(factory->LockServer(1), S_OK);
  factory->Release();
  EXPECT_EQ(canUnloadNow_(), S_FALSE);  // locked
  factory = Factory();
  EXPECT_EQ(factory->LockServer(0), S_OK);
  factory->Release();
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(ModuleTest, RegistrationNamesTheLibraryUnderItsProgIds) {
  ASSERT_EQ(Function<HRESULT (*)()>("DllRegisterServer")(), S_OK);
  const platform::RegistryStore store;
  for (const char16_t* progId : {FOTAROEX_PROGID, FOTAROEX_VERSION_INDEPENDENT_PROGID}) {
    const auto found = platform::com::FindRegisteredClass(progId, store);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->clsid, CLSID_FotaroEx);
    EXPECT_EQ(found->module, FOTARO_CONTROL_LIBRARY);
  }
  const std::u16string key = u"Software\\Classes\\CLSID\\{6A1D2E90-3B47-4C5E-9F12-7D8E4A3B5C61}";
  EXPECT_EQ(store.Read(key + u"\\InprocServer32", u"ThreadingModel"), std::optional<std::u16string>(u"Apartment"));
  EXPECT_EQ(store.Read(key + u"\\MiscStatus\\1", u""), std::optional<std::u16string>(u"131473"));
  EXPECT_EQ(store.Read(u"Software\\Classes\\OrniFotaroEx.FotaroEx\\CurVer", u""),
            std::optional<std::u16string>(FOTAROEX_PROGID));

  ASSERT_EQ(Function<HRESULT (*)()>("DllUnregisterServer")(), S_OK);
  EXPECT_FALSE(platform::com::FindRegisteredClass(FOTAROEX_PROGID, store));
  EXPECT_FALSE(store.Read(key + u"\\MiscStatus\\1", u""));
}

}  // namespace
