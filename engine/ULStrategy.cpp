#include "engine/ULStrategy.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>

#include "control/services/Folders.h"
#include "control/services/Global.h"
#include "control/services/Log.h"
#include "engine/LocalErrorReport.h"
#include "engine/SendNotifyItem.h"
#include "engine/Strings.h"
#include "engine/ULData.h"
#include "engine/UploadAnswer.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"

namespace {

constexpr char kUploadScope[] = "CULStrategy::Upload";
constexpr char kEventScope[] = "CULStrategy::OnCM_Upload";

int ThreadId() { return static_cast<int>(gettid()); }

// The system tick count in milliseconds.
int64_t Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The control's version number as GetVersion reports it: major times 100 plus minor.
int32_t ClientVersion() {
  const CGlobal::FileVersion version = CGlobal::GetModuleVersion();
  return version.major * 100 + version.minor;
}

}  // namespace

std::shared_ptr<CULStrategy> CULStrategyFactory::Create() {
  static std::mutex lock;  // the strategy factory lock: guards nextId
  static uint32_t nextId = 0;
  std::lock_guard<std::mutex> guard(lock);
  return std::shared_ptr<CULStrategy>(new CULStrategy(++nextId));
}

CULStrategy::CULStrategy(uint32_t id) : m_nId(id) { m_uploader.Subscribe(this, &CULStrategy::OnCM_Upload); }

void CULStrategy::SetOwner(CUploadEventReceiver* owner) { m_pOwner.store(owner); }

int32_t CULStrategy::Upload(const std::u16string& title, const std::u16string& fileKey, const std::u16string& url,
                            const std::u16string& uin, const std::u16string& key, const std::u16string& extendId,
                            const std::u16string& extendStr, int32_t total, int32_t uploadTime) {
  fotaro::Log(kUploadScope, "Upload URL = %s\nUpload m_State = %d, m_nDelayTime = %d", url, m_State.load(),
              m_dwPendingDelay.load());
  if (fileKey.empty() || url.empty()) return ULSTRATEGY_NO_FILE_OR_URL;
  if (uin.empty()) return ULSTRATEGY_NO_UIN;
  if (key.empty()) return ULSTRATEGY_NO_KEY;
  if (extendId.empty()) return ULSTRATEGY_NO_EXTEND_ID;
  if (total < 0) return ULSTRATEGY_BAD_TOTAL;
  // A Cancel that is stopping the transfer right now cancels this attempt before it starts.
  uint32_t use = 0;
  if (!m_nUploaderUse.compare_exchange_strong(use, kUsedByUpload)) return ULSTRATEGY_OK;
  const int32_t result = StartAttempt(title, fileKey, url, UploadAccount{ClientVersion(), std::u16string(IDS_CLIENT_CODE),
                                                                       uin, key, extendId, extendStr, total, uploadTime});
  ReleaseUploader();
  return result;
}

int32_t CULStrategy::StartAttempt(const std::u16string& title, const std::u16string& fileKey, const std::u16string& url,
                                  UploadAccount account) {
  // The inputs below are the running transfer's until its completion event has been handled.
  if (m_bTransferRunning.load()) {
    m_uploader.StopTransfer();
    if (m_bTransferRunning.load()) return ULSTRATEGY_BUSY;
  }
  m_strTitle = title;
  m_strFileKey = fileKey;
  m_strURL = url;
  m_account = std::move(account);
  m_nLastPercent = 0;
  m_State.store(kStateUploading);
  RunAttempt();
  return ULSTRATEGY_OK;
}

void CULStrategy::ReleaseUploader() {
  uint32_t use = kUsedByUpload;
  if (m_nUploaderUse.compare_exchange_strong(use, 0)) return;
  // A Cancel came while this call used the uploader and left the stop to it.
  m_State.store(kStateIdle);
  m_dwPendingDelay.store(0);
  m_uploader.StopTransfer();
  m_nUploaderUse.store(0);
}

