// A host of the control built only against OrniFotaroEx.h: it loads libOrniFotaroEx.so with
// dlopen, as a page host does, and uses nothing else of the project.

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <OrniFotaroEx.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

// The display libraries the control links (GTK and its dependencies) keep a few strings that
// their load-time initialisers make; once dlclose has unloaded them LeakSanitizer cannot name the
// module, so allocations made while a library is being initialised are not reported (the slow
// unwinder finds the loader's frames beneath GLib, which has no frame pointers). fontconfig keeps
// its configuration for the life of the process, in a form LeakSanitizer cannot trace once the
// control that first laid out text has been unloaded. Anything the control leaks later is still
// reported.
extern "C" const char* __lsan_default_suppressions() { return "leak:_dl_init\nleak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }

namespace {

// The library's functions, looked up by name.
struct Library {
  void* handle = nullptr;
  PFN_DllGetClassObject getClassObject = nullptr;
  PFN_DllCanUnloadNow canUnloadNow = nullptr;
  PFN_SysAllocString allocString = nullptr;
  PFN_SysFreeString freeString = nullptr;
  PFN_SysStringLen stringLen = nullptr;
  PFN_VariantClear variantClear = nullptr;
};

// The host's own property bag: the page's parameters, integers only.
class HostBag final : public IPropertyBag {
 public:
  explicit HostBag(std::vector<std::pair<std::u16string, LONG>> values) : values_(std::move(values)) {}
  HRESULT QueryInterface(REFIID riid, void** out) override {
    *out = riid == IID_IUnknown || riid == IID_IPropertyBag ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }  // lives on the test's stack
  ULONG Release() override { return 1; }
  HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    for (const auto& [key, number] : values_) {
      if (key != name) continue;
      value->vt = VT_I4;
      value->lVal = number;
      return S_OK;
    }
    return E_INVALIDARG;
  }
  HRESULT Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }

 private:
  std::vector<std::pair<std::u16string, LONG>> values_;
};

VARIANT Number(LONG value) {
  VARIANT variant{};
  variant.vt = VT_I4;
  variant.lVal = value;
  return variant;
}

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A real host (a GTK program) has the drawing libraries loaded for its whole life. Here they
    // would come and go with the control: pixman's lifetime caches would be left behind
    // unreachable at each unload, and the thread Pango starts to set fontconfig up would run on
    // in unloaded code. The test keeps them loaded as such a host does.
    for (const char* library : {"libpixman-1.so.0", "libfontconfig.so.1", "libpango-1.0.so.0", "libpangoft2-1.0.so.0",
                                "libpangocairo-1.0.so.0", "libgdk-3.so.0", "libgtk-3.so.0"}) {
      dlopen(library, RTLD_NOW | RTLD_NODELETE);
    }
    lib_.handle = dlopen(FOTARO_CONTROL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib_.handle, nullptr) << dlerror();
    lib_.getClassObject = reinterpret_cast<PFN_DllGetClassObject>(dlsym(lib_.handle, "DllGetClassObject"));
    lib_.canUnloadNow = reinterpret_cast<PFN_DllCanUnloadNow>(dlsym(lib_.handle, "DllCanUnloadNow"));
    lib_.allocString = reinterpret_cast<PFN_SysAllocString>(dlsym(lib_.handle, "SysAllocString"));
    lib_.freeString = reinterpret_cast<PFN_SysFreeString>(dlsym(lib_.handle, "SysFreeString"));
    lib_.stringLen = reinterpret_cast<PFN_SysStringLen>(dlsym(lib_.handle, "SysStringLen"));
    lib_.variantClear = reinterpret_cast<PFN_VariantClear>(dlsym(lib_.handle, "VariantClear"));
    ASSERT_TRUE(lib_.getClassObject && lib_.canUnloadNow && lib_.allocString && lib_.freeString && lib_.stringLen &&
                lib_.variantClear);
    // Nothing else of the library is visible.
    EXPECT_EQ(dlsym(lib_.handle, "_ZN7CGlobal8InstanceEv"), nullptr);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(lib_.getClassObject(&CLSID_FotaroEx, &IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&control_)), S_OK);
    factory->Release();
    ASSERT_EQ(control_->QueryInterface(IID_IFotaroExHost, reinterpret_cast<void**>(&host_)), S_OK);
  }

  void TearDown() override {
    if (host_) host_->Release();
    if (control_) control_->Release();
    if (!lib_.handle) return;
    EXPECT_EQ(lib_.canUnloadNow(), S_OK);
    EXPECT_EQ(dlclose(lib_.handle), 0);
  }

  void Unlock() {
    BSTR page = lib_.allocString(u"http://localhost:8080/album.html");
    EXPECT_EQ(host_->SetPageUrl(page), S_OK);
    lib_.freeString(page);
  }

  HRESULT Invoke(DISPID id, std::vector<VARIANT> reversed, VARIANT* result = nullptr, WORD flags = DISPATCH_METHOD) {
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    return control_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
  }

  Library lib_;
  IDispatch* control_ = nullptr;
  IFotaroExHost* host_ = nullptr;
};

