#include "engine/SlientUploader.h"

#include <algorithm>

#include "control/services/Log.h"
#include "engine/SendNotifyItem.h"
#include "engine/SilentAnswer.h"
#include "engine/Strings.h"
#include "engine/ThreadPool.h"
#include "engine/ULData.h"
#include "engine/ULStrategy.h"
#include "imaging/ULKernel.h"
#include "platform/TickCount.h"
#include "platform/win/MessageLoop.h"

namespace {

using Lock = std::lock_guard<std::mutex>;

constexpr char kScope[] = "CSlientUploader::ParseUploadMsg";
constexpr int kCompressPool = 2;
constexpr int32_t kAlbumFull = -301;
constexpr int32_t kLastWaitingResult = -400;  // results from -400 to -1 leave the batch waiting

std::u16string FormatCode(std::u16string_view format, int64_t code) {
  std::u16string text(format);
  const size_t at = text.find(u"%d");
  if (at != std::u16string::npos) text.replace(at, 2, platform::FromUtf8(std::to_string(code)));
  return text;
}

}  // namespace

CSlientUploader::CSlientUploader()
    : m_pCancelled(std::make_shared<std::atomic<bool>>(false)), m_dwBatchStamp(platform::TickCount()) {}

CSlientUploader::~CSlientUploader() {
  Finish();
  m_bClosing = true;
  // A notification worker may be sending to the control's window, which is this thread's.
  WaitForHolds(true);
  if (platform::IsWindow(hwnd())) platform::DestroyWindow(hwnd());
}

void CSlientUploader::SetFiles(CULKernel* kernel, CULData* queue, platform::HWND notifyWnd,
                               std::vector<std::u16string> paths) {
  Lock lock(m_mapLock);
  m_pKernelInfo = kernel;
  m_pULData = queue;
  m_hNotifyWnd = notifyWnd;
  SetReportWnd(notifyWnd);  // the control hears of the files' local errors too
  m_nTaken = 0;
  m_pending = std::move(paths);
}

void CSlientUploader::StartUpload(bool first) {
  fotaro::Log("CSlientUploader::StartUpload", "StartUpload bFirst = %d", first ? 1 : 0);
  std::u16string path;
  bool nothingAtAll = false;
  {
    Lock lock(m_mapLock);
    if (first) {
      m_nTaken = 0;
      m_bRunning = true;
    }
    nothingAtAll = m_pending.empty();
    // Paths the page cancelled are passed over.
    while (!m_pending.empty() && path.empty()) {
      std::u16string next = std::move(m_pending.front());
      m_pending.erase(m_pending.begin());
      ++m_nTaken;
      if (std::find(m_cancelled.begin(), m_cancelled.end(), next) == m_cancelled.end()) path = std::move(next);
    }
  }
  if (path.empty()) {
    if (first && nothingAtAll) Send(CM_SLIENTUPLOADER_ERROR, 0, std::make_unique<SilentText>(u"没有图片可以上传"));
    Finish();
    return;
  }
  UploadOneFile(path);
}

bool CSlientUploader::CancelTask(int index) {
  Lock lock(m_mapLock);
  const int position = index - m_nTaken;
  if (position < 0 || position >= static_cast<int>(m_pending.size())) return false;
  m_cancelled.push_back(m_pending[position]);
  return true;
}

void CSlientUploader::Finish() {
  std::map<std::u16string, std::shared_ptr<CULStrategy>> strategies;
  bool wasRunning;
  {
    Lock lock(m_mapLock);
    wasRunning = m_bRunning;
    m_bRunning = false;
    m_pending.clear();
    m_cancelled.clear();
    m_pCancelled->store(true);
    m_pCancelled = std::make_shared<std::atomic<bool>>(false);
    strategies.swap(m_strategies);
  }
  for (const auto& [path, strategy] : strategies) {
    strategy->Cancel();
    strategy->ResetOwner();
    RemoveRecord(path);
  }
  if (wasRunning) Send(CM_SLIENTUPLOADER_STOPUPLOAD, 0);
}

void CSlientUploader::UploadOneFile(const std::u16string& path) {
  fotaro::Log("CSlientUploader::UploadOneFile", "entry");
  PostNotify(this, MakeNotify(path, ULMGR_COMPRESS_START));
  auto job = std::make_unique<CompressJob>(this);
  job->strTitle = path;
  job->strFileKey = path;
  job->strOrgFile = path;
  job->nUploadTime = static_cast<int32_t>(m_dwBatchStamp);
  job->pStrategy = CULStrategyFactory::Create();
  job->pStrategy->SetOwner(this);
  std::shared_ptr<CULStrategy> earlier;
  {
    // Recorded together with the batch's cancel flag, so that a Finish either finds the strategy
    // or has already ended the batch the job belongs to.
    Lock lock(m_mapLock);
    if (!m_bRunning) {
      job->pStrategy->ResetOwner();
      return;
    }
    job->pKernelInfo = m_pKernelInfo;
    job->pULData = m_pULData;
    job->pCancelled = m_pCancelled;
    std::shared_ptr<CULStrategy>& slot = m_strategies[path];
    earlier = std::move(slot);
    slot = job->pStrategy;
  }
  if (earlier) {
    earlier->Cancel();
    earlier->ResetOwner();
  }
  auto pool = OrniFotaro::CThreadPool::Instance(kCompressPool);
  if (!pool || !pool->Post(std::move(job), std::make_unique<CCompressItem>())) {
    fotaro::Log("CSlientUploader::UploadOneFile", "the compression pool refused %s", path);
  }
}

