// CFotaroEx: the methods that set and read values (settings of the upload, the watermark, the
// process-wide settings, the updater hook).

#include "control/FotaroEx.h"

#include "control/Updater.h"
#include "control/services/Global.h"
#include "control/services/Log.h"
#include "net/FTStat.h"
#include "platform/CodePage.h"
#include "platform/com/Bstr.h"

namespace {

using platform::com::BstrText;

// Longest texts the methods accept, in UTF-16 units.
constexpr UINT kMaxText = 4096;
constexpr UINT kMaxShortText = 128;

bool Longer(BSTR text, UINT limit) { return SysStringLen(text) > limit; }

void LogEntry(const char* scope) { fotaro::Log(scope, "entry"); }

}  // namespace

HRESULT CFotaroEx::SetResourceInfo(BSTR bstrDownloadResourceURL) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetResourceInfo");
  if (!bstrDownloadResourceURL || Longer(bstrDownloadResourceURL, kMaxText)) return E_INVALIDARG;
  return S_OK;
}

HRESULT CFotaroEx::SetReportServer(BSTR bstrIP, INT nPort) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetReportServer");
  if (!bstrIP || nPort <= 0 || Longer(bstrIP, kMaxShortText)) return E_INVALIDARG;
  m_props.m_strReportServerIP = BstrText(bstrIP);
  m_props.m_nReportServerPort = nPort;
  // The statistics report goes to this server (the reporter checks the address and port itself).
  CFTStat::Instance().SetReportServer(platform::Utf8(m_props.m_strReportServerIP), nPort);
  return S_OK;
}

HRESULT CFotaroEx::GetVersion(INT* pnVersion) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::GetVersion");
  if (!pnVersion) return E_INVALIDARG;
  const CGlobal::FileVersion version = CGlobal::GetModuleVersion();
  *pnVersion = version.major * 100 + version.minor;
  return S_OK;
}

HRESULT CFotaroEx::GetUploadKey(BSTR* pbstrKey) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::GetUploadKey");
  if (!pbstrKey || *pbstrKey) return E_INVALIDARG;  // never frees or replaces the caller's string
  if (!IsFrameCreated()) return E_FAIL;
  std::u16string uin, key;
  m_pUploaderBase->GetUploadKey(uin, key);
  *pbstrKey = platform::com::AllocBstr(key);
  return *pbstrKey ? S_OK : E_OUTOFMEMORY;
}

HRESULT CFotaroEx::HaveSetUploadInfo(LONG* pbHaveSet) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::HaveSetUploadInfo");
  if (!pbHaveSet) return E_INVALIDARG;
  *pbHaveSet = 0;
  if (!IsFrameCreated()) return E_FAIL;
  std::u16string uin, key;
  m_pUploaderBase->GetUploadKey(uin, key);
  *pbHaveSet = !uin.empty() && !key.empty() ? 1 : 0;
  return S_OK;
}

HRESULT CFotaroEx::SetHelpHyperlink(BSTR bstrHelpHyperlink) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetHelpHyperlink");
  if (bstrHelpHyperlink && Longer(bstrHelpHyperlink, kMaxText)) return E_INVALIDARG;
  return S_OK;
}

HRESULT CFotaroEx::SetTokenContent(BSTR bstrToken) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetTokenContent");
  if (!bstrToken || Longer(bstrToken, kMaxText)) return E_INVALIDARG;
  return S_OK;
}

HRESULT CFotaroEx::SetUploadInfo(BSTR bstrOrniUin, BSTR bstrKey, BSTR bstrExtendID, BSTR bstrURL, UINT nTotalSpaceSize,
                                 UINT nUsedSpaceSize, UINT nCompressLevel, INT nMaxWidth, INT nMaxHeight) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetUploadInfo");
  if (!bstrOrniUin || !bstrKey || !bstrExtendID || !bstrURL || Longer(bstrOrniUin, kMaxShortText) ||
      Longer(bstrExtendID, kMaxShortText) || Longer(bstrKey, kMaxText) || Longer(bstrURL, kMaxText) ||
      nTotalSpaceSize == 0 || nTotalSpaceSize < nUsedSpaceSize || nCompressLevel > 100 || nMaxWidth <= 0 ||
      nMaxHeight <= 0) {
    return E_INVALIDARG;
  }
  if (!IsFrameCreated()) return E_FAIL;
  fotaro::Log("CFotaroEx::SetUploadInfo", "upload URL = %s", bstrURL);
  return m_pUploaderBase->SetUploadInfo(bstrOrniUin, bstrKey, bstrExtendID, bstrURL, nTotalSpaceSize, nUsedSpaceSize,
                                        nCompressLevel, nMaxWidth, nMaxHeight)
             ? S_OK
             : E_FAIL;
}

