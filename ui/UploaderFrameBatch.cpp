// CUploaderFrame: the batch. Starting and stopping it, the manager's messages and what each one
// changes in the grid and tells the control, and the questions at its end.

#include <unistd.h>

#include "control/ControlMessages.h"
#include "control/services/Desktop.h"
#include "control/services/Log.h"
#include "engine/SilentAnswer.h"
#include "engine/UploadMgrMessage.h"
#include "net/DataReport.h"
#include "net/FTStat.h"
#include "platform/CodePage.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Surface.h"
#include "ui/FrameTexts.h"
#include "ui/PreviewMessages.h"
#include "ui/UploaderFrame.h"
#include "widgets/CMMessageDlg.h"

using namespace platform;
using namespace std::chrono_literals;

namespace {

constexpr char kUploadMgrScope[] = "CFTUploader::OnUploadMgr";
constexpr int32_t kAlbumFull = -301;
constexpr int32_t kAlbumLocked = -302;
constexpr int32_t kRegisterFirst = -401;
constexpr int32_t kReportRotated = 3;  // data report: photos the user turned
// Progress shown while a photo is on its way; 100 only once its result is in.
constexpr int kMaxProgress = 95;
constexpr int kUploadErrorWidth = 386;
constexpr int kUploadErrorHeight = 180;
// CM_UPLOADMGR code the frame posts to itself after a failed batch: ask the end-of-batch question.
constexpr WPARAM kAskAfterFailures = 110;
// CM_UPLOADMGR code of a photo that failed for a reason nobody named.
constexpr WPARAM kUnknownFailure = 10;

template <class Payload>
const Payload* As(const MessagePayload* payload) {
  return dynamic_cast<const Payload*>(payload);
}

}  // namespace

bool CUploaderFrame::UploadInUploadFrame(bool) {
  fotaro::Log("CFTUploader::UploadInUploadFrame", "entry");
  if (!IsWindow(hwnd()) || !IsWindowVisible(hwnd())) return false;
  // A second batch over a running one would mix their counters: the running one goes on.
  if (m_bUploading) return false;
  CFTStat& stat = CFTStat::Instance();
  stat.SetCounter(CFTStat::kUploadStarted, stat.GetCounter(CFTStat::kUploadStarted) + 1);
  std::vector<UploadFileEntry> entries;
  {
    CPreviewList::Lock lock(m_grid.list().mutex());
    for (const PreviewItemPtr& item : m_grid.list().items()) entries.push_back({item->strPath, item->strPath, item->strSrcPath});
  }
  if (entries.empty()) {
    SetDisplayMode(kModeIdle);
    return true;
  }
  m_bUploading = true;
  BeforeBatch();
  m_uploadMgr.SetUploadFiles(entries);
  m_uploadMgr.PrepareUpload();
  m_grid.ScrollToTop();
  StartUpload();
  return true;
}

void CUploaderFrame::EnterUploadDisplay() {
  m_bUploading = true;
  SetDisplayMode(kModeUploading);
  m_grid.SetUploadMode(true);
  m_progress.Reset();
  UpdateButtons();
}

void CUploaderFrame::LeaveUploadDisplay() {
  m_bUploading = false;
  m_grid.SetUploadMode(false);
  UpdateButtons();
}

void CUploaderFrame::StartUpload() {
  // Only while files of the batch remain to be handed to compression.
  if (m_uploadMgr.GetCurrentFile().empty()) return;
  fotaro::Log("CFTUploader::StartUpload", "entry");
  EnterUploadDisplay();
  m_uploadMgr.StartUploadWithReport();
  const int rotated = m_grid.CountRotated();
  if (rotated > 0) PostDataReport(ControlWnd(), kReportRotated, rotated);
}

void CUploaderFrame::StopWithoutAsking() {
  SetDisplayMode(kModeIdle);
  LeaveUploadDisplay();
  m_uploadMgr.CancelUpload();
  PostToControl(FTUPLOADER_COMPLETE, 1);
}

