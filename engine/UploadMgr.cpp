#include "engine/UploadMgr.h"

#include <sys/stat.h>
#include <unistd.h>

#include "control/services/Log.h"
#include "engine/SendNotifyItem.h"
#include "engine/StorageReport.h"
#include "engine/ThreadPool.h"
#include "engine/ULData.h"
#include "engine/ULStrategy.h"
#include "engine/UploadItem.h"
#include "engine/UploadMgrMessage.h"
#include "imaging/ULKernel.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/win/MessageLoop.h"

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

constexpr char kNotifyScope[] = "CUploadMgr::OnUploadNotify";
constexpr char kSummaryScope[] = "CUploadMgr::Summary";
constexpr int kUploadPool = 0;
constexpr int kCompressPool = 2;
// The album the server moved the batch to with result -301.
constexpr int32_t kAlbumFull = -301;

uint32_t SizeKB(const std::u16string& path) {
  struct stat info {};
  if (stat(platform::PathBytes(path).c_str(), &info) != 0) return 0;
  return static_cast<uint32_t>(static_cast<uint64_t>(info.st_size) >> 10);
}

// The file that is compressed and that keys the photo: the prepared copy when there is one.
std::u16string FileKey(const UploadFileEntry& entry) {
  return platform::IsRegularFile(platform::PathBytes(entry.strTempFile)) ? entry.strTempFile : entry.strOrgFile;
}

bool PostJob(int pool, std::unique_ptr<CompressJob> job, std::unique_ptr<IWorker> worker) {
  const auto instance = OrniFotaro::CThreadPool::Instance(pool);
  return instance && instance->Post(std::move(job), std::move(worker));
}

}  // namespace

CUploadMgr::CUploadMgr() : m_pCancelled(std::make_shared<std::atomic<bool>>(false)) {}

CUploadMgr::~CUploadMgr() {
  fotaro::Log("CUploadMgr::~CUploadMgr", "entry");
  Shutdown();
  if (platform::IsWindow(hwnd())) platform::DestroyWindow(hwnd());
}

void CUploadMgr::Shutdown() {
  CancelUpload();
  WaitForHolds(false);
}

void CUploadMgr::SetUploadFiles(const std::vector<UploadFileEntry>& files) {
  Lock lock(m_batchLock);
  m_vecUploadFiles = files;
}

void CUploadMgr::ResetCounters() {
  m_nUploadNo = 0;
  m_nComplete = 0;
  m_nSuccess = 0;
  m_nCompressError = 0;
  m_nSkipped = 0;
  m_bBatchEnded = false;
}

void CUploadMgr::PrepareUpload() {
  Lock lock(m_batchLock);
  ResetCounters();
  m_nTotalCount = static_cast<int32_t>(m_vecUploadFiles.size());
  uint32_t total = 0;
  for (const UploadFileEntry& entry : m_vecUploadFiles) total += SizeKB(entry.strOrgFile);
  m_nTotalSizeKB = total;
  m_errorinfo.Clear();
}

void CUploadMgr::StartUploadWithReport() {
  std::vector<std::u16string> chosen;
  {
    Lock lock(m_batchLock);
    for (const UploadFileEntry& entry : m_vecUploadFiles) chosen.push_back(entry.strOrgFile);
  }
  PostStorageReport(GetReportWnd(), chosen);
  StartUpload();
}

