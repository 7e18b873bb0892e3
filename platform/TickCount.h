#pragma once
// The system's millisecond tick: milliseconds of the monotonic clock, wrapping in 32 bits, as
// names and stamps that carry a tick use it.

#include <chrono>
#include <cstdint>

namespace platform {

inline uint32_t TickCount() {
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

}  // namespace platform
