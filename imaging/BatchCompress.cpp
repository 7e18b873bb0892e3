#include "imaging/BatchCompress.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "imaging/ULKernel.h"
#include "platform/sync/Event.h"
#include "platform/sync/WorkerThread.h"

namespace {

// What the threads share, held by each of them: a thread touches it after the photo it hands
// back, while it looks for the next one.
struct Batch {
  Batch(const CULKernel& kernel, const std::vector<std::u16string>& photos) : kernel(kernel), slots(photos.size()) {
    for (size_t i = 0; i < photos.size(); ++i) slots[i].photo.strFile = photos[i];
  }

  // Compresses photos until none is left (or `stop` is set).
  void Work(const platform::Event& stop) {
    for (size_t i = next++; i < slots.size() && !stop.IsSet(); i = next++) {
      CompressedPhoto& photo = slots[i].photo;
      photo.nCode = kernel.CompressFile(photo.strFile, photo.strFile, &photo.outputs, nullptr);
      slots[i].done.Set();
    }
  }

  struct Slot {
    CompressedPhoto photo;
    platform::Event done{platform::Event::ResetMode::kManual};  // photo holds the outcome
  };
  const CULKernel& kernel;  // used only until the last photo is done
  std::vector<Slot> slots;
  std::atomic<size_t> next{0};
};

}  // namespace

void CompressBatch(const CULKernel& kernel, const std::vector<std::u16string>& photos, int jobs,
                   const std::function<void(CompressedPhoto& photo)>& receive) {
  auto batch = std::make_shared<Batch>(kernel, photos);
  const size_t threads = std::min(photos.size(), static_cast<size_t>(std::max(jobs, 1)));
  std::vector<std::unique_ptr<platform::WorkerThread>> workers;
  for (size_t i = 0; i < threads; ++i) {
    auto worker = std::make_unique<platform::WorkerThread>();
    if (worker->Start([batch](const platform::Event& stop) { batch->Work(stop); })) workers.push_back(std::move(worker));
  }
  if (workers.empty()) batch->Work(platform::Event());
  for (Batch::Slot& slot : batch->slots) {
    slot.done.Wait();
    receive(slot.photo);
  }
  // Every photo is done: the threads are ending on their own.
  for (auto& worker : workers) worker->Stop();
}