void CSlientUploader::ParseUploadMsg(const UploadNotifyMsg& message) {
  if (m_bClosing.load()) return;
  const auto* value = std::get_if<int64_t>(&message.param);
  switch (message.nCode) {
    case ULSTRATEGY_UPLOAD_START:
      if (IsCurrent(message.strFile)) Send(CM_SLIENTUPLOADER_STARTUPLOAD, 0, std::make_unique<SilentText>(message.strFile));
      break;
    case ULSTRATEGY_UPLOAD_PROGRESS:
      if (value && IsCurrent(message.strFile)) {
        fotaro::Log(kScope, "ULSTRATEGY_UPLOAD_PROGRESS Pos : %d", static_cast<int>(*value));
        Send(CM_SLIENTUPLOADER_PROGRESS, static_cast<platform::LPARAM>(*value));
      }
      break;
    case ULSTRATEGY_UPLOAD_RESULT:
      OnResult(message);
      break;
    case ULMGR_COMPRESS_FAILED:
      // 0: the queue refused the photo because the batch ended; that is not a failure of the photo.
      if (value && *value != 0) {
        const int32_t code = static_cast<int32_t>(*value);
        OnFailedBeforeUpload(message.strFile, code, CompressFailureReason(code));
      }
      break;
    case ULMGR_COMPRESS_DONE:
      if (value && *value != 0) {
        Send(CM_SLIENTUPLOADER_ERROR, 0, std::make_unique<SilentText>(FormatCode(IDS_SILENT_COMPRESS_ERROR, *value)));
        Finish();
      }
      break;
    case ULMGR_UPLOAD_STARTED:
      // The upload did not start (a setting is missing): no result follows.
      if (value && *value != 0) OnFailedBeforeUpload(message.strFile, static_cast<int32_t>(*value), u"");
      break;
    default:
      break;
  }
}

void CSlientUploader::OnResult(const UploadNotifyMsg& message) {
  const auto* result = std::get_if<UploadInfo>(&message.param);
  const std::shared_ptr<CULStrategy> strategy = TakeStrategy(message.strFile);
  if (!result || !strategy) return;
  strategy->Cancel();
  strategy->ResetOwner();
  if (!RemoveRecord(message.strFile)) return;
  Send(CM_SLIENTUPLOADER_UPLOADRESULT, 0, std::make_unique<SilentText>(ServerAnswer(message.strFile, *result)));

  if (result->nResult == 0 || result->nResult == kAlbumFull) {
    bool running;
    {
      Lock lock(m_mapLock);
      if (m_pKernelInfo && result->nResult == kAlbumFull && !result->strAlbumId.empty()) {
        m_pKernelInfo->m_strExtendID = result->strAlbumId;
        m_pKernelInfo->m_nPhotoCount = 1;
      }
      if (m_pKernelInfo) ++m_pKernelInfo->m_nPhotoCount;
      running = m_bRunning;
    }
    if (running) StartUpload(false);
  } else if (result->nResult < kLastWaitingResult) {
    Finish();
  }
}

void CSlientUploader::OnFailedBeforeUpload(const std::u16string& path, int32_t code, const std::u16string& reason) {
  const std::shared_ptr<CULStrategy> strategy = TakeStrategy(path);
  if (!strategy) return;  // not a file of the running batch
  strategy->ResetOwner();
  RemoveRecord(path);
  Send(CM_SLIENTUPLOADER_UPLOADRESULT, 0, std::make_unique<SilentText>(FailureAnswer(path, code, reason)));
  bool nothingPending;
  {
    Lock lock(m_mapLock);
    nothingPending = m_pending.empty();
  }
  if (nothingPending) Finish();
}

bool CSlientUploader::IsCurrent(const std::u16string& path) const {
  Lock lock(m_mapLock);
  return m_strategies.count(path) > 0;
}

std::shared_ptr<CULStrategy> CSlientUploader::TakeStrategy(const std::u16string& path) {
  Lock lock(m_mapLock);
  const auto it = m_strategies.find(path);
  if (it == m_strategies.end()) return nullptr;
  std::shared_ptr<CULStrategy> strategy = std::move(it->second);
  m_strategies.erase(it);
  return strategy;
}

bool CSlientUploader::RemoveRecord(const std::u16string& path) {
  CULData* queue = m_pULData.load();
  const std::optional<UploadInfo> record = queue ? queue->GetInfo(path) : std::nullopt;
  if (!record) return false;
  queue->RemoveInfo(path);
  CCompressItem::DeleteOutputs(record->vecParts);
  return true;
}

bool CSlientUploader::IsRunning() const {
  Lock lock(m_mapLock);
  return m_bRunning;
}

JobAccount CSlientUploader::GetJobAccount() {
  Lock lock(m_mapLock);
  return m_pKernelInfo ? ReadJobAccount(*m_pKernelInfo) : JobAccount{};
}

void CSlientUploader::Send(platform::WPARAM code, platform::LPARAM value, std::unique_ptr<platform::MessagePayload> payload) {
  const platform::HWND window = m_hNotifyWnd.load();
  if (platform::IsWindow(window)) platform::SendMessage(window, CM_SILENTUPLOADER, code, value, std::move(payload));
}
