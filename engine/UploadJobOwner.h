#pragma once
// CUploadJobOwner: the uploader that posts compression and upload jobs (the upload manager, the
// silent uploader). Besides receiving the notifications it hands the upload job the account of
// each request.

#include <cstdint>
#include <string>

#include "control/settings/ULKernelInfo.h"
#include "engine/UploadEventReceiver.h"

// The settings an upload request is sent with.
struct JobAccount {
  std::u16string strUin;
  std::u16string strKey;
  std::u16string strExtendID;
  std::u16string strExtentStr;
  std::u16string strURL;
  int32_t nPhotoCount = 0;
};

// The account fields of `settings`, copied.
inline JobAccount ReadJobAccount(const CULKernel_Info& settings) {
  return JobAccount{settings.m_strUin,       settings.m_strKey, settings.m_strExtendID,
                    settings.m_strExtentStr, settings.m_strURL, settings.m_nPhotoCount};
}

class CUploadJobOwner : public CUploadEventReceiver {
 public:
  // The account of the next request, read under the owner's own lock: the owner changes the album
  // and the photo count when a result moves the batch to a new album, while other uploads start.
  virtual JobAccount GetJobAccount() = 0;
};
