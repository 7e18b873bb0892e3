#include "net/SaveFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/FileOps.h"

bool CSaveFile::Open(const std::string& path) {
  Close();
  m_hFile = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (m_hFile >= 0) {
    m_bTouched = true;
  } else if (errno == EEXIST) {
    m_hFile = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  }
  return m_hFile >= 0;
}

bool CSaveFile::Truncate() {
  m_nCached = 0;
  if (ftruncate(m_hFile, 0) != 0) return false;
  m_bTouched = true;
  return true;
}

bool CSaveFile::Append(const char* data, size_t size) {
  if (m_nCached + size > kCacheSize && !Flush()) return false;
  if (size > kCacheSize) return platform::WriteAll(m_hFile, data, size);
  if (!m_pCache) m_pCache = std::make_unique<char[]>(kCacheSize);
  std::memcpy(m_pCache.get() + m_nCached, data, size);
  m_nCached += size;
  return true;
}

bool CSaveFile::Flush() {
  const bool ok = m_nCached == 0 || platform::WriteAll(m_hFile, m_pCache.get(), m_nCached);
  m_nCached = 0;
  return ok;
}

void CSaveFile::Close() {
  if (m_hFile >= 0) close(m_hFile);
  m_hFile = -1;
  m_pCache.reset();
  m_nCached = 0;
}