HRESULT CFotaroEx::SetUploadLimit(INT nLimitCount) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (nLimitCount <= 0) return E_INVALIDARG;
  if (!IsFrameCreated()) return E_FAIL;
  return m_pUploaderBase->SetUploadLimit(nLimitCount) ? S_OK : E_FAIL;
}

HRESULT CFotaroEx::SetUploadPath(BSTR) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetUploadPath");
  return E_FAIL;
}

HRESULT CFotaroEx::SetThumbInfo(INT nQuality, INT nWidth, INT nHeight) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetThumbInfo");
  if (static_cast<UINT>(nQuality) > 100 || nWidth <= 0 || nHeight <= 0) return E_INVALIDARG;
  if (m_pUploaderBase) m_pUploaderBase->SetThumbInfo(nQuality, nWidth, nHeight);
  return S_OK;
}

HRESULT CFotaroEx::SetUnCompressLimit(INT nMaxWidth, INT nMaxHeight) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetUnCompressLimit");
  if (nMaxWidth <= 0 || nMaxHeight <= 0) return E_INVALIDARG;
  if (m_pUploaderBase) m_pUploaderBase->SetUnCompressLimit(nMaxWidth, nMaxHeight);
  return S_OK;
}

HRESULT CFotaroEx::SetAutoCompress(LONG bAutoCompress) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetAutoCompress");
  if (m_pUploaderBase) m_pUploaderBase->SetAutoCompress(bAutoCompress);
  return S_OK;
}

HRESULT CFotaroEx::SetPhotoCount(INT nCount) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (nCount < 0) return E_INVALIDARG;
  if (m_pUploaderBase) m_pUploaderBase->SetPhotoCount(nCount);
  return S_OK;
}

HRESULT CFotaroEx::SetExtendStr(BSTR bstrInput) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetExtendStr");
  if (!bstrInput || Longer(bstrInput, kMaxText)) return E_INVALIDARG;
  if (m_pUploaderBase) m_pUploaderBase->SetExtentStr(bstrInput);
  return S_OK;
}

HRESULT CFotaroEx::SetActiveXType(INT nType) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetActiveXType");
  m_props.m_nActiveXType = nType;
  CGlobal::Instance().SetStyleType(nType);
  return S_OK;
}

HRESULT CFotaroEx::SetRetryTimes(INT nTimes) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetRetryTimes");
  m_props.m_nRetryTimes = nTimes;
  CGlobal::Instance().SetRetryTimes(nTimes);
  return S_OK;
}

HRESULT CFotaroEx::SetMD5FileSize(INT nMb) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  m_props.m_nMD5FileSize = nMb;
  CGlobal::Instance().SetMD5FileSize(nMb);
  return S_OK;
}

HRESULT CFotaroEx::SetWaterPressName(BSTR bstrWaterPressName) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  return SetWaterPressText(m_props.m_strWaterPressName, bstrWaterPressName, "CFotaroEx::SetWaterPressName",
                           "Before SetWaterPressName, PressName = %s");
}

HRESULT CFotaroEx::SetWaterPressUrl(BSTR bstrWaterPressUrl) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  return SetWaterPressText(m_props.m_strWaterPressURL, bstrWaterPressUrl, "CFotaroEx::SetWaterPressUrl",
                           "Before SetWaterPressUrl, PressUrl = %s");
}