void CUploaderFrame::StopUpload(int32_t confirm) {
  fotaro::Log("CFTUploader::StopUpload", "bConfirm = %d", confirm);
  if (confirm && !m_bUploading) {
    // Nothing is uploading: there is nothing to confirm or to stop.
    PostMessage(hwnd(), CM_CMPREVIEW, 0);
    return;
  }
  m_uploadMgr.SetAlbumFull();  // halts the batch: no new photo starts meanwhile
  if (confirm) {
    CCMMessageDlg question(std::u16string(frame_text::kStopQuestion), std::u16string(frame_text::kCancelUpload),
                           {std::u16string(frame_text::kOk), std::u16string(frame_text::kCancel)});
    const std::optional<int> answer = Ask(question);
    if (!answer) return;
    if (*answer != 0) {
      m_progress.Reset();
      m_uploadMgr.UploadNext();
    } else {
      LeaveUploadDisplay();
      if (m_uploadMgr.IsBatchFinished()) {
        const std::optional<bool> restarted = PopupMsgBoxAfterUpload(m_uploadMgr.IsAllSucceeded());
        if (!restarted || (!*restarted && !IsWindow(hwnd()))) return;
      }
      m_uploadMgr.StopUpload();
    }
  } else {
    StopWithoutAsking();
  }
  PostMessage(hwnd(), CM_CMPREVIEW, 0);
}

std::optional<bool> CUploaderFrame::PopupMsgBoxAfterUpload(bool allOk) {
  fotaro::Log("CFTUploader::PopupMsgBoxAfterUpload", "entry");
  SetDisplayMode(kModeIdle);
  if (allOk) {
    PostToControl(FTUPLOADER_COMPLETE, AllUploadedEnd());
    return false;
  }
  const int failed = m_uploadMgr.GetErrorCount();
  const std::u16string caption(failed > 0 ? frame_text::kUploadFailed : frame_text::kUploadDone);
  m_uploadMgr.RetryFailed();
  if (failed > 0) {
    CCMMessageDlg question(frame_text::Format(frame_text::kRetryFailed, failed), caption,
                           {std::u16string(frame_text::kYes), std::u16string(frame_text::kNo)});
    const std::optional<int> answer = Ask(question);
    if (!answer) return std::nullopt;
    if (*answer == 0) {
      EnterUploadDisplay();
      m_uploadMgr.RestartUpload();
      return true;
    }
    PostToControl(FTUPLOADER_COMPLETE, 0);
    return false;
  }
  CCMMessageDlg question(frame_text::Format(frame_text::kGoOnAfterFailures, failed), caption,
                         {std::u16string(frame_text::kFinish), std::u16string(frame_text::kContinue)});
  const std::optional<int> answer = Ask(question);
  if (!answer) return std::nullopt;
  if (*answer == 0) {
    PostToControl(FTUPLOADER_COMPLETE, 0);
  } else {
    PostToControl(FTUPLOADER_COMPLETE, 1);
    m_grid.ClearUploadMarks();
    m_uploadMgr.SetUploadFiles({});
    m_uploadMgr.PrepareUpload();
  }
  return false;
}

bool CUploaderFrame::LeaveControl() {
  if (!IsWindow(ControlWnd())) return false;
  std::u16string question;
  if (m_bUploading) {
    question = frame_text::kLeaveWhileUploading;
  } else if (m_grid.GetPhotoCount() == 0) {
    PostToControl(FTUPLOADER_LEAVECONTROL, 0);
    return false;
  } else {
    question = frame_text::kLeaveQuestion;
  }
  CCMMessageDlg dialog(question, std::u16string(frame_text::kCancelUpload),
                       {std::u16string(frame_text::kOk), std::u16string(frame_text::kCancel)});
  dialog.SetSize(386, 176);
  const std::optional<int> answer = Ask(dialog);
  if (!answer || *answer < 0) return true;
  PostToControl(FTUPLOADER_LEAVECONTROL, *answer == 0 ? 0 : 1);
  return true;
}