TEST_F(HostTest, EveryNameOfTheInterfaceIsFoundWithItsDispid) {
  const std::pair<const char16_t*, DISPID> names[] = {
      {u"SetResourceInfo", DISPID_SetResourceInfo},   {u"SetReportServer", DISPID_SetReportServer},
      {u"GetVersion", DISPID_GetVersion},             {u"GetUploadKey", DISPID_GetUploadKey},
      {u"HaveSetUploadInfo", DISPID_HaveSetUploadInfo}, {u"SetFrame", DISPID_SetFrame},
      {u"ActiveFrame", DISPID_ActiveFrame},           {u"Upload", DISPID_Upload},
      {u"SetHelpHyperlink", DISPID_SetHelpHyperlink}, {u"SetTokenContent", DISPID_SetTokenContent},
      {u"SetUploadInfo", DISPID_SetUploadInfo},       {u"SetUploadLimit", DISPID_SetUploadLimit},
      {u"EditUploadFile", DISPID_EditUploadFile},     {u"TranslateAccelerator", DISPID_TranslateAccelerator},
      {u"SetUploadPath", DISPID_SetUploadPath},       {u"SetThumbInfo", DISPID_SetThumbInfo},
      {u"UploadEx", DISPID_UploadEx},                 {u"SetUnCompressLimit", DISPID_SetUnCompressLimit},
      {u"SetAutoCompress", DISPID_SetAutoCompress},   {u"SetTipsMsg", DISPID_SetTipsMsg},
      {u"SetPhotoCount", DISPID_SetPhotoCount},       {u"LeaveControl", DISPID_LeaveControl},
      {u"AddPhoto", DISPID_AddPhoto},                 {u"Resize", DISPID_Resize},
      {u"SetExtendStr", DISPID_SetExtendStr},         {u"SetActiveXType", DISPID_SetActiveXType},
      {u"StopUpload", DISPID_StopUpload},             {u"SetRetryTimes", DISPID_SetRetryTimes},
      {u"SetWaterPressName", DISPID_SetWaterPressName}, {u"SetWaterPressUrl", DISPID_SetWaterPressUrl},
      {u"GetPhotoCount", DISPID_GetPhotoCount},       {u"PhotoCount", DISPID_PhotoCount},
      {u"SetWaterPressType", DISPID_SetWaterPressType}, {u"SetMD5FileSize", DISPID_SetMD5FileSize},
      {u"Init", DISPID_Init},                         {u"HideSortDropDown", DISPID_HideSortDropDown},
      {u"SetSizeLimits", DISPID_SetSizeLimits},       {u"SetWaterMark", DISPID_SetWaterMark},
      {u"SetSvrTime", DISPID_SetSvrTime},             {u"SetThreadCount", DISPID_SetThreadCount},
      {u"SetUploadSizeLimit", DISPID_SetUploadSizeLimit}, {u"UpdateVersion", DISPID_UpdateVersion},
      {u"SetUserOrni", DISPID_SetUserOrni},           {u"CancelOneTask", DISPID_CancelOneTask},
      {u"SetBrowserInfo", DISPID_SetBrowserInfo},     {u"SetUploadFilePath", DISPID_SetUploadFilePath},
      {u"StopUploadSliently", DISPID_StopUploadSliently}, {u"StartUploadSliently", DISPID_StartUploadSliently},
      {u"ResizeInFF", DISPID_ResizeInFF},
  };
  ASSERT_EQ(std::size(names), 49u);  // PhotoCount is two entries of the fifty: get and put
  for (const auto& [name, expected] : names) {
    std::u16string text(name);
    for (char16_t& c : text) c = c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c;  // any case
    LPOLESTR query[] = {text.data()};
    DISPID id = 0;
    EXPECT_EQ(control_->GetIDsOfNames(IID_NULL, query, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, expected);
  }
  std::u16string unknown = u"SetUploadPaths";
  LPOLESTR query[] = {unknown.data()};
  DISPID id = 0;
  EXPECT_EQ(control_->GetIDsOfNames(IID_NULL, query, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
}

TEST_F(HostTest, MethodsAreCalledThroughInvokeWithVariantsAndOutArguments) {
  EXPECT_EQ(Invoke(DISPID_GetVersion, {}), E_ACCESSDENIED);  // the page has not passed the site lock
  Unlock();

  LONG version = 0;
  VARIANT out{};
  out.vt = VT_BYREF | VT_I4;
  out.plVal = &version;
  EXPECT_EQ(Invoke(DISPID_GetVersion, {out}), S_OK);
  EXPECT_EQ(version, 100);
  VARIANT result{};
  EXPECT_EQ(Invoke(DISPID_GetVersion, {}, &result), S_OK);
  EXPECT_EQ(result.vt, VT_I4);
  EXPECT_EQ(result.lVal, 100);

  // A BSTR out argument that already holds a string is refused and left alone.
  BSTR key = lib_.allocString(u"held");
  VARIANT keyOut{};
  keyOut.vt = VT_BYREF | VT_BSTR;
  keyOut.pbstrVal = &key;
  EXPECT_EQ(Invoke(DISPID_GetUploadKey, {keyOut}), E_INVALIDARG);
  EXPECT_EQ(lib_.stringLen(key), 4u);
  lib_.freeString(key);

  VARIANT text{};
  text.vt = VT_BSTR;
  text.bstrVal = lib_.allocString(u"http://album.example.com/resources");
  EXPECT_EQ(Invoke(DISPID_SetResourceInfo, {text}), S_OK);
  lib_.variantClear(&text);
  VARIANT null{};
  null.vt = VT_BSTR;
  EXPECT_EQ(Invoke(DISPID_SetResourceInfo, {null}), E_INVALIDARG);

  VARIANT count{};
  EXPECT_EQ(Invoke(DISPID_PhotoCount, {}, &count, DISPATCH_PROPERTYGET), S_OK);
  EXPECT_EQ(count.vt, VT_I4);
  EXPECT_EQ(Invoke(DISPID_SetFrame, {Number(1)}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Invoke(0x15, {}), DISP_E_MEMBERNOTFOUND);

  HRESULT elsewhere = S_OK;
  std::thread other([&] { elsewhere = Invoke(DISPID_GetVersion, {}, &result); });
  other.join();
  EXPECT_EQ(elsewhere, RPC_E_WRONG_THREAD);
}

TEST_F(HostTest, TheHostGivesParametersMakesTheWindowAndListensForEvents) {
  IPersistPropertyBag* persist = nullptr;
  ASSERT_EQ(control_->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist)), S_OK);
  CLSID clsid{};
  EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_FotaroEx);
  HostBag bag({{u"EditMaxWidth", 600}, {u"EditMaxHeight", 400}});
  EXPECT_EQ(persist->Load(&bag, nullptr), S_OK);
  persist->Release();

  BSTR title = lib_.allocString(u"相册");
  EXPECT_EQ(host_->CreateControlWindow(100, 100, 600, 400, title), S_OK);
  lib_.freeString(title);
  Unlock();
  EXPECT_EQ(Invoke(DISPID_Init, {}), S_OK);  // done already, with the window: the frame is there

  IConnectionPointContainer* container = nullptr;
  ASSERT_EQ(control_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
  IConnectionPoint* point = nullptr;
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &point), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(container->FindConnectionPoint(DIID__IFotaroExEvents, &point), S_OK);
  DWORD cookie = 0;
  EXPECT_EQ(point->Advise(control_, &cookie), S_OK);  // any dispatch object can listen
  EXPECT_NE(cookie, 0u);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  point->Release();
  container->Release();

  EXPECT_EQ(host_->DestroyControlWindow(), S_OK);
  EXPECT_EQ(host_->DestroyControlWindow(), S_FALSE);
}

}  // namespace