void CULStrategy::RunAttempt() {
  fotaro::Log(kUploadScope, "[Thread#%d]Uploading file = %s", ThreadId(), m_strFileKey);
  CULData* queue = OwnerQueue();
  if (!queue) return;
  // Take the delay or one retry in the queue's own record, and copy what the request is built from.
  std::optional<UploadInfo> record;
  uint32_t delay = 0;
  queue->UpdateInfo(m_strFileKey, [&](UploadInfo& info) {
    if (info.dwDelay != 0) {
      delay = info.dwDelay;
      info.dwDelay = 0;
      return;
    }
    if (info.nRetriesLeft > 0) --info.nRetriesLeft;
    record = info;
  });
  if (delay != 0) m_dwPendingDelay.store(delay);
  if (!record) return;

  m_uploader.ResetUploadData();
  fotaro::Log(kUploadScope, "CULData - AlbumID = %s", m_account.strExtendID);
  AddUploadForm(m_uploader, m_account, m_strTitle, *record);
  const std::u16string resultFile = NextResultFile();
  m_nStartTick = Now();
  m_nLastBytes = 0;
  Notify(ULSTRATEGY_UPLOAD_START, record->strDisplayName);

  m_pSelf = shared_from_this();
  m_bTransferRunning.store(true);
  if (!m_uploader.UploadImage(m_strURL, resultFile)) {
    m_pSelf.reset();
    m_bTransferRunning.store(false);
    const std::string& refusal = m_uploader.Uploader().GetRefusalText();
    FailAttempt(u"The upload could not start" + (refusal.empty() ? u"" : u": " + platform::FromUtf8(refusal)));
  }
  // From here on the transfer thread may already have finished the attempt.
}

void CULStrategy::Cancel() {
  fotaro::Log("CULStrategy::Cancel", "entry");
  m_State.store(kStateIdle);
  m_dwPendingDelay.store(0);
  // Stop the transfer here, unless an Upload call or another Cancel is using the uploader: an
  // Upload call is then asked to stop it before it returns, and a Cancel is stopping it already.
  uint32_t use = m_nUploaderUse.load();
  for (;;) {
    if (use & kUsedByCancel) return;
    const uint32_t next = use == 0 ? kUsedByCancel : use | kStopAsked;
    if (m_nUploaderUse.compare_exchange_weak(use, next)) break;
  }
  if (use != 0) return;
  m_uploader.StopTransfer();
  m_nUploaderUse.store(0);
}

void CULStrategy::ResetOwner() {
  fotaro::Log("CULStrategy::ResetOwner", "entry.");
  m_pOwner.store(nullptr);
}

void CULStrategy::OnCM_Upload(const tagEvent* event) {
  if (!event) return;
  if (event->nType == CCMHttpUpload::kEventComplete) {
    // The transfer's hold on the strategy ends with this event; when the owner has let go too, the
    // strategy is destroyed as `self` goes, and nothing touches it after that.
    const std::shared_ptr<CULStrategy> self = std::move(m_pSelf);
    if (m_State.load() == kStateUploading) {
      fotaro::Log(kEventScope, "CULStrategy::OnCM_Upload - Complete");
      Upload_Complete(*event);
    }
    m_bTransferRunning.store(false);
    return;
  }
  if (m_State.load() != kStateUploading) return;
  if (event->nType == CCMHttpUpload::kEventProgress) {
    OnProgress(event->nSent, event->nTotal);
  } else if (event->nType == CCMHttpUpload::kEventError) {
    fotaro::Log(kEventScope, "CULStrategy::OnCM_Upload - Error: %d", event->nCode);
    // An error ends the attempt: its result goes now, and the rest of the transfer is ignored.
    m_State.store(kStateIdle);
    FailAttempt(u"The transfer reported error " + platform::FromUtf8(std::to_string(event->nCode)));
  }
}

