#pragma once
// A walker over the marker segments of a JPEG file, from the start of image up to the start of
// scan. It reads only the segment headers, so it costs a few small reads however large the photo.

#include <cstdint>
#include <functional>

#include "platform/gfx/ByteSource.h"

namespace platform::gfx {

struct JpegSegment {
  uint8_t marker;   // the byte after 0xFF, e.g. 0xE1 for APP1
  uint64_t offset;  // where the segment's data starts (after its two length bytes)
  uint32_t length;  // bytes of data, without the length field
};

constexpr bool IsJpegStartOfFrame(uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Calls `visit` for every segment that has a length field, in file order, until `visit` returns
// false or the start of scan (0xDA, which is visited too) is reached. Returns false when the
// source does not start with a JPEG start-of-image marker, or a segment runs past the end, or an
// end-of-image marker comes before any scan.
bool WalkJpegSegments(const ByteSource& source, const std::function<bool(const JpegSegment&)>& visit);

}  // namespace platform::gfx
