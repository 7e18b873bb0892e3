#pragma once
// CCMThreadModel: the worker-thread base of the widgets and the URL download. Its thread runs at
// idle priority, so thumbnail loading and downloads never slow the user interface; starting fails
// when that priority cannot be taken. Start waits until the thread runs, stop sets the stop event
// and waits up to 3,000 ms (see platform/sync/ThreadModel.h for the rules a subclass follows).

#include "platform/sync/ThreadModel.h"

class CCMThreadModel : public platform::ThreadModel {
 public:
  CCMThreadModel() : platform::ThreadModel(Priority::kIdle) {}
};
