#include "tools/fotaro/ConsoleUploader.h"

#include <algorithm>
#include <cstdlib>

#include "engine/SilentAnswer.h"
#include "engine/Strings.h"
#include "engine/ThreadPool.h"
#include "engine/UploadMgrMessage.h"
#include "platform/CodePage.h"
#include "platform/win/MessageLoop.h"
#include "xml/XmlDocument.h"

namespace {

// The frame's own messages for the silent batch: go on after a failure, the batch has stopped.
constexpr platform::UINT kSilentGoOn = platform::WM_USER + 701;
constexpr platform::UINT kSilentEnded = platform::WM_USER + 702;
// The compression code of a photo the user cancelled.
constexpr int32_t kCancelled = 7;
// Results that end the batch: below -400 (the account may not upload), -302 (the album is closed).
constexpr int32_t kLastWaitingResult = -400;
constexpr int32_t kAlbumClosed = -302;

bool EndsBatch(int32_t result) { return result < kLastWaitingResult || result == kAlbumClosed; }

// The photo's result in a silent answer document.
PhotoResult ParseAnswer(const std::u16string& text) {
  PhotoResult result;
  const auto document = fotaro::XmlDocument::Parse(text);
  if (!document) return result;
  document->Root(u"body").ForEachChild([&](const fotaro::XmlElement& element) {
    const std::u16string name = element.Name();
    if (name == u"Filename") result.strFile = element.Text();
    if (name == u"Result") result.nResult = static_cast<int32_t>(std::strtol(platform::Utf8(element.Text()).c_str(), nullptr, 10));
    if (name == u"Reason") result.strReason = element.Text();
    if (name == u"AlbumId") result.strAlbumId = element.Text();
    if (name == u"ResultURL") result.strResultURL = element.Text();
    if (name == u"Detail") result.strFailure = element.Text();
  });
  result.bDone = result.nResult == 0 || result.nResult == -301;
  return result;
}

std::u16string Text(const char16_t* text) { return text ? std::u16string(text) : std::u16string(); }

}  // namespace

CConsoleUploader::CConsoleUploader(IUploadReport* report) : m_pReport(report) {
  Create();
  m_hFrameWnd = hwnd();
  m_uploadMgr.SetNotifyWnd(hwnd());
  m_uploadMgr.Create();
  for (int pool : {2, 1, 3}) OrniFotaro::CThreadPool::Instance(pool);
}

CConsoleUploader::~CConsoleUploader() {
  // Nothing may reach the uploaders once the pools are gone: they stop and wait for their work.
  m_pSilent.reset();
  m_uploadMgr.Shutdown();
  OrniFotaro::CThreadPool::FreeInstance(-1);
  platform::DestroyWindow(hwnd());
}

std::vector<PhotoResult> CConsoleUploader::Run(const std::vector<std::u16string>& photos, bool silent) {
  m_vecPhotos = photos;
  m_results.clear();
  m_bSilent = silent;
  m_bStopped = false;
  if (silent) {
    StartSilent(photos);
  } else {
    UploadInUploadFrame(false);
  }
  platform::RunMessageLoop();

  std::vector<PhotoResult> results;
  for (const std::u16string& photo : m_vecPhotos) {
    // A photo the batch did not reach: it stopped before (or, were the batch to end without it,
    // the photo counts as not uploaded).
    if (!m_results.count(photo)) {
      Report(m_bStopped ? PhotoResult{photo, m_nStopResult, m_strStopReason, u"", u"", false, u""}
                        : PhotoResult{photo, -1, std::u16string(IDS_NOT_UPLOADED), u"", u"", false, u""});
    }
    results.push_back(m_results.at(photo));
  }
  return results;
}

bool CConsoleUploader::UploadInUploadFrame(bool) {
  if (!IsFrameCreated()) return false;
  std::vector<UploadFileEntry> entries;
  for (const std::u16string& photo : m_vecPhotos) entries.push_back({photo, photo, u""});
  m_uploadMgr.SetUploadFiles(entries);
  m_uploadMgr.PrepareUpload();
  StartUpload();
  return true;
}

void CConsoleUploader::StartUpload() { m_uploadMgr.StartUploadWithReport(); }

void CConsoleUploader::StopUpload(int32_t) {
  if (m_bSilent && m_pSilent && m_pSilent->IsRunning()) {
    m_pSilent->Finish();  // its stop message ends the loop
  } else if (!m_bSilent && m_uploadMgr.GetState() != CUploadMgr::kStateIdle) {
    m_uploadMgr.StopUpload();  // its 101 ends the loop
  } else {
    platform::PostQuitMessage(0);
  }
}

int32_t CConsoleUploader::MessageBox(const char16_t* text, const char16_t* caption, const char16_t*, const char16_t*,
                                     const char16_t*, int32_t, int32_t, platform::HWND) {
  m_pReport->OnMessage(Text(caption) + u": " + Text(text));
  return -1;
}

void CConsoleUploader::ShowTipsMsg(const char16_t* text) { m_pReport->OnMessage(Text(text)); }