void CUploadMgr::StartUpload() {
  fotaro::Log("CUploadMgr::StartUpload", "entry");
  Lock lock(m_batchLock);
  if (m_vecUploadFiles.empty()) {
    fotaro::Log("CUploadMgr::StartUpload", "PopupMsgBox... [0]");
    Post(UPLOADMGR_BATCH_FAILED);
    return;
  }
  if (m_bBatchEnded) return;
  m_nState = kStateUploading;
  // The outcome of each photo in compression starts the next one once the look-ahead is full.
  const int32_t size = static_cast<int32_t>(m_vecUploadFiles.size());
  while (!m_compressing.IsFull()) {
    while (m_nUploadNo < size &&
           m_errorinfo.HasFailed(m_vecUploadFiles[m_nUploadNo].strOrgFile, FileKey(m_vecUploadFiles[m_nUploadNo]))) {
      ++m_nUploadNo;
      ++m_nSkipped;
    }
    // A file listed again waits until its earlier compression has its outcome.
    if (m_nUploadNo >= size || m_compressing.Contains(FileKey(m_vecUploadFiles[m_nUploadNo]))) break;
    const UploadFileEntry& entry = m_vecUploadFiles[m_nUploadNo];
    Post(UPLOADMGR_PREPARING, std::make_unique<UploadMgrFile>(entry.strOrgFile, 0));
    m_errorinfo.Forget(entry.strOrgFile, FileKey(entry));
    UploadOneFile();
  }
  if (m_compressing.IsEmpty()) FinishIfDone(2);
}

void CUploadMgr::UploadOneFile() {
  fotaro::Log("CUploadMgr::UploadOneFile", "entry");
  const size_t index = static_cast<size_t>(m_nUploadNo++);
  const UploadFileEntry& entry = m_vecUploadFiles[index];
  const std::u16string key = FileKey(entry);
  PostNotify(this, MakeNotify(key, ULMGR_COMPRESS_START));

  const CCompressAhead::Handed handed = m_compressing.Add(key, index);
  StartedFile file{CULStrategyFactory::Create(), entry.strFile, entry.strOrgFile, --m_nSvrTime, handed.nJob};
  // The owner is given here, under the batch lock, so that a cancel always finds the strategy
  // in the map once it has one.
  file.pStrategy->SetOwner(this);
  const auto earlier = m_mapStrategies.find(key);
  if (earlier != m_mapStrategies.end()) {
    earlier->second.pStrategy->Cancel();
    earlier->second.pStrategy->ResetOwner();
  }
  m_mapStrategies[key] = file;
  std::unique_ptr<CompressJob> job = MakeJob(key, file);
  job->pTurn = handed.pTurn;
  if (!PostJob(kCompressPool, std::move(job), std::make_unique<CCompressItem>())) {
    fotaro::Log("CUploadMgr::UploadOneFile", "the compression pool refused %s", key);
  }
}

std::unique_ptr<CompressJob> CUploadMgr::MakeJob(const std::u16string& fileKey, const StartedFile& file) {
  auto job = std::make_unique<CompressJob>(this);
  job->strTitle = file.strTitle;
  job->strFileKey = fileKey;
  job->strOrgFile = file.strOrgFile;
  job->nUploadTime = file.nUploadTime;
  job->pKernelInfo = m_pKernelInfo;
  job->pStrategy = file.pStrategy;
  job->pULData = m_pULData;
  job->pCancelled = m_pCancelled;
  job->nJob = file.nJob;
  return job;
}

void CUploadMgr::RestartUpload() {
  Lock lock(m_batchLock);
  ResetCounters();
  StartUpload();
}

void CUploadMgr::RetryFailed() {
  Lock lock(m_batchLock);
  m_vecUploadFiles.clear();
  for (const UploadErrorInfo& error : m_errorinfo.Take()) m_vecUploadFiles.push_back({u"", error.strFile, error.strTempFile});
}

void CUploadMgr::UploadNext() {
  Lock lock(m_batchLock);
  if (!m_bBatchEnded) StartUpload();
}

void CUploadMgr::SetCompressAhead(int count) {
  Lock lock(m_batchLock);
  m_compressing.SetLimit(count);
}

void CUploadMgr::StopUpload() {
  fotaro::Log("CUploadMgr::StopUpload", "entry");
  if (m_nState.load() == kStateIdle) return;
  m_nState = kStateIdle;
  Post(UPLOADMGR_STOPPED);
  CancelUpload();
}