std::u16string CUploaderFrame::GridPathOf(const std::u16string& fileKey) const {
  CPreviewList::Lock lock(m_grid.list().mutex());
  for (const PreviewItemPtr& item : m_grid.list().items()) {
    if (item->strPath == fileKey || item->strSrcPath == fileKey) return item->strPath;
  }
  return fileKey;
}

void CUploaderFrame::OnUploadMgr(WPARAM code, MessagePayload* payload) {
  const auto* notice = As<UploadMgrNotice>(payload);
  const UploadNotifyMsg* message = notice ? &notice->message : nullptr;
  const std::u16string path = message ? GridPathOf(message->strFile) : std::u16string();
  const auto* file = As<UploadMgrFile>(payload);
  switch (code) {
    case ULSTRATEGY_UPLOAD_START:
      if (!message) break;
      fotaro::Log(kUploadMgrScope, "ULSTRATEGY_UPLOAD_START Filename : %s", path);
      m_grid.SetCurrentFile(path);
      m_grid.SetUploadPercent(path, 0);  // an attempt starts from nothing
      PostToControl(FTUPLOADER_STARTUPLOAD, 0, std::make_unique<FTUploaderText>(path));
      break;
    case ULSTRATEGY_UPLOAD_PROGRESS:
      if (const auto* percent = message ? std::get_if<int64_t>(&message->param) : nullptr) {
        m_grid.AdvanceUploadPercent(path, static_cast<int>(std::min<int64_t>(*percent, kMaxProgress)));
      }
      break;
    case ULSTRATEGY_UPLOAD_RESULT:
      if (const auto* result = message ? std::get_if<UploadInfo>(&message->param) : nullptr) {
        OnUploadResult(*result, message->strFile);
      }
      break;
    case ULSTRATEGY_UPLOAD_PROGRESS_EX:
      if (const auto* progress = message ? std::get_if<UploadProgressEx>(&message->param) : nullptr) {
        fotaro::Log(kUploadMgrScope, "ULSTRATEGY_UPLOAD_PROGRESS_EX = %lu", static_cast<unsigned long>(progress->nTotal));
        m_progress.Feed(*progress);
      }
      break;
    case ULMGR_COMPRESS_START:
      if (message) m_grid.SetUploadPercent(path, 0);
      break;
    case kUnknownFailure:
      if (message) m_grid.SetUploadError(path, std::u16string(frame_text::kUnknownError));
      break;
    case ULMGR_UPLOAD_STARTED:
      if (const auto* value = message ? std::get_if<int64_t>(&message->param) : nullptr; value && *value != 0) {
        PostToControl(FTUPLOADER_LOCAL_ERROR, 0, std::make_unique<LocalErrorRecord>(path, static_cast<int32_t>(*value)));
      }
      break;
    case ULKERNEL_READ_START:
    case ULKERNEL_COMPRESS_START:
      if (message) {
        PostToControl(code == ULKERNEL_READ_START ? FTUPLOADER_STARTREADFILE : FTUPLOADER_STARTCOMPRESS, 0,
                      std::make_unique<FTUploaderText>(path));
      }
      break;
    case UPLOADMGR_STOPPED:
      m_grid.ClearUploadMarks();
      StopUpload(0);
      LeaveUploadDisplay();
      break;
    case UPLOADMGR_PREPARING:
      if (file) m_grid.SetPreparingFile(file->strFile);
      break;
    case UPLOADMGR_COMPRESS_ERROR:
      if (file && !file->strFile.empty()) {
        PostToControl(FTUPLOADER_LOCAL_ERROR, 0, std::make_unique<LocalErrorRecord>(file->strFile, file->nValue));
        std::u16string reason = CompressFailureReason(file->nValue);
        m_grid.SetUploadError(file->strFile, reason.empty() ? std::u16string(frame_text::kCompressFailed) : reason);
      }
      break;
    case UPLOADMGR_BATCH_FAILED:
    case UPLOADMGR_BATCH_DONE:
    case kAskAfterFailures: OnBatchEnd(code); break;
    default: break;
  }
}

