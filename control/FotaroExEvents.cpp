// CFotaroEx: the control window's messages and the events they fire.

#include "control/FotaroEx.h"

#include <algorithm>
#include <fstream>

#include "control/ControlMessages.h"
#include "control/services/Log.h"
#include "platform/CodePage.h"

namespace {

// The result file of an upload is the server's answer: more than this is not an answer.
constexpr std::streamsize kMaxResultBytes = 16 << 20;

// The text of a payload that should be `Payload`; null when it is not one.
template <class Payload>
const Payload* As(const platform::MessagePayload* payload) {
  return dynamic_cast<const Payload*>(payload);
}

int32_t Int(platform::LPARAM value) { return static_cast<int32_t>(value); }

// Adds a data-report value to a total (wrapping, never undefined).
void AddTo(int32_t& total, int32_t value) {
  total = static_cast<int32_t>(static_cast<uint32_t>(total) + static_cast<uint32_t>(value));
}

}  // namespace

platform::LRESULT CFotaroEx::WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                                     std::unique_ptr<platform::MessagePayload>& payload) {
  switch (message) {
    case platform::WM_CREATE: OnCreate(); break;
    case platform::WM_DESTROY: OnDestroy(); break;
    case platform::WM_SIZE:
      m_rcClient = platform::RECT{0, 0, platform::GET_X_LPARAM(lParam), platform::GET_Y_LPARAM(lParam)};
      break;
    case platform::WM_SETFOCUS: OnSetFocus(); break;
    case platform::WM_CLOSE:
      // Closing the window is leaving the control: the frame asks when it must, the page hears it.
      if (m_pUploaderBase) m_pUploaderBase->LeaveControl();
      break;
    case CM_FTUPLOADER: OnCM_FTUploader(wParam, lParam, payload.get()); break;
    case CM_SILENTUPLOADER: OnCM_SilentUploader(wParam, lParam, payload.get()); break;
    case CM_URLDOWNLOAD: OnCM_URLDownload(wParam); break;
    case CM_DATAREPORT: OnCM_DataReport(payload.get()); break;
    case CM_NOTIFYVIEW: OnCM_NotifyView(wParam, payload.get()); break;
    case kDeleteControl:
      if (m_refs.Count() == 0) delete this;
      break;
    default: break;
  }
  return 0;
}

void CFotaroEx::Fire(DISPID dispid, std::initializer_list<platform::com::EventArg> args) { m_events.Fire(dispid, args); }

void CFotaroEx::OnCM_FTUploader(platform::WPARAM code, platform::LPARAM value, platform::MessagePayload* payload) {
  // The end of Init fires even when Init made no frame window (the page creates it later).
  if (code == FTUPLOADER_AXINITED) {
    Fire(DISPID_OnSink_AxInited);
    return;
  }
  if (!IsFrameCreated()) return;
  constexpr char kScope[] = "CFotaroEx::OnCM_FTUploader";
  switch (code) {
    case FTUPLOADER_UPLOADSELECT:
      if (const auto* selection = As<FTUploaderSelection>(payload)) {
        Fire(DISPID_OnSink_UploadSelect, {selection->nSize, selection->nCount});
      }
      break;
    case FTUPLOADER_UPLOADRESULT:
      if (const auto* result = As<FTUploaderResultFile>(payload)) FireUploadResult(result->strFile, result->strResultFile);
      break;
    case FTUPLOADER_ACTIVEFRAME: Fire(DISPID_OnSink_ActiveFrame, {Int(value)}); break;
    case FTUPLOADER_COMPLETE:
      fotaro::Log(kScope, "CMT_FTUPLOADER_COMPLETE");
      FireUploadOver(value);
      break;
    case FTUPLOADER_PREPARETOUPLOAD: Fire(DISPID_OnSink_PrepareToUpload, {Int(value)}); break;
    case FTUPLOADER_UPLOADPARAMS: Fire(DISPID_OnSink_UploadParams, {Int(value)}); break;
    case FTUPLOADER_LEAVECONTROL: Fire(DISPID_OnSink_LeaveControl, {Int(value)}); break;
    case FTUPLOADER_PREPARETOADDPHOTO: Fire(DISPID_OnSink_PrepareToAddPhoto); break;
    case FTUPLOADER_HOWTODRAG: Fire(DISPID_OnSink_HowToDrag); break;
    case FTUPLOADER_SHOWTIMEINFO:
      if (const auto* text = As<FTUploaderText>(payload)) Fire(DISPID_OnSink_ShowTimeInfo, {text->strText});
      break;
    case FTUPLOADER_HIDETIMEINFO: Fire(DISPID_OnSink_HideTimeInfo); break;
    case FTUPLOADER_LOCAL_ERROR:
      if (const auto* error = As<LocalErrorRecord>(payload)) Fire(DISPID_OnSink_LocalError, {error->nCode, error->strText});
      break;
    case FTUPLOADER_STARTREADFILE:
    case FTUPLOADER_STARTCOMPRESS:
    case FTUPLOADER_STARTUPLOAD:
      if (const auto* file = As<FTUploaderText>(payload)) {
        static constexpr struct {
          const char* log;
          DISPID dispid;
        } kStarts[] = {
            {"####Fire_OnSink_StartReadFile : %s #####", DISPID_OnSink_StartReadFile},
            {"####Fire_OnSink_StartCompress : %s #####", DISPID_OnSink_StartCompress},
            {"####Fire_OnSink_StartUpload : %s #####", DISPID_OnSink_StartUpload},
        };
        const auto& start = kStarts[code - FTUPLOADER_STARTREADFILE];
        fotaro::Log(kScope, start.log, file->strText);
        Fire(start.dispid, {file->strText});
      }
      break;
    default: break;
  }
}

