#ifndef ORNIFOTAROEX_H
#define ORNIFOTAROEX_H
// OrniFotaroEx.h: everything a host needs to load and script the photo-upload control in
// libOrniFotaroEx.so. It includes only standard headers and uses COM's own names, layouts and
// values, so that code written for COM reads the same here.
//
// Loading the control:
//   1. dlopen("libOrniFotaroEx.so") and look up DllGetClassObject (or link with the library; see
//      OrniFotaroEx.pc).
//   2. DllGetClassObject(&CLSID_FotaroEx, &IID_IClassFactory, &factory), then
//      factory->CreateInstance(nullptr, IID_IUnknown, &control).
//   3. QueryInterface the control for IPersistPropertyBag and Load the page's parameters (an
//      IPropertyBag of the host's own), for IFotaroExHost to give it the page's URL (the site lock)
//      and its window, for IConnectionPointContainer to advise an event sink, and for IDispatch (or
//      IFotaroEx) to call its methods.
//   4. Release everything, then dlclose once DllCanUnloadNow answers S_OK.
//
// Threads: a control belongs to the thread that created it (its user-interface thread, which runs
// the message loop that delivers its events). Every call through any of its interfaces from
// another thread fails with RPC_E_WRONG_THREAD; only AddRef and Release may come from anywhere.
//
// Memory: BSTRs and VARIANTs that cross the boundary are made and freed with the functions below
// (SysAllocString, VariantClear, ...), which the library exports. Interfaces are abstract classes
// in COM's slot order without virtual destructors: release them, never delete them.

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------------------------
// Basic types and result codes

typedef int32_t HRESULT;
typedef int32_t SCODE;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int32_t INT;
typedef uint32_t UINT;
typedef int32_t BOOL;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t LCID;
typedef int32_t DISPID;
typedef char16_t OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
// A length-carrying UTF-16 string: the 32-bit byte length sits just before the first character,
// and a terminating zero after the last. A null BSTR is a valid value, distinct from "".
typedef OLECHAR* BSTR;
typedef int16_t VARIANT_BOOL;
typedef uint16_t VARTYPE;

#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT RPC_E_WRONG_THREAD = static_cast<HRESULT>(0x8001010Eu);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT CONNECT_E_NOCONNECTION = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = static_cast<HRESULT>(0x80040202u);
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);
constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// ---------------------------------------------------------------------------------------------
// GUIDs

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

inline bool IsEqualGUID(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) return false;
  }
  return true;
}
inline bool operator==(const GUID& a, const GUID& b) { return IsEqualGUID(a, b); }
inline bool operator!=(const GUID& a, const GUID& b) { return !IsEqualGUID(a, b); }

constexpr IID IID_NULL = {0x00000000, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 0}};
constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID IID_IPersist = {0x0000010C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID IID_IConnectionPointContainer = {0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
constexpr IID IID_IConnectionPoint = {0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
constexpr IID IID_IPropertyBag = {0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
constexpr IID IID_IPersistPropertyBag = {0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
constexpr IID IID_IErrorLog = {0x3127CA40, 0x446E, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x51, 0xE5, 0x1A}};

// ---------------------------------------------------------------------------------------------
// VARIANT and DISPPARAMS

// The variant types the control's interfaces and its property bag use. A VT_BYREF variant points
// at the caller's value (plVal, pbstrVal): that is how out arguments travel.
enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I4 = 3,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_BOOL = 11,
  VT_UI4 = 19,
  VT_BYREF = 0x4000,
};

struct IDispatch;

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    int64_t llVal;  // sizes the union as COM's does on 64-bit systems
    LONG lVal;
    ULONG ulVal;
    VARIANT_BOOL boolVal;
    BSTR bstrVal;
    IDispatch* pdispVal;
    LONG* plVal;
    BSTR* pbstrVal;
    void* byref;
  };
};
typedef VARIANT VARIANTARG;

struct DISPPARAMS {
  VARIANTARG* rgvarg;         // the arguments in reverse order: rgvarg[0] is the last one
  DISPID* rgdispidNamedArgs;  // ids of the named arguments, which come first in rgvarg
  UINT cArgs;
  UINT cNamedArgs;
};

struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
  SCODE scode;
};

constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;
constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_PROPERTYPUT = -3;
constexpr LCID LOCALE_USER_DEFAULT = 0x400;

// ---------------------------------------------------------------------------------------------
// Interfaces

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};

