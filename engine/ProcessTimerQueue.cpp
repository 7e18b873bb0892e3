#include "engine/ProcessTimerQueue.h"

namespace OrniFotaro {

platform::TimerQueue& ProcessTimerQueue() {
  static platform::TimerQueue queue;
  return queue;
}

}  // namespace OrniFotaro
