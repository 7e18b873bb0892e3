#pragma once
// CBatchErrors: the upload manager's list of failed files (m_errorinfo) and the error lock that
// guards it. Every operation takes the lock itself; the manager may call them inside its batch
// lock, never the other way round.
//
// Files are matched by path with the ASCII capitals folded to lower case (engine/PathFold.h),
// against both the file the user chose and the file key (a prepared copy when there is one).

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// One failed file.
struct UploadErrorInfo {
  int32_t nCode = 0;           // -100 for a failure before the upload, else the result
  std::u16string strFile;      // the chosen file (failures before upload) or the file key
  std::u16string strTempFile;
  std::u16string strReason;
};

class CBatchErrors {
 public:
  // The result of an upload that timed out: a file that failed so is tried again.
  static constexpr int32_t kUploadTimeout = -101;

  void Add(UploadErrorInfo error);
  void Clear();
  bool IsEmpty() const;
  int GetCount() const;
  std::vector<UploadErrorInfo> Get() const;
  // Empties the list and returns what it held.
  std::vector<UploadErrorInfo> Take();
  // True when the file (chosen as `orgFile`, keyed `fileKey`) failed for good in an earlier batch:
  // with any code other than kUploadTimeout.
  bool HasFailed(const std::u16string& orgFile, const std::u16string& fileKey) const;
  // Drops the earlier errors of a file that is tried again.
  void Forget(const std::u16string& orgFile, const std::u16string& fileKey);

 private:
  mutable std::mutex m_errorLock;  // the error lock: guards m_errorinfo
  std::vector<UploadErrorInfo> m_errorinfo;
};
