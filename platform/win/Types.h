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

// The heap payload of a posted or sent message. The message owns it; the receiving handler may
// take it (std::move) or leave it to be freed after handling. A message that is dropped (its window
// is gone) frees its payload.
struct MessagePayload {
  virtual ~MessagePayload() = default;
};

}  // namespace platform