struct ITypeInfo;  // the control has no type information: GetTypeInfoCount answers 0

struct IDispatch : IUnknown {
  virtual HRESULT GetTypeInfoCount(UINT* pctinfo) = 0;
  virtual HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
  // Names are matched without regard to ASCII case. Names after the first (argument names) are
  // not known: their ids come back as DISPID_UNKNOWN with DISP_E_UNKNOWNNAME.
  virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) = 0;
  // Arguments are converted to the declared types as VariantChangeType does. An out argument is
  // passed by reference (VT_BYREF | VT_I4 or VT_BYREF | VT_BSTR); when a member's last argument
  // is an out argument and the caller leaves it off, its value comes back in pVarResult instead.
  // The member's own HRESULT is Invoke's result; pExcepInfo is never filled in.
  virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                         VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) = 0;
};

struct IConnectionPointContainer;
struct IEnumConnections;       // enumeration is not offered: EnumConnections answers E_NOTIMPL
struct IEnumConnectionPoints;  // likewise EnumConnectionPoints

struct IConnectionPoint : IUnknown {
  virtual HRESULT GetConnectionInterface(IID* pIID) = 0;
  virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) = 0;
  // The sink must answer QueryInterface for the connection's interface (or IID_IDispatch).
  // Cookies are never 0; events reach the sinks in the order they were advised.
  virtual HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) = 0;
  virtual HRESULT Unadvise(DWORD dwCookie) = 0;
  virtual HRESULT EnumConnections(IEnumConnections** ppEnum) = 0;
};

struct IConnectionPointContainer : IUnknown {
  virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) = 0;
  virtual HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) = 0;
};

struct IErrorLog : IUnknown {
  virtual HRESULT AddError(LPCOLESTR pszPropName, EXCEPINFO* pExcepInfo) = 0;
};

// Implemented by the host: the page's parameters, read by name.
struct IPropertyBag : IUnknown {
  virtual HRESULT Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog* pErrorLog) = 0;
  virtual HRESULT Write(LPCOLESTR pszPropName, VARIANT* pVar) = 0;
};

struct IPersist : IUnknown {
  virtual HRESULT GetClassID(CLSID* pClassID) = 0;
};

struct IPersistPropertyBag : IPersist {
  virtual HRESULT InitNew() = 0;
  virtual HRESULT Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) = 0;
  virtual HRESULT Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) = 0;
};

struct IClassFactory : IUnknown {
  virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
  virtual HRESULT LockServer(BOOL fLock) = 0;
};

// ---------------------------------------------------------------------------------------------
// The control

// Class id, ProgIDs and type library of the control (registered by DllRegisterServer).
constexpr CLSID CLSID_FotaroEx = {0x6A1D2E90, 0x3B47, 0x4C5E, {0x9F, 0x12, 0x7D, 0x8E, 0x4A, 0x3B, 0x5C, 0x61}};
constexpr IID LIBID_ORNIFOTAROEXLib = {0x2C9B7F31, 0x5E84, 0x4D26, {0xA0, 0xB3, 0x1F, 0x6E, 0x8D, 0x4C, 0x7A, 0x92}};
constexpr IID IID_IFotaroEx = {0x8E4F2A17, 0x6C93, 0x4B58, {0xB2, 0xD1, 0x9A, 0x7C, 0x3E, 0x5F, 0x0B, 0x46}};
constexpr IID DIID__IFotaroExEvents = {0xD3B86C52, 0x1F7A, 0x4E09, {0x8C, 0x64, 0x2B, 0x9E, 0x5D, 0x7A, 0x1F, 0x38}};
constexpr IID IID_IFotaroExHost = {0x4553BCC0, 0x618E, 0x4903, {0xAD, 0xD9, 0xBB, 0xB4, 0x74, 0xCB, 0x85, 0xE3}};
#define FOTAROEX_PROGID u"OrniFotaroEx.FotaroEx.1"
#define FOTAROEX_VERSION_INDEPENDENT_PROGID u"OrniFotaroEx.FotaroEx"

