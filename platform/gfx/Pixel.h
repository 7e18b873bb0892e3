#pragma once
// Conversions of one 0xAARRGGBB pixel between straight and premultiplied alpha.

#include <cstdint>

namespace platform::gfx {

inline uint32_t Premultiply(uint32_t argb) {
  const uint32_t a = argb >> 24;
  if (a == 255) return argb;
  auto scale = [a](uint32_t c) { return (c * a + 127) / 255; };
  return a << 24 | scale((argb >> 16) & 0xFF) << 16 | scale((argb >> 8) & 0xFF) << 8 | scale(argb & 0xFF);
}

inline uint32_t Unpremultiply(uint32_t argb) {
  const uint32_t a = argb >> 24;
  if (a == 255 || a == 0) return argb;
  auto scale = [a](uint32_t c) {
    const uint32_t v = (c * 255 + a / 2) / a;
    return v > 255 ? 255u : v;
  };
  return a << 24 | scale((argb >> 16) & 0xFF) << 16 | scale((argb >> 8) & 0xFF) << 8 | scale(argb & 0xFF);
}

}  // namespace platform::gfx