void CUploadMgr::CancelUpload() {
  fotaro::Log("CUploadMgr::CancelUpload", "entry");
  m_nState = kStateIdle;
  {
    Lock lock(m_batchLock);
    m_pCancelled->store(true);
    m_pCancelled = std::make_shared<std::atomic<bool>>(false);
    // Jobs waiting for their turn find the batch cancelled.
    m_compressing.Cancel();
  }
  if (!m_pULData) return;
  m_pULData->Stop();
  Lock lock(m_batchLock);
  for (auto& [key, file] : m_mapStrategies) {
    file.pStrategy->Cancel();
    file.pStrategy->ResetOwner();
    if (const auto record = m_pULData->GetInfo(key)) CCompressItem::DeleteOutputs(record->vecParts);
  }
  m_mapStrategies.clear();
  m_pULData->Clear();
  fotaro::Log("CUploadMgr::CancelUpload", "exit");
}

bool CUploadMgr::IsAllSucceeded() const {
  Lock lock(m_batchLock);
  return static_cast<int32_t>(m_vecUploadFiles.size()) == m_nSuccess.load();
}

bool CUploadMgr::IsBatchFinished() const {
  Lock lock(m_batchLock);
  return static_cast<int32_t>(m_vecUploadFiles.size()) == m_nCompressError + m_nComplete + m_nSkipped;
}

int CUploadMgr::GetErrorCount() const { return m_errorinfo.GetCount(); }

std::vector<UploadErrorInfo> CUploadMgr::GetErrors() const { return m_errorinfo.Get(); }

std::u16string CUploadMgr::GetCurrentFile() {
  Lock lock(m_batchLock);
  const size_t position = m_compressing.FirstIndex().value_or(static_cast<size_t>(m_nUploadNo));
  return position < m_vecUploadFiles.size() ? m_vecUploadFiles[position].strOrgFile : std::u16string();
}

void CUploadMgr::SetSizeLimits(const char16_t* bigPic, const char16_t* thumbs) {
  fotaro::Log("CUploadMgr::SetSizeLimits", "size limits: big = %s, thumbs = %s", bigPic, thumbs);
  if (m_pKernelInfo) m_pKernelInfo->SetSizeLimits(bigPic, thumbs);
}

void CUploadMgr::SetWaterMark(int32_t waterMark) {
  if (m_pKernelInfo) m_pKernelInfo->SetWaterMark(waterMark);
}

bool CUploadMgr::SetSvrTime(int32_t seconds) {
  if (seconds <= 0) return false;
  Lock lock(m_batchLock);
  m_nSvrTime = seconds;
  return true;
}

JobAccount CUploadMgr::GetJobAccount() {
  Lock lock(m_batchLock);
  return m_pKernelInfo ? ReadJobAccount(*m_pKernelInfo) : JobAccount{};
}

platform::LRESULT CUploadMgr::WndProc(platform::UINT message, platform::WPARAM, platform::LPARAM,
                                      std::unique_ptr<platform::MessagePayload>&) {
  if (message == platform::WM_DESTROY) {
    Lock lock(m_batchLock);
    m_vecUploadFiles.clear();
  }
  return 0;
}

void CUploadMgr::OnUploadNotify(const UploadNotifyHandle& handle) {
  fotaro::Log(kNotifyScope, "entry");
  const UploadNotifyMsg& message = *handle;
  if (message.nCode == ULSTRATEGY_UPLOAD_RESULT) {
    OnUploadResult(message);  // passed on to the frame only when it is final
    return;
  }
  Forward(message);
  switch (message.nCode) {
    case ULSTRATEGY_UPLOAD_PROGRESS:
      if (const auto* percent = std::get_if<int64_t>(&message.param)) {
        fotaro::Log(kNotifyScope, "$$$ [Thread : %d] SetProgress = %d", static_cast<int>(gettid()),
                    static_cast<int>(*percent));
      }
      break;
    case ULMGR_COMPRESS_FAILED: OnCompressFailed(message); break;
    case ULMGR_COMPRESS_DONE: OnCompressed(message); break;
    case ULMGR_UPLOAD_STARTED: OnUploadStarted(message); break;
    default: break;
  }
}

