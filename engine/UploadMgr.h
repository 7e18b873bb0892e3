#pragma once
// CUploadMgr: runs the upload batches of one uploader frame.
//
// The frame hands it the settings (the image kernel), the upload queue and its own window, then a
// list of files, and starts the batch. The manager hands the files to compression in list order,
// as many at a time as its look-ahead allows (SetCompressAhead; 1, the default, hands on the next
// file once the previous has been compressed or has failed). Photos compressed in parallel still
// enter the upload queue, and report their outcome, in list order (engine/CompressAhead.h). Each
// compressed photo waits in the queue for a slot and is uploaded by its own strategy, so uploads
// overlap up to the queue's size. Every notification of the photos reaches the manager on the
// notification pool; it keeps the batch's counters and its error list and tells the frame with
// CM_UPLOADMGR messages (engine/UploadMgrMessage.h).
//
// A batch begins with PrepareUpload (or RestartUpload) and StartUpload, and ends, unless it is
// stopped, with exactly one UPLOADMGR_BATCH_FAILED (106) or UPLOADMGR_BATCH_DONE (107): once every
// file of the list has its outcome, a result, a failure before the upload, or a skip because it
// already failed in an earlier batch (a file whose earlier error is an upload time-out, -101, is
// tried again). Notifications of one photo may arrive in any order; each photo counts once.
//
// A photo whose attempt fails is tried again on the same strategy while its record has retries
// left (an answer that must not be retried leaves none, see UploadAnswer.h); only its final result
// is passed on to the frame and counted. A result -301 (the album is full; the photo went to a new
// one) moves the photos after it to the album it names, with the photo count starting again.
//
// Locks: the batch lock (re-entrant) guards the list, the position, the strategies, the photos in
// compression, the end of the batch, and the account fields of the settings that results change;
// the error lock (engine/BatchErrors.h) guards the error list. The error lock is only ever taken
// inside the batch lock or alone. The counters are atomic, so the frame may read them at any time.
//
// Threads: the frame's operations on the frame's thread; notifications on the notification pool.
// The window belongs to the thread that creates it (the frame's). Before the manager goes it
// cancels its strategies and waits for the jobs and notifications still on their way to it.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/BatchErrors.h"
#include "engine/CompressAhead.h"
#include "engine/CompressItem.h"
#include "engine/UploadJobOwner.h"
#include "platform/win/Window.h"

class CULKernel;
class CULStrategy;

// One file of a batch.
struct UploadFileEntry {
  std::u16string strFile;      // the photo's title (the upload title); empty in rebuilt entries
  std::u16string strOrgFile;   // the file as the user chose it
  std::u16string strTempFile;  // a prepared copy (a rotated one, say); may be empty
};

class CUploadMgr : public platform::Window, public CUploadJobOwner {
 public:
  // m_nState
  enum : int32_t { kStateIdle = 0, kStateUploading = 1, kStateHalted = 4 };
  // The error code of a photo that failed before its upload.
  static constexpr int32_t kCompressError = -100;

  CUploadMgr();
  ~CUploadMgr() override;

  void SetKernelInfo(CULKernel* kernel) { m_pKernelInfo = kernel; }
  void SetULData(CULData* queue) { m_pULData = queue; }
  void SetNotifyWnd(platform::HWND window) { m_hNotifyWnd.store(window); }

  // The batch: replaces the list; then zeroes the counters and the error list and sizes the batch.
  void SetUploadFiles(const std::vector<UploadFileEntry>& files);
  void PrepareUpload();
  // Tells the control how many files come from the cloud-disk folder (data report 5) and from
  // removable drives (data report 6), then StartUpload.
  void StartUploadWithReport();
  // Hands the next files to compression, skipping files that already failed, until the look-ahead
  // is full (the outcome of a photo in compression starts the next). With an empty list it only
  // posts 106. Does nothing once the batch has ended.
  void StartUpload();
  // Starts the list again from its first file, with the counters zeroed and the errors kept.
  void RestartUpload();
  // Turns the error list into the new list of files (and empties it).
  void RetryFailed();
  // Resumes a halted batch.
  void UploadNext();
  // Stops a running batch: posts 101 and cancels it. Does nothing while idle.
  void StopUpload();
  // Cancels every photo of the batch: nothing more is counted or posted for them.
  void CancelUpload();
  // Cancels the batch and waits until the jobs and notifications already on their way to the
  // manager have run: it receives nothing afterwards. The destructor does it too; a frame does it
  // before it frees the thread pools, which those jobs run on.
  void Shutdown();
  // Halts the batch: photos in flight finish, no new one is started (the frame resumes it).
  void SetAlbumFull() { m_nState.store(kStateHalted); }
  // How many photos may be in compression at once (at least 1; 1 by default): the next ones are
  // compressed while earlier ones wait for a queue slot or upload. Takes effect as files are
  // handed to compression.
  void SetCompressAhead(int count);

