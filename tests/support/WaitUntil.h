#pragma once
// Waits, with a bound, for a condition that other threads make true.

#include <chrono>
#include <functional>
#include <thread>

namespace fotaro::test {

// True once `done` holds; false when `bound` ran out first.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace fotaro::test
