#pragma once
// An EXIF block builder for tests: it writes either byte order by hand, so that tests can also
// make blocks that are wrong on purpose.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace fotaro::test {

class ExifBuilder {
 public:
  enum Ifd { kMain, kExif, kGps, kThumbnail };

  explicit ExifBuilder(bool bigEndian) : bigEndian_(bigEndian) {}

  ExifBuilder& Ascii(Ifd ifd, uint16_t tag, const std::string& text);  // count includes the NUL
  ExifBuilder& Short(Ifd ifd, uint16_t tag, uint16_t value);
  ExifBuilder& Long(Ifd ifd, uint16_t tag, uint32_t value);
  ExifBuilder& Rationals(Ifd ifd, uint16_t tag, const std::vector<std::pair<int32_t, int32_t>>& values);
  // Any entry; `value` is already in the block's byte order (see Bytes16/Bytes32).
  ExifBuilder& Raw(Ifd ifd, uint16_t tag, uint16_t format, uint32_t count, std::vector<uint8_t> value);
  // An embedded preview: the thumbnail directory gets 0x0201/0x0202 and the bytes follow.
  ExifBuilder& Thumbnail(std::vector<uint8_t> jpeg);
  // Where the first directory starts (8 unless set; the gap is filled with zeros).
  ExifBuilder& FirstDirectoryOffset(uint32_t offset);

  std::vector<uint8_t> Bytes16(uint16_t value) const;
  std::vector<uint8_t> Bytes32(uint32_t value) const;

  // The APP1 segment data: "Exif\0\0" and the TIFF block.
  std::vector<uint8_t> Build() const;

 private:
  struct Entry {
    uint16_t tag;
    uint16_t format;
    uint32_t count;
    std::vector<uint8_t> value;
  };
  void Put16(std::vector<uint8_t>* out, size_t at, uint16_t value) const;
  void Put32(std::vector<uint8_t>* out, size_t at, uint32_t value) const;

  bool bigEndian_;
  uint32_t firstOffset_ = 8;
  std::vector<Entry> entries_[4];
  std::vector<uint8_t> thumbnail_;
};

}  // namespace fotaro::test
