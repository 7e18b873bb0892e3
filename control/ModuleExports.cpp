// The C entry points of libOrniFotaroEx.so: the class object of the control, whether the library
// may be unloaded, and the control's registration.

#include "control/FotaroEx.h"
#include "control/services/Global.h"
#include "platform/com/ClassTable.h"

namespace {

#define FOTAROEX_CLSID_TEXT u"{6A1D2E90-3B47-4C5E-9F12-7D8E4A3B5C61}"
#define FOTAROEX_LIBID_TEXT u"{2C9B7F31-5E84-4D26-A0B3-1F6E8D4C7A92}"

// The control's registration script (keys under "Software\Classes\").
constexpr platform::com::RegistryValue kRegistration[] = {
    {FOTAROEX_PROGID, u"", u"FotaroEx Class"},
    {FOTAROEX_PROGID u"\\CLSID", u"", FOTAROEX_CLSID_TEXT},
    {FOTAROEX_VERSION_INDEPENDENT_PROGID, u"", u"FotaroEx Class"},
    {FOTAROEX_VERSION_INDEPENDENT_PROGID u"\\CLSID", u"", FOTAROEX_CLSID_TEXT},
    {FOTAROEX_VERSION_INDEPENDENT_PROGID u"\\CurVer", u"", FOTAROEX_PROGID},
    {u"CLSID\\" FOTAROEX_CLSID_TEXT, u"", u"FotaroEx Class"},
    {u"CLSID\\" FOTAROEX_CLSID_TEXT u"\\ProgID", u"", FOTAROEX_PROGID},
    {u"CLSID\\" FOTAROEX_CLSID_TEXT u"\\VersionIndependentProgID", u"", FOTAROEX_VERSION_INDEPENDENT_PROGID},
    {u"CLSID\\" FOTAROEX_CLSID_TEXT u"\\Programmable", u"", u""},
    {u"CLSID\\" FOTAROEX_CLSID_TEXT u"\\InprocServer32", u"", u"%MODULE%"},
    {u"CLSID\\" FOTAROEX_CLSID_TEXT u"\\InprocServer32", u"ThreadingModel", u"Apartment"},
    {u"CLSID\\" FOTAROEX_CLSID_TEXT u"\\Control", u"", u""},
    {u"CLSID\\" FOTAROEX_CLSID_TEXT u"\\Insertable", u"", u""},
    {u"CLSID\\" FOTAROEX_CLSID_TEXT u"\\ToolboxBitmap32", u"", u"%MODULE%, 101"},
    {u"CLSID\\" FOTAROEX_CLSID_TEXT u"\\MiscStatus", u"", u"0"},
    {u"CLSID\\" FOTAROEX_CLSID_TEXT u"\\MiscStatus\\1", u"", u"131473"},
    {u"CLSID\\" FOTAROEX_CLSID_TEXT u"\\TypeLib", u"", FOTAROEX_LIBID_TEXT},
    {u"CLSID\\" FOTAROEX_CLSID_TEXT u"\\Version", u"", u"1.0"},
    {u"Interface\\{8E4F2A17-6C93-4B58-B2D1-9A7C3E5F0B46}", u"", u"IFotaroEx"},
    {u"Interface\\{D3B86C52-1F7A-4E09-8C64-2B9E5D7A1F38}", u"", u"_IFotaroExEvents"},
    {u"TypeLib\\" FOTAROEX_LIBID_TEXT u"\\1.0", u"", u"OrniFotaroEx 1.0 Type Library"},
};

// A new control with the library's frames, answering `riid`.
HRESULT CreateControl(REFIID riid, void** object) {
  auto* control = new CFotaroEx(CreateFrames());
  const HRESULT hr = control->QueryInterface(riid, object);
  control->Release();
  return hr;
}

const platform::com::ClassEntry kClasses[] = {
    {&CLSID_FotaroEx, &CreateControl, kRegistration, std::size(kRegistration)},
};

}  // namespace

extern "C" {

HRESULT DllGetClassObject(const GUID* rclsid, const GUID* riid, void** ppv) {
  if (!rclsid || !riid) return E_INVALIDARG;
  return platform::com::GetClassObject(kClasses, std::size(kClasses), *rclsid, *riid, ppv);
}

HRESULT DllCanUnloadNow() { return platform::com::ModuleCount::Count() == 0 ? S_OK : S_FALSE; }

HRESULT DllRegisterServer() {
  platform::RegistryStore store;
  return platform::com::RegisterClass(kClasses[0], CGlobal::Instance().GetModulePath(), store);
}

HRESULT DllUnregisterServer() {
  platform::RegistryStore store;
  return platform::com::UnregisterClass(kClasses[0], store);
}

}  // extern "C"
