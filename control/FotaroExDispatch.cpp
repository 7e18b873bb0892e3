// CFotaroEx: its interfaces (QueryInterface, reference count), its dispatch table and the
// connection point container.

#include "control/FotaroEx.h"

#include "control/services/Log.h"
#include "platform/win/MessageLoop.h"

namespace {

using platform::com::DispatchTable;
using platform::com::DispMember;
using platform::com::DispMethod;

constexpr DispMember kMembers[] = {
    DispMethod<&IFotaroEx::SetResourceInfo>(u"SetResourceInfo", DISPID_SetResourceInfo),
    DispMethod<&IFotaroEx::SetReportServer>(u"SetReportServer", DISPID_SetReportServer),
    DispMethod<&IFotaroEx::GetVersion>(u"GetVersion", DISPID_GetVersion),
    DispMethod<&IFotaroEx::GetUploadKey>(u"GetUploadKey", DISPID_GetUploadKey),
    DispMethod<&IFotaroEx::HaveSetUploadInfo>(u"HaveSetUploadInfo", DISPID_HaveSetUploadInfo),
    DispMethod<&IFotaroEx::SetFrame>(u"SetFrame", DISPID_SetFrame),
    DispMethod<&IFotaroEx::ActiveFrame>(u"ActiveFrame", DISPID_ActiveFrame),
    DispMethod<&IFotaroEx::Upload>(u"Upload", DISPID_Upload),
    DispMethod<&IFotaroEx::SetHelpHyperlink>(u"SetHelpHyperlink", DISPID_SetHelpHyperlink),
    DispMethod<&IFotaroEx::SetTokenContent>(u"SetTokenContent", DISPID_SetTokenContent),
    DispMethod<&IFotaroEx::SetUploadInfo>(u"SetUploadInfo", DISPID_SetUploadInfo),
    DispMethod<&IFotaroEx::SetUploadLimit>(u"SetUploadLimit", DISPID_SetUploadLimit),
    DispMethod<&IFotaroEx::EditUploadFile>(u"EditUploadFile", DISPID_EditUploadFile),
    DispMethod<&IFotaroEx::TranslateAccelerator>(u"TranslateAccelerator", DISPID_TranslateAccelerator),
    DispMethod<&IFotaroEx::SetUploadPath>(u"SetUploadPath", DISPID_SetUploadPath),
    DispMethod<&IFotaroEx::SetThumbInfo>(u"SetThumbInfo", DISPID_SetThumbInfo),
    DispMethod<&IFotaroEx::UploadEx>(u"UploadEx", DISPID_UploadEx),
    DispMethod<&IFotaroEx::SetUnCompressLimit>(u"SetUnCompressLimit", DISPID_SetUnCompressLimit),
    DispMethod<&IFotaroEx::SetAutoCompress>(u"SetAutoCompress", DISPID_SetAutoCompress),
    DispMethod<&IFotaroEx::SetTipsMsg>(u"SetTipsMsg", DISPID_SetTipsMsg),
    DispMethod<&IFotaroEx::SetPhotoCount>(u"SetPhotoCount", DISPID_SetPhotoCount),
    DispMethod<&IFotaroEx::LeaveControl>(u"LeaveControl", DISPID_LeaveControl),
    DispMethod<&IFotaroEx::AddPhoto>(u"AddPhoto", DISPID_AddPhoto),
    DispMethod<&IFotaroEx::Resize>(u"Resize", DISPID_Resize),
    DispMethod<&IFotaroEx::SetExtendStr>(u"SetExtendStr", DISPID_SetExtendStr),
    DispMethod<&IFotaroEx::SetActiveXType>(u"SetActiveXType", DISPID_SetActiveXType),
    DispMethod<&IFotaroEx::StopUpload>(u"StopUpload", DISPID_StopUpload),
    DispMethod<&IFotaroEx::SetRetryTimes>(u"SetRetryTimes", DISPID_SetRetryTimes),
    DispMethod<&IFotaroEx::SetWaterPressName>(u"SetWaterPressName", DISPID_SetWaterPressName),
    DispMethod<&IFotaroEx::SetWaterPressUrl>(u"SetWaterPressUrl", DISPID_SetWaterPressUrl),
    DispMethod<&IFotaroEx::GetPhotoCount>(u"GetPhotoCount", DISPID_GetPhotoCount),
    DispMethod<&IFotaroEx::get_PhotoCount>(u"PhotoCount", DISPID_PhotoCount, DISPATCH_PROPERTYGET),
    DispMethod<&IFotaroEx::put_PhotoCount>(u"PhotoCount", DISPID_PhotoCount, DISPATCH_PROPERTYPUT),
    DispMethod<&IFotaroEx::SetWaterPressType>(u"SetWaterPressType", DISPID_SetWaterPressType),
    DispMethod<&IFotaroEx::SetMD5FileSize>(u"SetMD5FileSize", DISPID_SetMD5FileSize),
    DispMethod<&IFotaroEx::Init>(u"Init", DISPID_Init),
    DispMethod<&IFotaroEx::HideSortDropDown>(u"HideSortDropDown", DISPID_HideSortDropDown),
    DispMethod<&IFotaroEx::SetSizeLimits>(u"SetSizeLimits", DISPID_SetSizeLimits),
    DispMethod<&IFotaroEx::SetWaterMark>(u"SetWaterMark", DISPID_SetWaterMark),
    DispMethod<&IFotaroEx::SetSvrTime>(u"SetSvrTime", DISPID_SetSvrTime),
    DispMethod<&IFotaroEx::SetThreadCount>(u"SetThreadCount", DISPID_SetThreadCount),
    DispMethod<&IFotaroEx::SetUploadSizeLimit>(u"SetUploadSizeLimit", DISPID_SetUploadSizeLimit),
    DispMethod<&IFotaroEx::UpdateVersion>(u"UpdateVersion", DISPID_UpdateVersion),
    DispMethod<&IFotaroEx::SetUserOrni>(u"SetUserOrni", DISPID_SetUserOrni),
    DispMethod<&IFotaroEx::CancelOneTask>(u"CancelOneTask", DISPID_CancelOneTask),
    DispMethod<&IFotaroEx::SetBrowserInfo>(u"SetBrowserInfo", DISPID_SetBrowserInfo),
    DispMethod<&IFotaroEx::SetUploadFilePath>(u"SetUploadFilePath", DISPID_SetUploadFilePath),
    DispMethod<&IFotaroEx::StopUploadSliently>(u"StopUploadSliently", DISPID_StopUploadSliently),
    DispMethod<&IFotaroEx::StartUploadSliently>(u"StartUploadSliently", DISPID_StartUploadSliently),
    DispMethod<&IFotaroEx::ResizeInFF>(u"ResizeInFF", DISPID_ResizeInFF),
};
static_assert(std::size(kMembers) == 50, "IFotaroEx has fifty entries");

}  // namespace