void CUploaderFrame::OnBatchEnd(WPARAM code) {
  if (code == UPLOADMGR_BATCH_FAILED) {
    m_grid.ClearUploadMarks();
    LeaveUploadDisplay();
    PostMessage(hwnd(), CM_UPLOADMGR, kAskAfterFailures);
  } else if (code == UPLOADMGR_BATCH_DONE) {
    CloseTip();
    m_grid.ClearUploadMarks();
    LeaveUploadDisplay();
    PopupMsgBoxAfterUpload(true);
    m_uploadMgr.StopUpload();
  } else {
    CloseTip();
    const std::optional<bool> restarted = PopupMsgBoxAfterUpload(false);
    if (restarted && !*restarted && IsWindow(hwnd())) m_uploadMgr.StopUpload();
  }
}

void CUploaderFrame::OnUploadResult(const UploadInfo& result, const std::u16string& fileKey) {
  const std::u16string path = GridPathOf(fileKey);
  const int32_t code = result.nResult;
  if (code == 0 || code == kAlbumFull) {
    m_grid.SetUploadPercent(path, 100);
    if (code == kAlbumFull) {
      m_uploadMgr.SetAlbumFull();
      if (!Notice(std::u16string(frame_text::kAlbumFull), std::u16string(frame_text::kTip))) return;
      m_progress.Reset();
      m_uploadMgr.UploadNext();
    }
    fotaro::Log(kUploadMgrScope, "delete file : %s", path);
    RemoveFile(path);
    const auto tick = std::chrono::duration_cast<std::chrono::milliseconds>(CUploadProgress::Clock::now().time_since_epoch());
    fotaro::Log(kUploadMgrScope, "delete file : %s, time = %d", path, static_cast<int>(tick.count()));
  } else if (code >= -299 && code <= -1) {
    m_grid.SetUploadError(path, std::u16string(frame_text::ResultText(code)));
  } else if (code < -400 || code == kAlbumLocked) {
    m_grid.SetUploadError(path, result.strReason);
    if (m_bUploading) {
      m_uploadMgr.SetAlbumFull();
      if (!(code == kRegisterFirst ? ShowUploadError(result)
                                   : Notice(result.strReason, std::u16string(frame_text::kUploadFailed), 1))) {
        return;
      }
      StopWithoutAsking();
      m_grid.ClearUploadMarks();
    }
  }
  if (!result.strResultFile.empty()) {
    SendMessage(ControlWnd(), CM_FTUPLOADER, FTUPLOADER_UPLOADRESULT, 0,
                std::make_unique<FTUploaderResultFile>(path, result.strResultFile));
    // The control has read the answer: nobody needs the file any more.
    unlink(PathBytes(result.strResultFile).c_str());
  }
}

bool CUploaderFrame::ShowUploadError(const UploadInfo& result) {
  std::u16string text = result.strReason;
  if (!result.strAlbumId.empty()) text += u"\n" + std::u16string(frame_text::kAlbumLabel) + result.strAlbumId;
  CCMMessageDlg dialog(text, std::u16string(frame_text::kUploadFailed), {std::u16string(frame_text::kOk)}, 1);
  dialog.SetSize(kUploadErrorWidth, kUploadErrorHeight);
  if (!result.strRegUrl.empty()) {
    const std::u16string url = result.strRegUrl;
    dialog.SetLink(result.strRegMsg.empty() ? url : result.strRegMsg, [url] { fotaro::OpenInBrowser(url); });
  }
  return Ask(dialog).has_value();
}