void CFotaroEx::FireUploadResult(const std::u16string& file, const std::u16string& resultFile) {
  std::ifstream in(platform::PathBytes(resultFile), std::ios::binary);
  if (!in) return;
  std::string bytes(static_cast<size_t>(kMaxResultBytes) + 1, '\0');
  in.read(bytes.data(), kMaxResultBytes + 1);
  if (in.bad() || in.gcount() > kMaxResultBytes) return;
  bytes.resize(static_cast<size_t>(in.gcount()));
  // The answer is read as a zero-terminated text, as the server's answers are.
  bytes.resize(std::min(bytes.size(), bytes.find('\0')));
  Fire(DISPID_OnSink_UploadResult, {platform::FromCodePage(bytes), file});
}

void CFotaroEx::FireUploadOver(platform::LPARAM end) {
  Fire(DISPID_OnSink_UploadOver, {m_nRotateCount, m_nModFilenameCount, m_nNimbraCount, m_nUdiskCount});
  m_nRotateCount = m_nModFilenameCount = m_nNimbraCount = m_nUdiskCount = 0;
  if (end == 0) Fire(DISPID_OnSink_UploadComplete);
  if (end == 2) Fire(DISPID_OnSink_UploadAllSuccessful);
}

void CFotaroEx::OnCM_SilentUploader(platform::WPARAM code, platform::LPARAM value, platform::MessagePayload* payload) {
  if (!IsFrameCreated()) return;
  constexpr char kScope[] = "CFotaroEx::OnCM_SilentUploader";
  const auto* text = As<SilentText>(payload);
  const std::u16string words = text ? text->strText : std::u16string();
  switch (code) {
    case CM_SLIENTUPLOADER_UPLOADRESULT:
      fotaro::Log(kScope, "CM_SLIENTUPLOADER_UPLOADRESULT : %s", words);
      Fire(DISPID_OnSlientSink_Complete, {words});
      break;
    case CM_SLIENTUPLOADER_STARTUPLOAD:
      fotaro::Log(kScope, "CM_SLIENTUPLOADER_STARTUPLOAD : %s", words);
      Fire(DISPID_OnSlientSink_StartUpload, {words});
      break;
    case CM_SLIENTUPLOADER_STOPUPLOAD:
      fotaro::Log(kScope, "CM_SLIENTUPLOADER_STOPUPLOAD : %d", Int(value));
      Fire(DISPID_OnSlientSink_StopUpload, {Int(value)});
      break;
    case CM_SLIENTUPLOADER_PROGRESS:
      fotaro::Log(kScope, "CM_SLIENTUPLOADER_PROGRESS : %d", Int(value));
      Fire(DISPID_OnSlientSink_Progress, {Int(value)});
      break;
    case CM_SLIENTUPLOADER_ERROR:
      fotaro::Log(kScope, "CM_SLIENTUPLOADER_ERROR : %s", words);
      Fire(DISPID_OnSlientSink_Error, {words});
      break;
    default: break;
  }
}

void CFotaroEx::OnCM_URLDownload(platform::WPARAM state) {
  fotaro::Log("CFotaroEx::OnCM_URLDownload", "entry");
  if (state == URLDOWNLOAD_FINISHED) m_urlDownload.Stop();
}

void CFotaroEx::OnCM_DataReport(platform::MessagePayload* payload) {
  const auto* report = As<DataReportRecord>(payload);
  if (!IsFrameCreated() || !report) return;
  fotaro::Log("CFotaroEx::OnCM_DataReport", "####Fire_OnSink_DataReport : %d %d#####", report->nOperation,
              report->nValue);
  static constexpr std::u16string_view kOptions[] = {u"opt_openbig", u"opt_selectbig", u"opt_selectall",
                                                      u"opt_dragsort", u"opt_solveblocking"};
  switch (report->nOperation) {
    case 3: AddTo(m_nRotateCount, report->nValue); break;
    case 4: AddTo(m_nModFilenameCount, report->nValue); break;
    case 5: AddTo(m_nNimbraCount, report->nValue); break;
    case 6: AddTo(m_nUdiskCount, report->nValue); break;
    case 7:
    case 8:
    case 9:
    case 10:
    case 11: Fire(DISPID_OnSink_DataReport, {kOptions[report->nOperation - 7], 1}); break;
    case 12: Fire(DISPID_OnSink_DataReport, {u"cms_createthumb", report->nValue}); break;
    default: break;
  }
}

void CFotaroEx::OnCM_NotifyView(platform::WPARAM code, platform::MessagePayload* payload) {
  if (!IsFrameCreated() || code != NOTIFYVIEW_GIVEUPFOCUS) return;
  const auto* value = As<NotifyViewValue>(payload);
  fotaro::Log("CFotaroEx::OnCM_NotifyView", "####Fire_OnSink_GiveupFocus : %d#####", value ? value->nValue : 0);
  Fire(DISPID_OnSink_GiveupFocus);
}
