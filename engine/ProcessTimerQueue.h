#pragma once
// The process-wide timer queue of the engine (the upload manager's timers), created on first use.
// Its callbacks run on the queue's own thread; the queue ends with the process.

#include "platform/sync/TimerQueue.h"

namespace OrniFotaro {

platform::TimerQueue& ProcessTimerQueue();

}  // namespace OrniFotaro
