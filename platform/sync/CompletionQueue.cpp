#include "platform/sync/CompletionQueue.h"

namespace platform {

void CompletionQueue::Post(CompletionPacket packet) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    packets_.push_back(std::move(packet));
  }
  cv_.notify_one();
}

std::optional<CompletionPacket> CompletionQueue::Get(std::optional<std::chrono::milliseconds> timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto ready = [this] { return !packets_.empty(); };
  if (timeout) {
    if (!cv_.wait_for(lock, *timeout, ready)) return std::nullopt;
  } else {
    cv_.wait(lock, ready);
  }
  CompletionPacket packet = std::move(packets_.front());
  packets_.pop_front();
  return packet;
}

size_t CompletionQueue::Size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return packets_.size();
}

}  // namespace platform