void CUploadMgr::OnUploadResult(const UploadNotifyMsg& message) {
  const auto* result = std::get_if<UploadInfo>(&message.param);
  Lock lock(m_batchLock);
  const std::optional<UploadInfo> record = result && m_pULData ? m_pULData->GetInfo(message.strFile) : std::nullopt;
  if (!record) {
    // A late result of a photo that has left the queue (after a cancel): passed on, not counted.
    Forward(message);
    return;
  }
  const auto started = m_mapStrategies.find(message.strFile);
  // An answer that must not be tried again leaves the result's copy without retries.
  const bool retriesLeft = record->nRetriesLeft > 0 && result->nRetriesLeft > 0;
  if (!result->bDone && retriesLeft && m_nState.load() != kStateIdle && started != m_mapStrategies.end()) {
    fotaro::Log(kNotifyScope, "result %d, %d retries left: upload again", result->nResult,
                static_cast<int>(record->nRetriesLeft));
    if (PostJob(kUploadPool, MakeJob(message.strFile, started->second), std::make_unique<CUploadItem>())) return;
  }
  // The copy goes before anything that may end the batch, so that the frame sees it first.
  Forward(message);
  FinishFile(message.strFile, *record, *result);
  fotaro::Log(kNotifyScope, "pUploadResult->nResult = %d", result->nResult);
}

void CUploadMgr::FinishFile(const std::u16string& fileKey, const UploadInfo& record, const UploadInfo& result) {
  TakeAlbum(result);
  // The photo leaves the queue before it counts, so that the queue is empty when the batch ends.
  ReleaseUploader(fileKey);
  CCompressItem::DeleteOutputs(record.vecParts);
  m_pULData->RemoveInfo(fileKey);
  ++m_nComplete;
  fotaro::Log(kNotifyScope, "[CUploadPreview] Upload complete, file = %s", fileKey);
  Summary(result);
}

void CUploadMgr::TakeAlbum(const UploadInfo& result) {
  if (!m_pKernelInfo || (result.nResult != 0 && result.nResult != kAlbumFull)) return;
  if (result.nResult == kAlbumFull && !result.strAlbumId.empty()) {
    m_pKernelInfo->m_strExtendID = result.strAlbumId;
    m_pKernelInfo->m_nPhotoCount = 1;
  }
  ++m_pKernelInfo->m_nPhotoCount;
}

void CUploadMgr::Summary(const UploadInfo& result) {
  fotaro::Log(kSummaryScope, "entry");
  if (result.bDone) {
    fotaro::Log(kSummaryScope, "[CUploadPreview] m_nSuccess = %d", ++m_nSuccess);
  } else {
    m_errorinfo.Add({result.nResult, result.strTitle, u"", result.strReason});
    fotaro::Log(kSummaryScope, "[CUploadPreview] push error info");
  }
  fotaro::Log(kSummaryScope,
              "m_nCompressError = %d, m_nComplete= %d, m_vecUploadFiles.size() = %d\nm_nSuccess = %d, m_nUploadNo = %d",
              m_nCompressError.load(), m_nComplete.load(), static_cast<int>(m_vecUploadFiles.size()), m_nSuccess.load(),
              m_nUploadNo);
  FinishIfDone(3);
}

void CUploadMgr::ReleaseUploader(const std::u16string& fileKey) {
  const auto it = m_mapStrategies.find(fileKey);
  if (it == m_mapStrategies.end()) return;
  it->second.pStrategy->ResetOwner();
  fotaro::Log("CUploadMgr::ReleaseUploader", "before erase: size = %d", static_cast<int>(m_mapStrategies.size()));
  m_mapStrategies.erase(it);
  fotaro::Log("CUploadMgr::ReleaseUploader", "after erase: size = %d", static_cast<int>(m_mapStrategies.size()));
}

