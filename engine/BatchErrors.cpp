#include "engine/BatchErrors.h"

#include <algorithm>

#include "engine/PathFold.h"

namespace {

using ErrorLock = std::lock_guard<std::mutex>;

bool IsOf(const UploadErrorInfo& error, const std::u16string& orgFile, const std::u16string& fileKey) {
  return EqualsFolded(error.strFile, orgFile) || EqualsFolded(error.strFile, fileKey);
}

}  // namespace

void CBatchErrors::Add(UploadErrorInfo error) {
  ErrorLock lock(m_errorLock);
  m_errorinfo.push_back(std::move(error));
}

void CBatchErrors::Clear() {
  ErrorLock lock(m_errorLock);
  m_errorinfo.clear();
}

bool CBatchErrors::IsEmpty() const {
  ErrorLock lock(m_errorLock);
  return m_errorinfo.empty();
}

int CBatchErrors::GetCount() const {
  ErrorLock lock(m_errorLock);
  return static_cast<int>(m_errorinfo.size());
}

std::vector<UploadErrorInfo> CBatchErrors::Get() const {
  ErrorLock lock(m_errorLock);
  return m_errorinfo;
}

std::vector<UploadErrorInfo> CBatchErrors::Take() {
  ErrorLock lock(m_errorLock);
  std::vector<UploadErrorInfo> errors;
  errors.swap(m_errorinfo);
  return errors;
}

bool CBatchErrors::HasFailed(const std::u16string& orgFile, const std::u16string& fileKey) const {
  ErrorLock lock(m_errorLock);
  return std::any_of(m_errorinfo.begin(), m_errorinfo.end(), [&](const UploadErrorInfo& error) {
    return error.nCode != kUploadTimeout && IsOf(error, orgFile, fileKey);
  });
}

void CBatchErrors::Forget(const std::u16string& orgFile, const std::u16string& fileKey) {
  ErrorLock lock(m_errorLock);
  m_errorinfo.erase(std::remove_if(m_errorinfo.begin(), m_errorinfo.end(),
                                   [&](const UploadErrorInfo& error) { return IsOf(error, orgFile, fileKey); }),
                    m_errorinfo.end());
}
