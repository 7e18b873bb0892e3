#include "engine/SendNotifyItem.h"

#include "engine/ThreadPool.h"

namespace {
constexpr int kNotificationPool = 1;
}

void CSendNotifyItem::Run(WorkerData* data) {
  auto* job = static_cast<SendNotifyData*>(data);
  if (job && job->receiver.get()) job->receiver.get()->OnUploadNotify(job->message);
}

bool PostNotify(CUploadEventReceiver* receiver, UploadNotifyHandle message) {
  if (!receiver || !message) return false;
  auto pool = OrniFotaro::CThreadPool::Instance(kNotificationPool);
  return pool && pool->Post(std::make_unique<SendNotifyData>(receiver, std::move(message)), std::make_unique<CSendNotifyItem>());
}