void CUploadMgr::OnCompressFailed(const UploadNotifyMsg& message) {
  const auto* param = std::get_if<int64_t>(&message.param);
  const int32_t code = param ? static_cast<int32_t>(*param) : 0;
  Lock lock(m_batchLock);
  // Nothing for a job of a cancelled batch, or an outcome that came again.
  const std::optional<size_t> index = m_compressing.IndexOf(message.strFile, message.nJob);
  if (!index) return;
  ReleaseUploader(message.strFile);
  const UploadFileEntry entry = *index < m_vecUploadFiles.size() ? m_vecUploadFiles[*index] : UploadFileEntry{};
  // A photo the queue refused (0) was stopped, not failed: it counts toward the end only.
  if (code != 0) {
    m_errorinfo.Add({kCompressError, entry.strOrgFile, entry.strTempFile, u"error"});
    fotaro::Log(kNotifyScope, "图片压缩失败 m_errorinfo.push_back");
  }
  ++m_nCompressError;
  Post(UPLOADMGR_COMPRESS_ERROR, std::make_unique<UploadMgrFile>(entry.strOrgFile, code));
  m_compressing.Finish(message.strFile);
  FinishIfDone(1);
  if (m_nState.load() == kStateUploading) StartUpload();
}

void CUploadMgr::OnCompressed(const UploadNotifyMsg& message) {
  Lock lock(m_batchLock);
  if (!m_compressing.IndexOf(message.strFile, message.nJob)) return;
  m_compressing.Finish(message.strFile);  // its notice has gone to the frame already
  if (m_nState.load() == kStateUploading && m_nUploadNo < static_cast<int32_t>(m_vecUploadFiles.size())) {
    fotaro::Log(kNotifyScope, "Launch next StartUpload...");
    StartUpload();
  }
}

void CUploadMgr::OnUploadStarted(const UploadNotifyMsg& message) {
  const auto* param = std::get_if<int64_t>(&message.param);
  if (!param || *param == 0) return;
  // The attempt did not start (an account setting is missing, or the previous transfer would
  // not stop): no result follows, so this is the photo's final outcome.
  Lock lock(m_batchLock);
  const auto started = m_mapStrategies.find(message.strFile);
  if (started == m_mapStrategies.end() || started->second.nJob != message.nJob) return;  // an earlier job's
  const std::optional<UploadInfo> record = m_pULData ? m_pULData->GetInfo(message.strFile) : std::nullopt;
  if (!record) return;
  UploadInfo result = *record;
  result.nResult = static_cast<int32_t>(*param);
  result.bDone = false;
  result.strReason.clear();
  FinishFile(message.strFile, *record, result);
}

void CUploadMgr::FinishIfDone(int tag) {
  if (m_bBatchEnded || m_nState.load() == kStateIdle) return;
  const int32_t outcomes = m_nComplete + m_nCompressError + m_nSkipped;
  if (outcomes < static_cast<int32_t>(m_vecUploadFiles.size())) return;
  m_bBatchEnded = true;
  m_nState = kStateIdle;
  const bool failed = !m_errorinfo.IsEmpty();
  if (failed) fotaro::Log("CUploadMgr::FinishIfDone", "PopupMsgBox... [%d]", tag);
  Post(failed ? UPLOADMGR_BATCH_FAILED : UPLOADMGR_BATCH_DONE);
}

void CUploadMgr::Post(int32_t code, std::unique_ptr<platform::MessagePayload> payload) {
  platform::PostMessage(m_hNotifyWnd.load(), CM_UPLOADMGR, static_cast<platform::WPARAM>(code), 0, std::move(payload));
}

void CUploadMgr::Forward(const UploadNotifyMsg& message) {
  Post(message.nCode, std::make_unique<UploadMgrNotice>(message));
}
