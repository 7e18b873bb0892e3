#include "platform/com/Guid.h"

#include <cstdio>
#include <random>

namespace platform::com {

namespace {

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// The value of `count` hex digits at `text[at]`; nothing when one is not a hex digit.
std::optional<uint32_t> HexField(std::u16string_view text, size_t at, size_t count) {
  uint32_t value = 0;
  for (size_t i = at; i < at + count; ++i) {
    const int digit = HexValue(text[i]);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return value;
}

}  // namespace

std::u16string GuidToString(const GUID& guid) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2,
                guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return std::u16string(text, text + 38);
}

std::optional<GUID> GuidFromString(std::u16string_view text) {
  if (text.size() != 38 || text[0] != u'{' || text[37] != u'}' || text[9] != u'-' || text[14] != u'-' ||
      text[19] != u'-' || text[24] != u'-') {
    return std::nullopt;
  }
  GUID guid{};
  const auto data1 = HexField(text, 1, 8);
  const auto data2 = HexField(text, 10, 4);
  const auto data3 = HexField(text, 15, 4);
  if (!data1 || !data2 || !data3) return std::nullopt;
  guid.Data1 = *data1;
  guid.Data2 = static_cast<uint16_t>(*data2);
  guid.Data3 = static_cast<uint16_t>(*data3);
  // Data4: two bytes before the last dash, six after it.
  static constexpr size_t kByteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (size_t i = 0; i < 8; ++i) {
    const auto byte = HexField(text, kByteAt[i], 2);
    if (!byte) return std::nullopt;
    guid.Data4[i] = static_cast<uint8_t>(*byte);
  }
  return guid;
}

GUID NewGuid() {
  std::random_device random;
  GUID guid{};
  guid.Data1 = random();
  const uint32_t middle = random();
  guid.Data2 = static_cast<uint16_t>(middle >> 16);
  guid.Data3 = static_cast<uint16_t>((middle & 0x0FFF) | 0x4000);  // version 4
  const uint32_t low[2] = {random(), random()};
  for (int i = 0; i < 8; ++i) guid.Data4[i] = static_cast<uint8_t>(low[i / 4] >> (8 * (i % 4)));
  guid.Data4[0] = static_cast<uint8_t>((guid.Data4[0] & 0x3F) | 0x80);  // RFC 4122 variant
  return guid;
}

}  // namespace platform::com