const DispatchTable& CFotaroEx::Dispatch() {
  static constexpr DispatchTable table(kMembers);
  return table;
}

HRESULT CFotaroEx::QueryInterface(REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IFotaroEx) {
    *ppvObject = static_cast<IFotaroEx*>(this);
  } else if (riid == IID_IConnectionPointContainer) {
    *ppvObject = static_cast<IConnectionPointContainer*>(this);
  } else if (riid == IID_IPersist || riid == IID_IPersistPropertyBag) {
    *ppvObject = static_cast<IPersistPropertyBag*>(this);
  } else if (riid == IID_IFotaroExHost) {
    *ppvObject = static_cast<IFotaroExHost*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG CFotaroEx::AddRef() { return m_refs.AddRef(); }

ULONG CFotaroEx::Release() {
  const ULONG count = m_refs.Release();
  if (count != 0) return count;
  // The control's windows belong to its thread: from another thread, its window takes the
  // destruction there (a control without a window holds nothing of its thread).
  if (WrongThread() && platform::PostMessage(hwnd(), kDeleteControl)) return 0;
  delete this;
  return 0;
}

HRESULT CFotaroEx::GetTypeInfoCount(UINT* pctinfo) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

HRESULT CFotaroEx::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (!ppTInfo) return E_POINTER;
  *ppTInfo = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT CFotaroEx::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  return Dispatch().GetIDsOfNames(riid, rgszNames, cNames, rgDispId);
}

HRESULT CFotaroEx::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                          VARIANT* pVarResult, EXCEPINFO*, UINT* puArgErr) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (!m_bSiteAllowed) {
    fotaro::Log("CFotaroEx::Invoke", "refused: the page did not pass the site lock (DISPID %d)", dispIdMember);
    return E_ACCESSDENIED;
  }
  return Dispatch().Invoke(static_cast<IFotaroEx*>(this), dispIdMember, riid, wFlags, pDispParams, pVarResult,
                           puArgErr);
}

HRESULT CFotaroEx::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
  if (ppEnum) *ppEnum = nullptr;
  return WrongThread() ? RPC_E_WRONG_THREAD : E_NOTIMPL;
}

HRESULT CFotaroEx::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (!ppCP) return E_POINTER;
  *ppCP = nullptr;
  if (riid != DIID__IFotaroExEvents) return CONNECT_E_NOCONNECTION;
  m_events.AddRef();
  *ppCP = &m_events;
  return S_OK;
}
