#include "engine/CompressItem.h"

#include <unistd.h>

#include "control/services/Folders.h"
#include "control/services/Log.h"
#include "engine/SendNotifyItem.h"
#include "engine/ThreadPool.h"
#include "engine/ULData.h"
#include "engine/UploadItem.h"
#include "imaging/ULKernel.h"
#include "platform/CodePage.h"

namespace {

constexpr int kUploadPool = 0;
// Code 6 params of the job itself; other values are the pipeline's codes.
constexpr int64_t kRefused = 0;
constexpr int64_t kNoOutput = 2;

bool Cancelled(const CompressJob& job) { return job.pCancelled && job.pCancelled->load(); }

}  // namespace

void CompressJob::Notify(int32_t code, int64_t param) const {
  UploadNotifyHandle message = MakeNotify(strFileKey, code, param);
  message->nJob = nJob;
  PostNotify(pOwner, std::move(message));
}

void CCompressItem::Run(WorkerData* data) {
  auto* job = static_cast<CompressJob*>(data);
  std::vector<CompressedFileInfo> outputs;
  const auto refuse = [&] {
    DeleteOutputs(outputs);
    job->Notify(ULMGR_COMPRESS_FAILED, kRefused);
  };
  if (Cancelled(*job)) return refuse();
  const int32_t code = job->pKernelInfo->CompressFile(job->strFileKey, job->strOrgFile, &outputs, job->pOwner);
  // The photos handed over before this one move on first; a cancel lets every waiting job go.
  if (job->pTurn) job->pTurn->Wait();
  if (Cancelled(*job)) return refuse();
  if (code != CULKernel::kCompressOk || outputs.empty()) {
    DeleteOutputs(outputs);
    job->Notify(ULMGR_COMPRESS_FAILED, code != CULKernel::kCompressOk ? code : kNoOutput);
    return;
  }
  // Blocks until the queue has a slot for the photo (or is stopped).
  if (!job->pULData->AddFile(job->strFileKey, job->strOrgFile, outputs)) return refuse();
  // A cancel that cleared the queue just before the photo was admitted does not see it: the job
  // takes it out again itself.
  if (Cancelled(*job)) {
    job->pULData->RemoveInfo(job->strFileKey);
    return refuse();
  }
  job->Notify(ULMGR_COMPRESS_DONE, 0);
  auto pool = OrniFotaro::CThreadPool::Instance(kUploadPool);
  if (!pool || !pool->Post(std::make_unique<CompressJob>(*job), std::make_unique<CUploadItem>())) {
    fotaro::Log("CCompressItem::Run", "the upload pool refused the job of %s", job->strFileKey);
  }
}

void CCompressItem::DeleteOutputs(const std::vector<CompressedFileInfo>& outputs) {
  // Outputs are made in the working folder; nothing outside it is ever deleted here.
  const std::u16string folder = fotaro::GetWorkingFolder(false);
  if (folder.empty()) return;
  for (const CompressedFileInfo& output : outputs) {
    if (output.strFilePath.compare(0, folder.size() + 1, folder + u"/") == 0) {
      unlink(platform::PathBytes(output.strFilePath).c_str());
    }
  }
}