  bool IsUploading() const { return m_nState.load() == kStateUploading; }
  bool IsAlbumFull() const { return m_nState.load() == kStateHalted; }
  bool IsAllSucceeded() const;
  bool IsBatchFinished() const;
  int GetErrorCount() const;
  std::vector<UploadErrorInfo> GetErrors() const;
  // The chosen file at the current position (the earliest photo still in compression, else the
  // next to hand over), or "" past the end.
  std::u16string GetCurrentFile();
  int32_t GetState() const { return m_nState.load(); }
  int32_t GetCompleteCount() const { return m_nComplete.load(); }
  int32_t GetSuccessCount() const { return m_nSuccess.load(); }
  int32_t GetCompressErrorCount() const { return m_nCompressError.load(); }
  int32_t GetTotalCount() const { return m_nTotalCount.load(); }
  uint32_t GetTotalSizeKB() const { return m_nTotalSizeKB.load(); }

  // Settings: the spec table and the watermark switch go on to the kernel; the server time
  // (seconds, > 0) is kept here and counted down by one for each file, as the file's upload time.
  void SetSizeLimits(const char16_t* bigPic, const char16_t* thumbs);
  void SetWaterMark(int32_t waterMark);
  bool SetSvrTime(int32_t seconds);

  // CUploadEventReceiver
  void OnUploadNotify(const UploadNotifyHandle& message) override;
  CULData* GetULData() override { return m_pULData; }
  // CUploadJobOwner
  JobAccount GetJobAccount() override;

  // The window handles only WM_DESTROY, which empties the list.
  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

 private:
  // A file that has been handed to compression: what a further attempt needs.
  struct StartedFile {
    std::shared_ptr<CULStrategy> pStrategy;
    std::u16string strTitle;
    std::u16string strOrgFile;
    int32_t nUploadTime = 0;
    uint64_t nJob = 0;  // the stamp of its jobs
  };

  // A new batch: position and counters at 0 (under the batch lock).
  void ResetCounters();
  // Hands the file at m_nUploadNo to compression and moves the position on.
  void UploadOneFile();
  std::unique_ptr<CompressJob> MakeJob(const std::u16string& fileKey, const StartedFile& file);
  void OnUploadResult(const UploadNotifyMsg& message);
  void OnCompressFailed(const UploadNotifyMsg& message);
  void OnCompressed(const UploadNotifyMsg& message);
  void OnUploadStarted(const UploadNotifyMsg& message);
  // Counts the final result of a photo that is in the queue and lets the photo go.
  void FinishFile(const std::u16string& fileKey, const UploadInfo& record, const UploadInfo& result);
  void Summary(const UploadInfo& result);
  // The album the batch continues in after a result, and the photo count.
  void TakeAlbum(const UploadInfo& result);
  void ReleaseUploader(const std::u16string& fileKey);
  // The end of the batch, once every file has its outcome. `tag` names the end in the log.
  void FinishIfDone(int tag);
  void Post(int32_t code, std::unique_ptr<platform::MessagePayload> payload = nullptr);
  void Forward(const UploadNotifyMsg& message);

  CULKernel* m_pKernelInfo = nullptr;
  CULData* m_pULData = nullptr;
  std::vector<UploadFileEntry> m_vecUploadFiles;
  std::map<std::u16string, StartedFile> m_mapStrategies;  // file key -> its strategy
  CCompressAhead m_compressing;                           // photos in compression, until 6 or 7
  std::atomic<int32_t> m_nState{kStateIdle};
  std::atomic<platform::HWND> m_hNotifyWnd{nullptr};
  int32_t m_nUploadNo = 0;  // the next file of the list to hand to compression
  std::atomic<int32_t> m_nComplete{0};       // photos with a final result
  std::atomic<int32_t> m_nSuccess{0};        // of those, accepted ones
  std::atomic<int32_t> m_nCompressError{0};  // photos that failed before their upload
  std::atomic<int32_t> m_nSkipped{0};        // files skipped because they had failed before
  std::atomic<int32_t> m_nTotalCount{0};
  std::atomic<uint32_t> m_nTotalSizeKB{0};
  bool m_bBatchEnded = false;  // 106 or 107 has been posted for the batch
  CancelFlag m_pCancelled;     // set for the jobs of the batch when it is cancelled
  int32_t m_nSvrTime = 0;
  mutable std::recursive_mutex m_batchLock;
  CBatchErrors m_errorinfo;
};
