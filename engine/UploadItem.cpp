#include "engine/UploadItem.h"

#include "engine/CompressItem.h"
#include "engine/ULStrategy.h"

namespace {

// Account codes of the upload job.
enum : int32_t { kNoUin = 1003, kNoKey = 1004, kNoAlbum = 1005, kNoUrl = 1006 };

int32_t CheckAccount(const JobAccount& account) {
  int32_t code = 0;
  if (account.strUin.empty()) code = kNoUin;
  if (account.strKey.empty()) code = kNoKey;
  if (account.strExtendID.empty() || account.strExtentStr.empty()) code = kNoAlbum;
  if (account.strURL.empty()) code = kNoUrl;
  return code;
}

}  // namespace

void CUploadItem::Run(WorkerData* data) {
  auto* job = static_cast<CompressJob*>(data);
  if (job->pCancelled && job->pCancelled->load()) return;
  const JobAccount account = job->pOwner->GetJobAccount();
  int32_t code = CheckAccount(account);
  if (code == 0) {
    code = job->pStrategy->Upload(job->strTitle, job->strFileKey, account.strURL, account.strUin, account.strKey,
                                  account.strExtendID, account.strExtentStr, account.nPhotoCount, job->nUploadTime);
  }
  job->Notify(ULMGR_UPLOAD_STARTED, code);
}
