#pragma once
// A FIFO queue of completion packets {bytes, key, overlapped}, as an I/O completion port is used
// by a thread pool: any thread posts, worker threads take packets with a time-out.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

namespace platform {

// Payload of a packet. The queue owns it until a Get hands it out, so a packet still queued when
// the queue is destroyed frees its payload.
struct Overlapped {
  virtual ~Overlapped() = default;
};

struct CompletionPacket {
  uint32_t bytes = 0;
  uintptr_t key = 0;
  std::unique_ptr<Overlapped> overlapped;
};

class CompletionQueue {
 public:
  void Post(CompletionPacket packet);
  // The oldest packet, or nothing when none arrived within the time-out (unbounded without one).
  std::optional<CompletionPacket> Get(std::optional<std::chrono::milliseconds> timeout = std::nullopt);
  size_t Size() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<CompletionPacket> packets_;
};

}  // namespace platform