HRESULT CFotaroEx::SetWaterPressText(std::u16string& field, BSTR value, const char* scope, const char* before) {
  LogEntry(scope);
  // A null string counts as "".
  if (Longer(value, kMaxShortText)) return E_INVALIDARG;
  fotaro::Log(scope, before, BstrText(value));
  field = BstrText(value);
  ApplyWaterPressInfo(scope);
  return S_OK;
}

HRESULT CFotaroEx::SetWaterPressType(INT nType) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetWaterPressType");
  fotaro::Log("CFotaroEx::SetWaterPressType", "Before SetWaterPressType, nType = %d", nType);
  m_props.m_nWaterPressType = nType;
  ApplyWaterPressInfo("CFotaroEx::SetWaterPressType");
  return S_OK;
}

void CFotaroEx::ApplyWaterPressInfo(const char* scope) {
  if (!IsFrameCreated()) return;
  m_pUploaderBase->SetWaterPressInfo(m_props.m_nWaterPressType, m_props.m_strWaterPressName.c_str(),
                                     m_props.m_strWaterPressURL.c_str());
  fotaro::Log(scope, "SetWaterPressType WaterType = %d, WaterPressName = %s, WaterPressURL = %s",
              m_props.m_nWaterPressType, m_props.m_strWaterPressName, m_props.m_strWaterPressURL);
}

HRESULT CFotaroEx::SetSizeLimits(BSTR bstrBigPic, BSTR bstrThumbs) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetSizeLimits");
  if (!IsFrameCreated() || SysStringLen(bstrBigPic) == 0 || SysStringLen(bstrThumbs) == 0) return E_FAIL;
  m_pUploaderBase->GetUploadMgr().SetSizeLimits(bstrBigPic, bstrThumbs);
  return S_OK;
}

HRESULT CFotaroEx::SetWaterMark(INT nWaterMark) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (!IsFrameCreated()) return E_FAIL;
  m_pUploaderBase->GetUploadMgr().SetWaterMark(nWaterMark);
  return S_OK;
}

HRESULT CFotaroEx::SetSvrTime(INT nSvrTimeSec) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetSvrTime");
  if (!IsFrameCreated() || nSvrTimeSec <= 0) return E_FAIL;
  m_pUploaderBase->GetUploadMgr().SetSvrTime(nSvrTimeSec);
  return S_OK;
}

HRESULT CFotaroEx::SetThreadCount(INT nThreadCount) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetThreadCount");
  if (!IsFrameCreated() || nThreadCount <= 0) return E_FAIL;
  m_pUploaderBase->GetULData().SetQueueSize(nThreadCount);
  return S_OK;
}

HRESULT CFotaroEx::SetUploadSizeLimit(INT nLimitSize) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  if (nLimitSize <= 0) return E_INVALIDARG;
  if (!IsFrameCreated()) return E_FAIL;
  return m_pUploaderBase->SetUploadSizeLimit(nLimitSize) ? S_OK : E_FAIL;
}

HRESULT CFotaroEx::UpdateVersion(BSTR bstrURL, BSTR bstrMD5, BSTR bstrWording, LONG bUpdate) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::UpdateVersion");
  const auto launch = fotaro::UpdaterCommand(CGlobal::Instance().GetModulePath(), BstrText(bstrURL),
                                             BstrText(bstrMD5), BstrText(bstrWording), bUpdate != 0);
  if (!launch) return E_FAIL;
  fotaro::Log("CFotaroEx::UpdateVersion", "%s %s", launch->program, launch->argument);
  return fotaro::StartUpdater(*launch) ? S_OK : E_FAIL;
}

HRESULT CFotaroEx::SetUserOrni(BSTR bstrOrni) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetUserOrni");
  CGlobal::Instance().SetUserOrni(BstrText(bstrOrni));
  if (CUploaderBase* frame = CreatedFrame()) frame->OnUserChanged();
  return S_OK;
}

HRESULT CFotaroEx::SetBrowserInfo(BSTR bstrType, BSTR bstrCore, BSTR bstrBrVer) {
  if (WrongThread()) return RPC_E_WRONG_THREAD;
  LogEntry("CFotaroEx::SetBrowserInfo");
  if (!bstrType || !bstrCore || !bstrBrVer) return E_INVALIDARG;
  return S_OK;
}
