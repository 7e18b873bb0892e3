#pragma once
// Random-access byte input for the codecs and header readers: a file read with small positioned
// reads, or a block of memory. Readers that need only a few kilobytes of a large photo (headers,
// the EXIF block) use a FileSource; decoders read the whole file once and work from memory.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::gfx {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Copies up to `size` bytes starting at `offset`; returns how many were copied (short at the end).
  virtual size_t ReadAt(uint64_t offset, void* buffer, size_t size) const = 0;
  virtual uint64_t size() const = 0;
  // True when exactly `size` bytes could be read at `offset`.
  bool ReadExact(uint64_t offset, void* buffer, size_t size) const { return ReadAt(offset, buffer, size) == size; }
};

class MemorySource : public ByteSource {
 public:
  MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t ReadAt(uint64_t offset, void* buffer, size_t size) const override;
  uint64_t size() const override { return size_; }

 private:
  const uint8_t* data_;
  size_t size_;
};

// A file opened for reading; closed when the object goes. A file that cannot be opened (or is not
// a regular file) leaves is_open() false and reads nothing.
class FileSource : public ByteSource {
 public:
  explicit FileSource(const std::string& path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  bool is_open() const { return fd_ >= 0; }
  size_t ReadAt(uint64_t offset, void* buffer, size_t size) const override;
  uint64_t size() const override { return size_; }

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
};

// A file whose first bytes are read at once and kept: the header readers walk a photo's segments
// with many small reads, which then cost no system call each. Reads past the kept bytes go to
// the file.
class BufferedFileSource : public ByteSource {
 public:
  static constexpr size_t kDefaultHeadBytes = 64 * 1024;  // a camera's EXIF block fits

  explicit BufferedFileSource(const std::string& path, size_t headBytes = kDefaultHeadBytes);

  bool is_open() const { return file_.is_open(); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t size) const override;
  uint64_t size() const override { return file_.size(); }

 private:
  FileSource file_;
  std::vector<uint8_t> head_;
};

// The largest file a decoder reads into memory (a camera photo is a few tens of megabytes).
constexpr uint64_t kMaxImageFileBytes = uint64_t{1} << 30;

// Reads a whole regular file of at most kMaxImageFileBytes; false when it cannot.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* out);

}  // namespace platform::gfx
