#pragma once
// Holds chosen photos' compressions in flight: the hook given to CULKernel::SetReadHook waits,
// on the compressing thread, while its photo is held, so a test decides when that photo is read.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace fotaro::test {

class HeldReads {
 public:
  HeldReads() : state_(std::make_shared<State>()) {}
  // Lets every held photo go, so that no compression waits past the test.
  ~HeldReads() { ReleaseAll(); }
  HeldReads(const HeldReads&) = delete;
  HeldReads& operator=(const HeldReads&) = delete;

  void Hold(const std::u16string& file) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->held.insert(file);
  }
  void Release(const std::u16string& file) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->held.erase(file);
    state_->changed.notify_all();
  }
  void ReleaseAll() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->held.clear();
    state_->changed.notify_all();
  }
  // The hook; it keeps the state alive for compressions that outlive this object.
  std::function<void(const std::u16string&)> Hook() const {
    return [state = state_](const std::u16string& file) {
      std::unique_lock<std::mutex> lock(state->mutex);
      state->changed.wait(lock, [&] { return state->held.count(file) == 0; });
    };
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    std::set<std::u16string> held;
  };
  std::shared_ptr<State> state_;
};

}  // namespace fotaro::test