void CULStrategy::OnProgress(int64_t sent, int64_t total) {
  const int32_t percent =
      total <= 0 ? 100 : static_cast<int32_t>(std::min<int64_t>(100, std::max<int64_t>(sent, 0) * 100 / total));
  if (sent != m_nLastBytes) {
    const int64_t delta = sent - m_nLastBytes;
    m_nLastBytes = sent;
    fotaro::Log(kEventScope, "CULStrategy::ULSTRATEGY_UPLOAD_PROGRESS_EX = %lld", static_cast<long long>(sent));
    Notify(ULSTRATEGY_UPLOAD_PROGRESS_EX, UploadProgressEx{percent, delta, total, Now() - m_nStartTick});
  }
  if (percent > m_nLastPercent + 1 || percent == 100) {
    m_nLastPercent = percent;
    fotaro::Log(kEventScope, "CULStrategy::OnCM_Upload progress:%d", percent);
    Notify(ULSTRATEGY_UPLOAD_PROGRESS, int64_t{percent});
  }
}

void CULStrategy::Upload_Complete(const tagEvent& event) {
  fotaro::Log(kEventScope, "[Thread#%d] Upload_Complete nCode = %d", ThreadId(), event.nCode);
  const std::u16string& answerFile = event.strText;
  if (!platform::IsRegularFile(platform::PathBytes(answerFile))) {
    fotaro::Log(kEventScope, "[Thread#%d] result file is empty or not exist.", ThreadId());
    const std::string& failure = m_uploader.Uploader().GetFailureText();
    FailAttempt(failure.empty() ? u"The server's answer was not saved" : platform::FromUtf8(failure));
    return;
  }
  CULData* queue = OwnerQueue();
  std::optional<UploadInfo> record = queue ? queue->GetInfo(m_strFileKey) : std::nullopt;
  if (!record) return;
  record->strResultFile = answerFile;
  CUploadEventReceiver* owner = m_pOwner.load();
  const platform::HWND reportWnd = owner ? owner->GetReportWnd() : nullptr;
  if (!ParseResultFile(*record, reportWnd)) {
    PostLocalError(reportWnd, m_strFileKey, LOCALERROR_ANSWER_UNPARSED);
    fotaro::Log(kEventScope, "[Thread#%d] ParseResultFile return fail.", ThreadId());
    record->nResult = -1;
    record->strFailure = u"The server's answer does not say how the upload went";
  }
  ClassifyResult(*record);
  Notify(ULSTRATEGY_UPLOAD_RESULT, std::move(*record));
}

void CULStrategy::FailAttempt(std::u16string why) {
  CULData* queue = OwnerQueue();
  std::optional<UploadInfo> record = queue ? queue->GetInfo(m_strFileKey) : std::nullopt;
  if (!record) return;
  record->strResultFile.clear();
  record->bDone = false;
  record->nResult = -1;
  record->strFailure = std::move(why);
  Notify(ULSTRATEGY_UPLOAD_RESULT, std::move(*record));
}

std::u16string CULStrategy::NextResultFile() const {
  static std::atomic<uint32_t> sequence{0};
  const std::u16string folder = fotaro::GetWorkingFolder(true);
  if (folder.empty()) return {};
  char numbers[48];
  std::snprintf(numbers, sizeof numbers, ".%u.%u.%u", m_nId, static_cast<uint32_t>(Now()), sequence.fetch_add(1));
  return folder + u"/ULStrategyUpload." + CGlobal::Instance().GetProcessTag() + platform::PathFromBytes(numbers);
}

void CULStrategy::Notify(int32_t code, NotifyParam param) {
  PostNotify(m_pOwner.load(), MakeNotify(m_strFileKey, code, std::move(param)));
}

CULData* CULStrategy::OwnerQueue() const {
  CUploadEventReceiver* owner = m_pOwner.load();
  return owner ? owner->GetULData() : nullptr;
}
