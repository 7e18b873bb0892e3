#include "platform/gfx/BmpCodec.h"

#include <algorithm>
#include <vector>

namespace platform::gfx {

namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;  // OS/2 1.x: 16-bit sides, 3-byte palette entries
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) { return Le16(p) | (uint32_t{Le16(p + 2)} << 16); }

// One colour channel described by a bit mask, scaled to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;

  explicit Channel(uint32_t m) : mask(m) {
    if (!mask) return;
    while (!((mask >> shift) & 1)) ++shift;
    max = mask >> shift;
  }
  uint32_t Extract(uint32_t value) const {
    return max ? static_cast<uint32_t>(uint64_t{(value & mask) >> shift} * 255 / max) : 0;
  }
};

struct Layout {
  int64_t width = 0;
  int64_t height = 0;  // positive; `topDown` tells the row order
  bool topDown = false;
  int bits = 0;
  uint32_t compression = kRgb;
  uint32_t masks[3] = {};  // red, green, blue for 16 and 32 bits
  std::vector<uint32_t> palette;
};

// Reads the headers and the palette; false for anything malformed or unsupported.
bool ReadLayout(const uint8_t* data, size_t size, Layout* layout) {
  if (size < kFileHeaderBytes + 4 || data[0] != 'B' || data[1] != 'M') return false;
  const uint32_t infoSize = Le32(data + kFileHeaderBytes);
  const uint8_t* info = data + kFileHeaderBytes;
  if (infoSize != kCoreHeaderBytes && infoSize < kInfoHeaderBytes) return false;
  if (size_t{kFileHeaderBytes} + infoSize > size) return false;
  size_t paletteEntry = 4;
  uint32_t colours = 0;
  if (infoSize == kCoreHeaderBytes) {
    layout->width = Le16(info + 4);
    layout->height = Le16(info + 6);
    layout->bits = Le16(info + 10);
    paletteEntry = 3;
  } else {
    layout->width = static_cast<int32_t>(Le32(info + 4));
    const int64_t height = static_cast<int32_t>(Le32(info + 8));
    layout->topDown = height < 0;
    layout->height = height < 0 ? -height : height;
    layout->bits = Le16(info + 14);
    layout->compression = Le32(info + 16);
    colours = Le32(info + 32);
  }
  size_t position = size_t{kFileHeaderBytes} + infoSize;
  const bool fields = layout->compression == kBitFields || layout->compression == kAlphaBitFields;
  if (layout->compression != kRgb && !(fields && (layout->bits == 16 || layout->bits == 32))) return false;
  if (fields) {
    // Masks follow a plain 40-byte header; larger headers hold them at the same place.
    if (kFileHeaderBytes + kInfoHeaderBytes + 12 > size) return false;
    for (int i = 0; i < 3; ++i) layout->masks[i] = Le32(data + kFileHeaderBytes + kInfoHeaderBytes + 4 * i);
    if (infoSize == kInfoHeaderBytes) position += layout->compression == kAlphaBitFields ? 16 : 12;
  } else if (layout->bits == 16) {
    layout->masks[0] = 0x7C00, layout->masks[1] = 0x03E0, layout->masks[2] = 0x001F;
  } else if (layout->bits == 24 || layout->bits == 32) {
    layout->masks[0] = 0xFF0000, layout->masks[1] = 0x00FF00, layout->masks[2] = 0x0000FF;
  } else if (layout->bits != 1 && layout->bits != 4 && layout->bits != 8) {
    return false;
  }
  if (layout->bits <= 8) {
    const uint32_t full = 1u << layout->bits;
    colours = colours == 0 || colours > full ? full : colours;
    // Some writers declare a full palette but store fewer entries before the pixels.
    const uint32_t offset = Le32(data + 10);
    if (offset > position) colours = std::min<uint32_t>(colours, static_cast<uint32_t>((offset - position) / paletteEntry));
    if (position + colours * paletteEntry > size) return false;
    for (uint32_t i = 0; i < colours; ++i, position += paletteEntry) {
      const uint8_t* entry = data + position;
      layout->palette.push_back(0xFF000000u | uint32_t{entry[2]} << 16 | uint32_t{entry[1]} << 8 | entry[0]);
    }
  }
  return layout->width > 0 && layout->height > 0;
}

uint32_t PaletteColour(const Layout& layout, uint32_t index) {
  return index < layout.palette.size() ? layout.palette[index] : 0xFF000000u;
}

void DecodeRow(const Layout& layout, const uint8_t* source, uint32_t* out) {
  const int64_t width = layout.width;
  if (layout.bits <= 8) {
    const int bits = layout.bits, perByte = 8 / bits, mask = (1 << bits) - 1;
    for (int64_t x = 0; x < width; ++x) {
      const int shift = 8 - bits * (static_cast<int>(x % perByte) + 1);
      out[x] = PaletteColour(layout, (source[x / perByte] >> shift) & mask);
    }
    return;
  }
  const Channel red(layout.masks[0]), green(layout.masks[1]), blue(layout.masks[2]);
  const int bytes = layout.bits / 8;
  for (int64_t x = 0; x < width; ++x) {
    const uint8_t* p = source + x * bytes;
    const uint32_t value = bytes == 2 ? Le16(p) : bytes == 3 ? (p[0] | p[1] << 8 | p[2] << 16) : Le32(p);
    out[x] = 0xFF000000u | red.Extract(value) << 16 | green.Extract(value) << 8 | blue.Extract(value);
  }
}

}  // namespace

bool DecodeBmp(const uint8_t* data, size_t size, Bitmap* out) {
  Layout layout;
  if (!data || !ReadLayout(data, size, &layout)) return false;
  if (layout.width > Bitmap::kMaxPixels || layout.height > Bitmap::kMaxPixels) return false;
  const int64_t stride = (layout.width * layout.bits + 31) / 32 * 4;
  const uint64_t offset = Le32(data + 10);
  // Every row must be present before anything is allocated.
  if (offset > size || static_cast<uint64_t>(stride) * layout.height > size - offset) return false;
  Bitmap bitmap(static_cast<int>(layout.width), static_cast<int>(layout.height));
  if (bitmap.empty()) return false;
  for (int64_t y = 0; y < layout.height; ++y) {
    const int64_t target = layout.topDown ? y : layout.height - 1 - y;
    DecodeRow(layout, data + offset + y * stride, bitmap.row(static_cast<int>(target)));
  }
  *out = std::move(bitmap);
  return true;
}

}  // namespace platform::gfx
