#pragma once
// Basic types of the window layer.

#include <cstdint>
#include <memory>

namespace platform {

// A window handle: an opaque id, never dereferenced. A handle is checked with IsWindow before use;
// handles are not reused within a process, so a stale one never names another window.
struct HWND__;
using HWND = HWND__*;

using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

constexpr UINT WM_USER = 0x0400;

// A rectangle in pixels: left and top inside, right and bottom just outside.
struct RECT {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

struct POINT {
  int32_t x = 0;
  int32_t y = 0;
};

inline int32_t RectWidth(const RECT& r) { return r.right - r.left; }
inline int32_t RectHeight(const RECT& r) { return r.bottom - r.top; }
inline bool IsRectEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
inline bool PtInRect(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }
inline void OffsetRect(RECT& r, int32_t dx, int32_t dy) {
  r.left += dx;
  r.right += dx;
  r.top += dy;
  r.bottom += dy;
}
inline void InflateRect(RECT& r, int32_t dx, int32_t dy) {
  r.left -= dx;
  r.right += dx;
  r.top -= dy;
  r.bottom += dy;
}
// The common part of two rectangles; false (and `out` empty) when they do not meet.
inline bool IntersectRect(RECT* out, const RECT& a, const RECT& b) {
  RECT r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
         a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
  if (IsRectEmpty(r)) r = RECT{};
  *out = r;
  return !IsRectEmpty(r);
}
// The smallest rectangle holding both; an empty rectangle adds nothing.
inline RECT UnionRect(const RECT& a, const RECT& b) {
  if (IsRectEmpty(a)) return b;
  if (IsRectEmpty(b)) return a;
  return RECT{a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
              a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const RECT& a, const RECT& b) { return !(a == b); }

// Packing of message parameters: two 16-bit halves, the low one first. Coordinates in lParam are
// signed.
constexpr uint16_t LOWORD(uintptr_t v) { return static_cast<uint16_t>(v & 0xFFFF); }
constexpr uint16_t HIWORD(uintptr_t v) { return static_cast<uint16_t>((v >> 16) & 0xFFFF); }
constexpr LPARAM MAKELPARAM(int32_t low, int32_t high) {
  return static_cast<LPARAM>(static_cast<uint32_t>(static_cast<uint16_t>(low)) |
                             static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16);
}
constexpr WPARAM MAKEWPARAM(int32_t low, int32_t high) { return static_cast<WPARAM>(static_cast<uint32_t>(MAKELPARAM(low, high))); }
constexpr int32_t GET_X_LPARAM(LPARAM l) { return static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(l))); }
constexpr int32_t GET_Y_LPARAM(LPARAM l) { return static_cast<int16_t>(HIWORD(static_cast<uintptr_t>(l))); }

// The heap payload of a posted or sent message. The message owns it; the receiving handler may
// take it (std::move) or leave it to be freed after handling. A message that is dropped (its window
// is gone) frees its payload.
struct MessagePayload {
  virtual ~MessagePayload() = default;
};

}  // namespace platform
