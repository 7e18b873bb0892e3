#include "tests/support/ExifBuilder.h"

#include <algorithm>

namespace fotaro::test {

namespace {
constexpr uint16_t kShort = 3, kLong = 4, kRational = 5, kAscii = 2;
constexpr uint16_t kExifPointer = 0x8769, kGpsPointer = 0x8825;
}  // namespace

ExifBuilder& ExifBuilder::Ascii(Ifd ifd, uint16_t tag, const std::string& text) {
  std::vector<uint8_t> value(text.begin(), text.end());
  value.push_back(0);
  const auto count = static_cast<uint32_t>(value.size());
  return Raw(ifd, tag, kAscii, count, std::move(value));
}

ExifBuilder& ExifBuilder::Short(Ifd ifd, uint16_t tag, uint16_t value) {
  return Raw(ifd, tag, kShort, 1, Bytes16(value));
}

ExifBuilder& ExifBuilder::Long(Ifd ifd, uint16_t tag, uint32_t value) { return Raw(ifd, tag, kLong, 1, Bytes32(value)); }

ExifBuilder& ExifBuilder::Rationals(Ifd ifd, uint16_t tag, const std::vector<std::pair<int32_t, int32_t>>& values) {
  std::vector<uint8_t> bytes;
  for (const auto& [numerator, denominator] : values) {
    for (uint32_t part : {static_cast<uint32_t>(numerator), static_cast<uint32_t>(denominator)}) {
      const std::vector<uint8_t> b = Bytes32(part);
      bytes.insert(bytes.end(), b.begin(), b.end());
    }
  }
  const auto count = static_cast<uint32_t>(values.size());
  return Raw(ifd, tag, kRational, count, std::move(bytes));
}

ExifBuilder& ExifBuilder::Raw(Ifd ifd, uint16_t tag, uint16_t format, uint32_t count, std::vector<uint8_t> value) {
  entries_[ifd].push_back({tag, format, count, std::move(value)});
  return *this;
}

ExifBuilder& ExifBuilder::Thumbnail(std::vector<uint8_t> jpeg) {
  thumbnail_ = std::move(jpeg);
  return *this;
}

ExifBuilder& ExifBuilder::FirstDirectoryOffset(uint32_t offset) {
  firstOffset_ = offset;
  return *this;
}

std::vector<uint8_t> ExifBuilder::Bytes16(uint16_t value) const {
  std::vector<uint8_t> out(2);
  Put16(&out, 0, value);
  return out;
}

std::vector<uint8_t> ExifBuilder::Bytes32(uint32_t value) const {
  std::vector<uint8_t> out(4);
  Put32(&out, 0, value);
  return out;
}

void ExifBuilder::Put16(std::vector<uint8_t>* out, size_t at, uint16_t value) const {
  (*out)[at + (bigEndian_ ? 0 : 1)] = static_cast<uint8_t>(value >> 8);
  (*out)[at + (bigEndian_ ? 1 : 0)] = static_cast<uint8_t>(value);
}

void ExifBuilder::Put32(std::vector<uint8_t>* out, size_t at, uint32_t value) const {
  Put16(out, at + (bigEndian_ ? 0 : 2), static_cast<uint16_t>(value >> 16));
  Put16(out, at + (bigEndian_ ? 2 : 0), static_cast<uint16_t>(value));
}

std::vector<uint8_t> ExifBuilder::Build() const {
  // Directories in file order: main, EXIF, GPS, thumbnail. The pointer entries to the EXIF and
  // GPS directories and the preview's location are added here, once the layout is known.
  std::vector<Entry> dirs[4] = {entries_[0], entries_[1], entries_[2], entries_[3]};
  if (!dirs[kExif].empty()) dirs[kMain].push_back({kExifPointer, kLong, 1, {}});
  if (!dirs[kGps].empty()) dirs[kMain].push_back({kGpsPointer, kLong, 1, {}});
  if (!thumbnail_.empty()) {
    dirs[kThumbnail].push_back({0x0201, kLong, 1, {}});
    dirs[kThumbnail].push_back({0x0202, kLong, 1, Bytes32(static_cast<uint32_t>(thumbnail_.size()))});
  }
  uint32_t dirOffset[4] = {};
  uint32_t position = firstOffset_;
  for (int d = 0; d < 4; ++d) {
    if (d != kMain && dirs[d].empty()) continue;
    dirOffset[d] = position;
    position += 2 + 12 * static_cast<uint32_t>(dirs[d].size()) + 4;
  }
  std::vector<uint8_t> tiff(position);
  tiff[0] = tiff[1] = bigEndian_ ? 'M' : 'I';
  Put16(&tiff, 2, 42);
  Put32(&tiff, 4, firstOffset_);
  const uint32_t thumbnailAt = position;  // the preview goes first in the data area
  tiff.insert(tiff.end(), thumbnail_.begin(), thumbnail_.end());
  for (int d = 0; d < 4; ++d) {
    if (d != kMain && dirs[d].empty()) continue;
    const uint32_t at = dirOffset[d];
    Put16(&tiff, at, static_cast<uint16_t>(dirs[d].size()));
    for (size_t i = 0; i < dirs[d].size(); ++i) {
      const Entry& entry = dirs[d][i];
      const size_t e = at + 2 + 12 * i;
      Put16(&tiff, e, entry.tag);
      Put16(&tiff, e + 2, entry.format);
      Put32(&tiff, e + 4, entry.count);
      if (d == kMain && entry.value.empty() && entry.tag == kExifPointer) {
        Put32(&tiff, e + 8, dirOffset[kExif]);
      } else if (d == kMain && entry.value.empty() && entry.tag == kGpsPointer) {
        Put32(&tiff, e + 8, dirOffset[kGps]);
      } else if (d == kThumbnail && entry.value.empty() && entry.tag == 0x0201) {
        Put32(&tiff, e + 8, thumbnailAt);
      } else if (entry.value.size() <= 4) {
        std::copy(entry.value.begin(), entry.value.end(), tiff.begin() + static_cast<long>(e + 8));
      } else {
        Put32(&tiff, e + 8, static_cast<uint32_t>(tiff.size()));
        tiff.insert(tiff.end(), entry.value.begin(), entry.value.end());
        if (tiff.size() % 2) tiff.push_back(0);
      }
    }
    // Only the main directory links on, to the thumbnail directory.
    if (d == kThumbnail) Put32(&tiff, dirOffset[kMain] + 2 + 12 * dirs[kMain].size(), at);
  }
  std::vector<uint8_t> block = {'E', 'x', 'i', 'f', 0, 0};
  block.insert(block.end(), tiff.begin(), tiff.end());
  return block;
}

}  // namespace fotaro::test
