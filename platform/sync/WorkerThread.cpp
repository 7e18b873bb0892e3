#include "platform/sync/WorkerThread.h"

#include <system_error>

namespace platform {

WorkerThread::~WorkerThread() { Stop(); }

bool WorkerThread::Start(Body body) {
  if (thread_.joinable()) return false;
  auto state = std::make_shared<State>();
  try {
    thread_ = std::thread([state, body = std::move(body)] {
      state->started.Set();
      body(state->stop);
      state->finished.Set();
    });
  } catch (const std::system_error&) {
    return false;
  }
  state_ = std::move(state);
  state_->started.Wait();
  return true;
}

bool WorkerThread::Stop(std::chrono::milliseconds bound) {
  if (!thread_.joinable()) return true;
  state_->stop.Set();
  if (state_->finished.Wait(bound)) {
    thread_.join();
    return true;
  }
  thread_.detach();
  return false;
}

bool WorkerThread::Finished() const { return !state_ || state_->finished.IsSet(); }

}  // namespace platform
