// CFotaroEx: construction, the page's parameters, the window and its start-up (Init, the frame,
// the watermark download), and the end; the host's interface.

#include "control/FotaroEx.h"

#include "control/ControlMessages.h"
#include "control/SiteLock.h"
#include "control/services/Folders.h"
#include "control/services/Global.h"
#include "control/services/Log.h"
#include "net/FTStat.h"
#include "platform/CodePage.h"
#include "platform/com/Bstr.h"
#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Surface.h"

CFotaroEx::CFotaroEx(FrameSet frames)
    : m_events(*this, DIID__IFotaroExEvents, m_owner), m_frames(std::move(frames)) {
  fotaro::Log("CFotaroEx::CFotaroEx", "entry");
}

CFotaroEx::~CFotaroEx() {
  if (platform::IsWindow(hwnd())) platform::DestroyWindow(hwnd());
  m_events.UnadviseAll();
}

HRESULT CFotaroEx::GetClassID(CLSID* pClassID) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (!pClassID) return E_POINTER;
  *pClassID = CLSID_FotaroEx;
  return S_OK;
}

HRESULT CFotaroEx::InitNew() { return WrongThread() ? RPC_E_WRONG_THREAD : S_OK; }

HRESULT CFotaroEx::Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (!pPropBag) return E_POINTER;
  m_props.Load(*pPropBag, pErrorLog);
  return S_OK;
}

HRESULT CFotaroEx::Save(IPropertyBag* pPropBag, BOOL, BOOL) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (!pPropBag) return E_POINTER;
  return m_props.Save(*pPropBag) ? S_OK : E_FAIL;
}

HRESULT CFotaroEx::SetPageUrl(BSTR bstrUrl) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (!bstrUrl) return E_INVALIDARG;
  m_bSiteAllowed = fotaro::SiteLockAllows(platform::com::BstrText(bstrUrl));
  fotaro::Log("CFotaroEx::SetPageUrl", "%s: %s", bstrUrl, m_bSiteAllowed ? "allowed" : "refused");
  return m_bSiteAllowed ? S_OK : E_ACCESSDENIED;
}

HRESULT CFotaroEx::CreateControlWindow(INT x, INT y, INT nWidth, INT nHeight, BSTR bstrTitle) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (nWidth < 1 || nHeight < 1) return E_INVALIDARG;
  if (platform::IsWindow(hwnd())) return E_FAIL;
  m_rcWindow = platform::RECT{x, y, x + nWidth, y + nHeight};
  m_rcClient = platform::RECT{0, 0, nWidth, nHeight};
  m_strWindowTitle = platform::com::BstrText(bstrTitle);
  // A top-level window: on the display when the thread has opened one, else headless.
  Create(nullptr, m_rcWindow, platform::WS_VISIBLE, m_strWindowTitle);  // WM_CREATE runs OnCreate
  return platform::IsWindow(hwnd()) ? S_OK : E_FAIL;
}

HRESULT CFotaroEx::DestroyControlWindow() {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (!platform::IsWindow(hwnd())) return S_FALSE;
  platform::DestroyWindow(hwnd());
  return S_OK;
}

void CFotaroEx::OnCreate() {
  fotaro::Log("CFotaroEx::OnCreate", "entry");
  if (m_props.m_nEditMaxWidth == 0 && m_props.m_nEditMaxHeight == 0) m_props.m_nInitPlace = 0;
  if (m_props.m_nInitPlace == 1) Init();
}

HRESULT CFotaroEx::Init() {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  constexpr char kScope[] = "CFotaroEx::Init";
  fotaro::Log(kScope, "entry");
  if (m_bInited) return S_OK;

  CGlobal& global = CGlobal::Instance();
  global.SetStyleType(m_props.m_nActiveXType);
  global.SetRetryTimes(m_props.m_nRetryTimes);
  global.SetMD5FileSize(m_props.m_nMD5FileSize);
  fotaro::Log(kScope, "m_nActiveXType = %d, m_nRetryTimes = %d, m_nMD5FileSize = %d", m_props.m_nActiveXType,
              m_props.m_nRetryTimes, m_props.m_nMD5FileSize);

  m_pUploaderBase = ChosenFrame();
  fotaro::Log(kScope, "m_pUploaderBase = %p, m_nFrameType = %d, m_hWnd = %p", static_cast<void*>(m_pUploaderBase),
              m_props.m_nFrameType, static_cast<void*>(hwnd()));
  if (m_props.m_nFrameType != -1 &&
      FAILED(SetFrame(m_props.m_nFrameType, m_props.m_nEditMaxWidth, m_props.m_nEditMaxHeight))) {
    return E_FAIL;
  }
  if (m_props.m_nActiveFrame != -1 && FAILED(ActiveFrame(m_props.m_nActiveFrame))) return E_FAIL;
  if (m_props.m_nUploadLimit > 0 && IsFrameCreated()) m_pUploaderBase->SetUploadLimit(m_props.m_nUploadLimit);
  if (m_props.m_nUploadSizeLimit > 0 && IsFrameCreated()) {
    m_pUploaderBase->SetUploadSizeLimit(m_props.m_nUploadSizeLimit);
  }

  m_urlDownload.SetNotifyWnd(hwnd());
  PreWaterPressUrl();
  global.SetControlWnd(hwnd());
  if (IsFrameCreated()) {
    m_pUploaderBase->SetWaterPressInfo(m_props.m_nWaterPressType, m_props.m_strWaterPressName.c_str(),
                                       m_props.m_strWaterPressURL.c_str());
    m_pUploaderBase->SetWaterPressCheck(m_props.m_nWaterPressCheck);
  }
  // The page's report server parameters reach the statistics reporter as SetReportServer's do.
  if (!m_props.m_strReportServerIP.empty()) {
    CFTStat::Instance().SetReportServer(platform::Utf8(m_props.m_strReportServerIP), m_props.m_nReportServerPort);
  }

  fotaro::Log(kScope, "Init 结束");
  m_bInited = true;
  platform::PostMessage(hwnd(), CM_FTUPLOADER, FTUPLOADER_AXINITED, 0);
  return S_OK;
}

void CFotaroEx::PreWaterPressUrl() {
  const std::u16string& address = m_props.m_strWaterPressDownloadAddress;
  fotaro::Log("CFotaroEx::PreWaterPressUrl", "DownloadAddress : %s, PressType = %d", address,
              m_props.m_nWaterPressType);
  if (address.empty()) return;
  const std::u16string folder = fotaro::GetWorkingFolder(true);
  if (folder.empty()) return;
  const std::string type = std::to_string(m_props.m_nWaterPressType);
  const std::u16string file = folder + u"/WaterPress." + CGlobal::Instance().GetProcessTag() + u"." +
                              std::u16string(type.begin(), type.end()) + u".png";
  m_urlDownload.Start(address.c_str(), file.c_str());
  // The frame is told the file at once; watermarking finds no picture until the download ends.
  if (IsFrameCreated()) m_pUploaderBase->SetWaterPressPath(file.c_str());
}

void CFotaroEx::OnSetFocus() {
  if (CUploaderBase* frame = CreatedFrame()) platform::SetFocus(frame->GetFrameWnd());
}

void CFotaroEx::OnDestroy() {
  fotaro::Log("CFotaroEx::OnDestroy", "entry");
  if (CUploaderBase* frame = CreatedFrame()) platform::DestroyWindow(frame->GetFrameWnd());
  m_urlDownload.Stop();
  CGlobal& global = CGlobal::Instance();
  if (global.GetControlWnd() == hwnd()) global.SetControlWnd(nullptr);
  // A window made again later starts up again.
  m_bInited = false;
}
