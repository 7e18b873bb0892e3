// CFotaroEx: the methods that work the uploader frames (their windows, the batch, the grid, the
// silent upload).

#include "control/FotaroEx.h"

#include "control/SilentFileList.h"
#include "control/services/Log.h"
#include "platform/com/Bstr.h"

namespace {

constexpr UINT kMaxText = 4096;

void LogEntry(const char* scope) { fotaro::Log(scope, "entry"); }

}  // namespace

CUploaderBase* CFotaroEx::ChosenFrame() const {
  return m_props.m_nActiveXType != 0 ? m_frames.main.get() : m_frames.second.get();
}

bool CFotaroEx::IsFrameCreated() const { return m_pUploaderBase && m_pUploaderBase->IsFrameCreated(); }

CUploaderBase* CFotaroEx::CreatedFrame() const {
  if (!m_pUploaderBase) return nullptr;
  for (CUploaderBase* frame : {m_frames.main.get(), m_frames.second.get()}) {
    if (frame && frame->IsFrameCreated()) return frame;
  }
  return nullptr;
}

bool CFotaroEx::IsMainFrameCreated() const { return m_frames.main && m_frames.main->IsFrameCreated(); }

bool CFotaroEx::CreateUploaderWnd(const platform::RECT& rect) {
  LogEntry("CFotaroEx::CreateUploaderWnd");
  CUploaderBase* frame = ChosenFrame();
  if (!frame) return false;
  // A frame whose window exists already (a second SetFrame) is moved to the new rectangle.
  if (frame->IsFrameCreated()) {
    frame->MoveFrameWnd(rect);
  } else if (!frame->CreateFrameWnd(hwnd(), rect)) {
    return false;
  }
  m_pUploaderBase = frame;
  return true;
}

HRESULT CFotaroEx::SetFrame(INT nType, INT nBmpMaxWidth, INT nEditHeight) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  constexpr char kScope[] = "CFotaroEx::SetFrame";
  LogEntry(kScope);
  if (static_cast<UINT>(nType) > 1 || nBmpMaxWidth <= 10) return E_INVALIDARG;
  if (!platform::IsWindow(hwnd()) || !m_pUploaderBase) return E_FAIL;
  fotaro::Log(kScope, "SetFrame start");
  CUploaderBase* frame = ChosenFrame();
  if (!frame) return E_FAIL;
  fotaro::Log(kScope, "SetFraming");
  frame->SetFrameTexts(m_props.m_strUploadTitleText.c_str(), m_props.m_strUploadBtnCompress.c_str(),
                       m_props.m_strUploadBtnWaterPress.c_str());
  frame->SetUploadOnceInfo(m_props.m_nUploadOnceCountLimit, m_props.m_nUploadOnceWaitTime);
  if (!CreateUploaderWnd(platform::RECT{0, 0, nBmpMaxWidth, nEditHeight})) return E_FAIL;
  fotaro::Log(kScope, "SetFrame end");
  return S_OK;
}

HRESULT CFotaroEx::ActiveFrame(INT) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  constexpr char kScope[] = "CFotaroEx::ActiveFrame";
  fotaro::Log(kScope, "ActiveFrame start");
  CUploaderBase* frame = CreatedFrame();
  if (!frame) return E_FAIL;
  frame->ShowFrameWnd();
  fotaro::Log(kScope, "ActiveFrame end");
  return S_OK;
}

HRESULT CFotaroEx::Upload() {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::Upload");
  return DoUpload(0);
}

HRESULT CFotaroEx::UploadEx(LONG bOnlySelected) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::UploadEx");
  return DoUpload(bOnlySelected);
}

HRESULT CFotaroEx::DoUpload(LONG bOnlySelected) {
  LogEntry("CFotaroEx::DoUpload");
  if (!IsFrameCreated()) return E_FAIL;
  return m_pUploaderBase->UploadInUploadFrame(bOnlySelected != 0) ? S_OK : E_FAIL;
}

HRESULT CFotaroEx::EditUploadFile() {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  return IsFrameCreated() ? S_OK : E_FAIL;
}

HRESULT CFotaroEx::TranslateAccelerator() { return WrongThread() ? RPC_E_WRONG_THREAD : S_FALSE; }

HRESULT CFotaroEx::SetTipsMsg(BSTR bstrMsg) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (!bstrMsg || SysStringLen(bstrMsg) > kMaxText) return E_INVALIDARG;
  if (IsFrameCreated()) m_pUploaderBase->MessageBox(bstrMsg, u"提示", u"确定", u"取消", u"", 2, 0, hwnd());
  return S_OK;
}

HRESULT CFotaroEx::LeaveControl() {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::LeaveControl");
  if (m_pUploaderBase) m_pUploaderBase->LeaveControl();
  return S_OK;
}

HRESULT CFotaroEx::AddPhoto(INT nType) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::AddPhoto");
  if (m_pUploaderBase) m_pUploaderBase->AddPhoto(nType);
  return S_OK;
}

HRESULT CFotaroEx::Resize() {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  return DoResize(m_rcClient);
}

HRESULT CFotaroEx::ResizeInFF(INT nWidth, INT nHeight) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (nWidth < 0 || nHeight < 0) return E_INVALIDARG;
  return DoResize(platform::RECT{0, 0, nWidth, nHeight});
}

HRESULT CFotaroEx::DoResize(const platform::RECT& rect) {
  fotaro::Log("CFotaroEx::Resize", "entry: width = %d , height = %d", rect.right - rect.left, rect.bottom - rect.top);
  if (CUploaderBase* frame = CreatedFrame()) frame->MoveFrameWnd(rect);
  return S_OK;
}

HRESULT CFotaroEx::StopUpload(LONG bConfirm) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::StopUpload");
  if (IsFrameCreated()) m_pUploaderBase->StopUpload(bConfirm);
  return S_OK;
}

HRESULT CFotaroEx::GetPhotoCount(INT* pnCount) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::GetPhotoCount");
  if (!pnCount) return E_INVALIDARG;
  if (IsFrameCreated()) *pnCount = m_pUploaderBase->GetPhotoCount();
  return S_OK;
}

// The property reads as GetPhotoCount does.
HRESULT CFotaroEx::get_PhotoCount(LONG* pVal) { return GetPhotoCount(pVal); }

HRESULT CFotaroEx::put_PhotoCount(LONG) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::put_PhotoCount");
  return S_OK;
}

HRESULT CFotaroEx::HideSortDropDown() {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (IsFrameCreated()) m_pUploaderBase->HideSortDropDown();
  return S_OK;
}

HRESULT CFotaroEx::CancelOneTask(INT nIdx) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (!IsMainFrameCreated()) return E_FAIL;
  return m_frames.main->CancelSilentTask(nIdx) ? S_OK : E_FAIL;
}

HRESULT CFotaroEx::SetUploadFilePath(BSTR bstrXmlPath) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetUploadFilePath");
  if (!bstrXmlPath || SysStringLen(bstrXmlPath) > kMaxText) return E_INVALIDARG;
  std::vector<std::u16string> paths = fotaro::ReadSilentFileList(platform::com::BstrText(bstrXmlPath));
  if (IsMainFrameCreated()) m_frames.main->UploadSilently(std::move(paths));
  return S_OK;
}

HRESULT CFotaroEx::StopUploadSliently() {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (IsMainFrameCreated()) m_frames.main->StopUploadSliently();
  return S_OK;
}

HRESULT CFotaroEx::StartUploadSliently() {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::StartUploadSliently");
  if (IsMainFrameCreated()) m_frames.main->StartUploadSliently();
  return S_OK;
}