// DISPIDs of IFotaroEx (0x15, 0x2a, 0x30 and 0x31 are not assigned).
enum FotaroExDispId : DISPID {
  DISPID_SetResourceInfo = 0x01,
  DISPID_SetReportServer = 0x02,
  DISPID_GetVersion = 0x03,
  DISPID_GetUploadKey = 0x04,
  DISPID_HaveSetUploadInfo = 0x05,
  DISPID_SetFrame = 0x06,
  DISPID_ActiveFrame = 0x07,
  DISPID_Upload = 0x08,
  DISPID_SetHelpHyperlink = 0x09,
  DISPID_SetTokenContent = 0x0a,
  DISPID_SetUploadInfo = 0x0b,
  DISPID_SetUploadLimit = 0x0c,
  DISPID_EditUploadFile = 0x0d,
  DISPID_TranslateAccelerator = 0x0e,
  DISPID_SetUploadPath = 0x0f,
  DISPID_SetThumbInfo = 0x10,
  DISPID_UploadEx = 0x11,
  DISPID_SetUnCompressLimit = 0x12,
  DISPID_SetAutoCompress = 0x13,
  DISPID_SetTipsMsg = 0x14,
  DISPID_SetPhotoCount = 0x16,
  DISPID_LeaveControl = 0x17,
  DISPID_AddPhoto = 0x18,
  DISPID_Resize = 0x19,
  DISPID_SetExtendStr = 0x1a,
  DISPID_SetActiveXType = 0x1b,
  DISPID_StopUpload = 0x1c,
  DISPID_SetRetryTimes = 0x1d,
  DISPID_SetWaterPressName = 0x1e,
  DISPID_SetWaterPressUrl = 0x1f,
  DISPID_GetPhotoCount = 0x20,
  DISPID_PhotoCount = 0x21,  // property: get and put
  DISPID_SetWaterPressType = 0x22,
  DISPID_SetMD5FileSize = 0x23,
  DISPID_Init = 0x24,
  DISPID_HideSortDropDown = 0x25,
  DISPID_SetSizeLimits = 0x26,
  DISPID_SetWaterMark = 0x27,
  DISPID_SetSvrTime = 0x28,
  DISPID_SetThreadCount = 0x29,
  DISPID_SetUploadSizeLimit = 0x2b,
  DISPID_UpdateVersion = 0x2c,
  DISPID_SetUserOrni = 0x2d,
  DISPID_CancelOneTask = 0x2e,
  DISPID_SetBrowserInfo = 0x2f,
  DISPID_SetUploadFilePath = 0x32,
  DISPID_StopUploadSliently = 0x33,
  DISPID_StartUploadSliently = 0x34,
  DISPID_ResizeInFF = 0x35,
};

// DISPIDs of the event interface _IFotaroExEvents (dispatch only; every event is a method
// invoked on the sink with its arguments reversed in rgvarg; INT and I4 travel as VT_I4, BSTR as
// VT_BSTR).
enum FotaroExEventDispId : DISPID {
  DISPID_OnSink_UploadSelect = 0x01,        // (INT nSelectSize, INT nSelectCount)
  DISPID_OnSink_UploadResult = 0x02,        // (BSTR bstrResultData, BSTR bstrFile)
  DISPID_OnSink_ActiveFrame = 0x03,         // (INT nActiveFrame)
  DISPID_OnSink_UploadComplete = 0x04,      // ()
  DISPID_OnSink_PrepareToUpload = 0x05,     // (INT nUploadCount)
  DISPID_OnSink_UploadParams = 0x06,        // (INT nParams)
  DISPID_OnSink_LeaveControl = 0x07,        // (INT nRet)
  DISPID_OnSink_UploadOver = 0x08,          // (INT nRotateCount, INT nModFilename, INT nNimbraCount, INT nUdiskCount)
  DISPID_OnSink_PrepareToAddPhoto = 0x09,   // ()
  DISPID_OnSink_HowToDrag = 0x0a,           // ()
  DISPID_OnSlientSink_StartUpload = 0x0b,   // (BSTR bstrFilename)
  DISPID_OnSlientSink_StopUpload = 0x0c,    // (INT nCode)
  DISPID_OnSlientSink_Progress = 0x0d,      // (INT nProgress)
  DISPID_OnSlientSink_Complete = 0x0e,      // (BSTR bstrXml)
  DISPID_OnSlientSink_Error = 0x0f,         // (BSTR bstrErrorReason)
  DISPID_OnSink_ShowTimeInfo = 0x10,        // (BSTR bstrTimeInfo)
  DISPID_OnSink_HideTimeInfo = 0x11,        // ()
  DISPID_OnSink_UploadAllSuccessful = 0x12, // ()
  DISPID_OnSink_LocalError = 0x13,          // (INT nErrorCode, BSTR bstrFile)
  DISPID_OnSink_DataReport = 0x14,          // (BSTR bstrOpt, INT nVal)
  DISPID_OnSink_GiveupFocus = 0x15,         // ()
  DISPID_OnSink_AxInited = 0x1e,            // ()
  DISPID_OnSink_StartReadFile = 0x23,       // (BSTR bstrFile)
  DISPID_OnSink_StartCompress = 0x24,       // (BSTR bstrFile)
  DISPID_OnSink_StartUpload = 0x25,         // (BSTR bstrFile)
};

