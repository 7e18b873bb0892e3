#pragma once
// CSaveFile: the file an HTTP answer is saved to, written through a 512 KiB write cache so that
// the answer's small blocks reach the disk in large writes.

#include <cstddef>
#include <memory>
#include <string>

class CSaveFile {
 public:
  static constexpr size_t kCacheSize = 524288;

  CSaveFile() = default;
  CSaveFile(const CSaveFile&) = delete;
  CSaveFile& operator=(const CSaveFile&) = delete;
  ~CSaveFile() { Close(); }

  // Opens `path` for writing, creating it when it does not exist (an existing file keeps its
  // content until Truncate). False with errno set when it cannot be opened.
  bool Open(const std::string& path);
  // Empties the file before an answer is written into it.
  bool Truncate();
  // Appends through the cache; false when a write to the file failed.
  bool Append(const char* data, size_t size);
  // Writes what the cache holds; false when the write failed.
  bool Flush();
  // Closes the file without writing the cache.
  void Close();

  int Handle() const { return m_hFile; }
  // Created or emptied since ClearTouched: it no longer holds what it held before.
  bool Touched() const { return m_bTouched; }
  void ClearTouched() { m_bTouched = false; }

 private:
  int m_hFile = -1;
  bool m_bTouched = false;
  std::unique_ptr<char[]> m_pCache;  // allocated on first use, freed by Close
  size_t m_nCached = 0;
};