platform::LRESULT CConsoleUploader::WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                                            std::unique_ptr<platform::MessagePayload>& payload) {
  switch (message) {
    case CM_UPLOADMGR: OnUploadMgr(static_cast<int32_t>(wParam), payload.get()); break;
    case CM_SILENTUPLOADER: OnSilent(wParam, lParam, payload.get()); break;
    case kSilentGoOn:
      m_bGoOn = true;
      if (m_pSilent) m_pSilent->Finish();
      break;
    case kSilentEnded: OnSilentEnded(); break;
    case kInterrupt:
      StopWith(kCancelled, CompressFailureReason(kCancelled));
      StopUpload(0);
      break;
    default: break;
  }
  return 0;
}

void CConsoleUploader::OnUploadMgr(int32_t code, const platform::MessagePayload* payload) {
  const auto* notice = dynamic_cast<const UploadMgrNotice*>(payload);
  const auto* file = dynamic_cast<const UploadMgrFile*>(payload);
  switch (code) {
    case ULSTRATEGY_UPLOAD_PROGRESS_EX:
      if (const auto* progress = notice ? std::get_if<UploadProgressEx>(&notice->message.param) : nullptr) {
        m_pReport->OnSent(progress->nSentDelta);
      }
      break;
    case ULSTRATEGY_UPLOAD_RESULT:
      if (const auto* info = notice ? std::get_if<UploadInfo>(&notice->message.param) : nullptr) {
        Report({info->strSourcePath, info->nResult, info->strReason, info->strAlbumId, info->strResultURL, info->bDone,
                info->strFailure});
        if (EndsBatch(info->nResult)) {
          StopWith(info->nResult, info->strReason);
          m_uploadMgr.StopUpload();
        }
      }
      break;
    case ULMGR_UPLOAD_STARTED:
      if (const auto* value = notice ? std::get_if<int64_t>(&notice->message.param) : nullptr; value && *value != 0) {
        Report({notice->message.strFile, static_cast<int32_t>(*value), u"", u"", u"", false, u""});
      }
      break;
    case UPLOADMGR_COMPRESS_ERROR:
      // 0: the photo was refused because the batch stopped; it is reported with the stop.
      if (file && file->nValue != 0) {
        Report({file->strFile, file->nValue, CompressFailureReason(file->nValue), u"", u"", false, u""});
      }
      break;
    case UPLOADMGR_STOPPED:
    case UPLOADMGR_BATCH_FAILED:
    case UPLOADMGR_BATCH_DONE:
      platform::PostQuitMessage(0);
      break;
    default:
      break;
  }
}

void CConsoleUploader::OnSilent(platform::WPARAM code, platform::LPARAM value, const platform::MessagePayload* payload) {
  const auto* text = dynamic_cast<const SilentText*>(payload);
  switch (code) {
    case CM_SLIENTUPLOADER_UPLOADRESULT: {
      if (!text) break;
      PhotoResult result = ParseAnswer(text->strText);
      result.strFile = AnsweredPhoto(result.strFile);
      Report(result);
      if (EndsBatch(result.nResult)) {
        StopWith(result.nResult, result.strReason);
      } else if (!result.bDone) {
        // The silent batch waits after a failure; the sender is still inside this call.
        platform::PostMessage(hwnd(), kSilentGoOn);
      }
      break;
    }
    case CM_SLIENTUPLOADER_PROGRESS: m_pReport->OnPhotoPercent(static_cast<int32_t>(value)); break;
    case CM_SLIENTUPLOADER_ERROR:
      if (text) m_pReport->OnMessage(text->strText);
      break;
    case CM_SLIENTUPLOADER_STOPUPLOAD: platform::PostMessage(hwnd(), kSilentEnded); break;
    default: break;
  }
}

void CConsoleUploader::OnSilentEnded() {
  const std::vector<std::u16string> rest = Unfinished();
  if (m_bGoOn && !m_bStopped && !rest.empty()) {
    m_bGoOn = false;
    StartSilent(rest);
  } else {
    platform::PostQuitMessage(0);
  }
}

void CConsoleUploader::StartSilent(const std::vector<std::u16string>& photos) {
  if (!m_pSilent) {
    m_pSilent = std::make_unique<CSlientUploader>();
    m_pSilent->Create(hwnd());
  }
  m_pSilent->SetFiles(&m_kernel, &m_ulData, hwnd(), photos);
  m_pSilent->StartUpload(true);
}

void CConsoleUploader::Report(PhotoResult result) {
  if (m_results.count(result.strFile)) return;
  m_pReport->OnResult(result);
  m_results.emplace(result.strFile, std::move(result));
}

void CConsoleUploader::StopWith(int32_t result, const std::u16string& reason) {
  if (m_bStopped) return;
  m_bStopped = true;
  m_nStopResult = result;
  m_strStopReason = reason;
}

std::u16string CConsoleUploader::AnsweredPhoto(const std::u16string& name) const {
  if (std::find(m_vecPhotos.begin(), m_vecPhotos.end(), name) != m_vecPhotos.end()) return name;
  const std::string text = platform::Utf8(name);
  for (const std::u16string& photo : m_vecPhotos) {
    if (!m_results.count(photo) && platform::Utf8(photo) == text) return photo;
  }
  return name;
}

std::vector<std::u16string> CConsoleUploader::Unfinished() const {
  std::vector<std::u16string> rest;
  std::copy_if(m_vecPhotos.begin(), m_vecPhotos.end(), std::back_inserter(rest),
               [&](const std::u16string& photo) { return !m_results.count(photo); });
  return rest;
}
