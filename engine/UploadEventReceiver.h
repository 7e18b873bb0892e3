#pragma once
// Whoever owns uploads (the upload manager, the silent uploader) receives the engine's
// notifications through this interface. Strategies and notification jobs hold the receiver as a
// plain pointer: what a receiver must do before it is destroyed is said in engine/ULStrategy.h.

#include "engine/UploadNotifyMsg.h"

class CULData;

class CUploadEventReceiver {
 public:
  virtual ~CUploadEventReceiver() = default;
  // Receives one notification, on a worker of the notification pool (pool 1). Several workers
  // deliver at once, so notifications of one file may arrive out of order.
  virtual void OnUploadNotify(const UploadNotifyHandle& message) = 0;
  // The upload queue the receiver's files are in.
  virtual CULData* GetULData() = 0;
};
