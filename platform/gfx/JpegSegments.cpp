#include "platform/gfx/JpegSegments.h"

namespace platform::gfx {

namespace {

constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kEndOfImage = 0xD9;
// Fill bytes (0xFF) allowed before a marker; more means the file is not a JPEG stream.
constexpr int kMaxFillBytes = 64;

// Markers that stand alone, without a length field: TEM and the restart markers.
constexpr bool IsStandalone(uint8_t marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

}  // namespace

bool WalkJpegSegments(const ByteSource& source, const std::function<bool(const JpegSegment&)>& visit) {
  uint8_t bytes[2];
  if (!source.ReadExact(0, bytes, 2) || bytes[0] != 0xFF || bytes[1] != 0xD8) return false;
  uint64_t position = 2;
  for (;;) {
    // A marker is one or more 0xFF bytes followed by the marker code.
    uint8_t byte = 0;
    if (!source.ReadExact(position++, &byte, 1) || byte != 0xFF) return false;
    int fill = 0;
    do {
      if (!source.ReadExact(position++, &byte, 1) || ++fill > kMaxFillBytes) return false;
    } while (byte == 0xFF);
    const uint8_t marker = byte;
    if (IsStandalone(marker)) continue;
    if (marker == kEndOfImage || marker == 0x00) return false;
    if (!source.ReadExact(position, bytes, 2)) return false;
    const uint32_t length = (uint32_t{bytes[0]} << 8) | bytes[1];
    if (length < 2 || position + length > source.size()) return false;
    const JpegSegment segment{marker, position + 2, length - 2};
    if (!visit(segment) || marker == kStartOfScan) return true;
    position += length;
  }
}

}  // namespace platform::gfx
