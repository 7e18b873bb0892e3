#pragma once
// Delivery of notifications: a CSendNotifyItem job on the notification pool (pool 1) hands one
// message to its receiver. The job's data holds the receiver (CUploadEventReceiver::Hold) from
// the post until it is destroyed, delivered or not.

#include "engine/UploadEventReceiver.h"
#include "engine/Worker.h"

struct SendNotifyData : WorkerData {
  SendNotifyData(CUploadEventReceiver* receiver, UploadNotifyHandle message)
      : receiver(receiver), message(std::move(message)) {}
  CUploadEventReceiver::Hold receiver;
  UploadNotifyHandle message;
};

class CSendNotifyItem : public IWorker {
 public:
  void Run(WorkerData* data) override;
};

// Posts `message` for `receiver` to the notification pool. False (the message is freed) when the
// pool cannot take it or there is no receiver.
bool PostNotify(CUploadEventReceiver* receiver, UploadNotifyHandle message);