// The control's dual interface: its vtable after IDispatch's, in DISPID order. Out arguments are
// caller-owned: a BSTR out argument must point at a null BSTR and receives a new one.
struct IFotaroEx : IDispatch {
  virtual HRESULT SetResourceInfo(BSTR bstrDownloadResourceURL) = 0;
  virtual HRESULT SetReportServer(BSTR bstrIP, INT nPort) = 0;
  virtual HRESULT GetVersion(INT* pnVersion) = 0;
  virtual HRESULT GetUploadKey(BSTR* pbstrKey) = 0;
  virtual HRESULT HaveSetUploadInfo(LONG* pbHaveSet) = 0;
  virtual HRESULT SetFrame(INT nType, INT nBmpMaxWidth, INT nEditHeight) = 0;
  virtual HRESULT ActiveFrame(INT nFrame) = 0;
  virtual HRESULT Upload() = 0;
  virtual HRESULT SetHelpHyperlink(BSTR bstrHelpHyperlink) = 0;
  virtual HRESULT SetTokenContent(BSTR bstrToken) = 0;
  virtual HRESULT SetUploadInfo(BSTR bstrOrniUin, BSTR bstrKey, BSTR bstrExtendID, BSTR bstrURL, UINT nTotalSpaceSize,
                                UINT nUsedSpaceSize, UINT nCompressLevel, INT nMaxWidth, INT nMaxHeight) = 0;
  virtual HRESULT SetUploadLimit(INT nLimitCount) = 0;
  virtual HRESULT EditUploadFile() = 0;
  virtual HRESULT TranslateAccelerator() = 0;
  virtual HRESULT SetUploadPath(BSTR bstrPath) = 0;
  virtual HRESULT SetThumbInfo(INT nQuality, INT nWidth, INT nHeight) = 0;
  virtual HRESULT UploadEx(LONG bOnlySelected) = 0;
  virtual HRESULT SetUnCompressLimit(INT nMaxWidth, INT nMaxHeight) = 0;
  virtual HRESULT SetAutoCompress(LONG bAutoCompress) = 0;
  virtual HRESULT SetTipsMsg(BSTR bstrMsg) = 0;
  virtual HRESULT SetPhotoCount(INT nCount) = 0;
  virtual HRESULT LeaveControl() = 0;
  virtual HRESULT AddPhoto(INT nType) = 0;
  virtual HRESULT Resize() = 0;
  virtual HRESULT SetExtendStr(BSTR bstrInput) = 0;
  virtual HRESULT SetActiveXType(INT nType) = 0;
  virtual HRESULT StopUpload(LONG bConfirm) = 0;
  virtual HRESULT SetRetryTimes(INT nTimes) = 0;
  virtual HRESULT SetWaterPressName(BSTR bstrWaterPressName) = 0;
  virtual HRESULT SetWaterPressUrl(BSTR bstrWaterPressUrl) = 0;
  virtual HRESULT GetPhotoCount(INT* pnCount) = 0;
  virtual HRESULT get_PhotoCount(LONG* pVal) = 0;
  virtual HRESULT put_PhotoCount(LONG newVal) = 0;
  virtual HRESULT SetWaterPressType(INT nType) = 0;
  virtual HRESULT SetMD5FileSize(INT nMb) = 0;
  virtual HRESULT Init() = 0;
  virtual HRESULT HideSortDropDown() = 0;
  virtual HRESULT SetSizeLimits(BSTR bstrBigPic, BSTR bstrThumbs) = 0;
  virtual HRESULT SetWaterMark(INT nWaterMark) = 0;
  virtual HRESULT SetSvrTime(INT nSvrTimeSec) = 0;
  virtual HRESULT SetThreadCount(INT nThreadCount) = 0;
  virtual HRESULT SetUploadSizeLimit(INT nLimitSize) = 0;
  virtual HRESULT UpdateVersion(BSTR bstrURL, BSTR bstrMD5, BSTR bstrWording, LONG bUpdate) = 0;
  virtual HRESULT SetUserOrni(BSTR bstrOrni) = 0;
  virtual HRESULT CancelOneTask(INT nIdx) = 0;
  virtual HRESULT SetBrowserInfo(BSTR bstrType, BSTR bstrCore, BSTR bstrBrVer) = 0;
  virtual HRESULT SetUploadFilePath(BSTR bstrXmlPath) = 0;
  virtual HRESULT StopUploadSliently() = 0;
  virtual HRESULT StartUploadSliently() = 0;
  virtual HRESULT ResizeInFF(INT nWidth, INT nHeight) = 0;
};

// What a host gives the control in place of a browser's client site. Window handles of the
// control never cross the library boundary: the control makes and ends its window itself.
struct IFotaroExHost : IUnknown {
  // The URL of the page that scripts the control. Until a URL that passes the site lock has been
  // given, every Invoke of the control answers E_ACCESSDENIED (GetIDsOfNames still answers).
  // The lock admits file: pages and http(s) pages whose host is one of four domains chosen when
  // the library was built (or a subdomain of one). S_OK when the URL passes; E_ACCESSDENIED (and
  // the control locked again) when it does not; E_INVALIDARG for a null URL.
  virtual HRESULT SetPageUrl(BSTR bstrUrl) = 0;
  // Makes the control's window, a top-level window titled bstrTitle at (x, y) with the given
  // client size (headless when the process has no display). The window's messages, which fire the
  // control's events, are handled by the GLib main loop of the calling thread: a host runs that
  // loop (g_main_loop_run, gtk_main) and makes the window from inside it. Creating the window
  // runs the page's start-up: with the parameter "InitPlace" 1 and a non-zero "EditMaxWidth" or
  // "EditMaxHeight" the control runs Init, which makes its uploader frame and fires
  // OnSink_AxInited. E_INVALIDARG for a width or height below 1; E_FAIL when the window exists
  // already.
  virtual HRESULT CreateControlWindow(INT x, INT y, INT nWidth, INT nHeight, BSTR bstrTitle) = 0;
  // Destroys the window (and with it the frame's), stopping the watermark download. S_FALSE
  // when there is none.
  virtual HRESULT DestroyControlWindow() = 0;
};

// ---------------------------------------------------------------------------------------------
// Functions exported by libOrniFotaroEx.so

extern "C" {

// The class object of CLSID_FotaroEx (IID_IClassFactory or IID_IUnknown);
// CLASS_E_CLASSNOTAVAILABLE for another class.
HRESULT DllGetClassObject(const GUID* rclsid, const GUID* riid, void** ppv);
// S_OK when no object of the library is alive and no LockServer lock is held, else S_FALSE.
HRESULT DllCanUnloadNow();
// Write and remove the control's registration (class id, ProgIDs, the library's path) in the
// user's registry store ($XDG_CONFIG_HOME/Brennik/registry, under "Software\Classes\").
HRESULT DllRegisterServer();
HRESULT DllUnregisterServer();

BSTR SysAllocString(const OLECHAR* psz);
// A string of `ui` characters copied from `pch`, or zero-filled when pch is null.
BSTR SysAllocStringLen(const OLECHAR* pch, UINT ui);
void SysFreeString(BSTR bstrString);
// Characters (UTF-16 units) of the string; 0 for a null BSTR.
UINT SysStringLen(BSTR pbstr);

void VariantInit(VARIANTARG* pvarg);
// Frees what the variant owns (a BSTR, a dispatch reference) and empties it;
// DISP_E_BADVARTYPE for a type not listed in VARENUM.
HRESULT VariantClear(VARIANTARG* pvarg);
HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);
// Converts between VT_EMPTY, VT_I4, VT_UI4, VT_BOOL and VT_BSTR (a BSTR number is decimal, a
// BSTR boolean "True" or "False"); DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW when it cannot.
// pvargDest may be pvarSrc. wFlags is not used.
HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, WORD wFlags, VARTYPE vt);

}  // extern "C"

// Pointer types for hosts that look the functions up with dlsym.
typedef HRESULT (*PFN_DllGetClassObject)(const GUID*, const GUID*, void**);
typedef HRESULT (*PFN_DllCanUnloadNow)();
typedef BSTR (*PFN_SysAllocString)(const OLECHAR*);
typedef void (*PFN_SysFreeString)(BSTR);
typedef UINT (*PFN_SysStringLen)(BSTR);
typedef HRESULT (*PFN_VariantClear)(VARIANTARG*);

#endif  // ORNIFOTAROEX_H
