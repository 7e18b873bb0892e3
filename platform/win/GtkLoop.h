#pragma once
// Internal to platform/win: the display thread's message queue inside the GLib main loop.
//
// The queue becomes a GSource of the thread's main context: whenever GLib runs (gtk_main, a GTK
// dialog, a clipboard read, or our own loops) sent, posted, paint and timer messages are handled.
// When the queue's owner waits for its next message itself (GetMessage, RunUntil), the wait runs
// one iteration of the main context so that GTK keeps drawing and handling events, and the
// source stays quiet meanwhile, so the message goes to the waiting loop rather than being
// dispatched under it.

#include <chrono>

namespace platform::detail {

// Attaches the calling thread's queue to the default main context (once).
void AttachQueueToMainLoop();

// Runs one iteration of the main context, waiting at most until `deadline` for something to
// happen. Our queue's source takes part unless the owner waits (see above).
void IterateMainLoop(std::chrono::steady_clock::time_point deadline);

// A GTK event handler that calls into windows while the owner waits: inside it the source may
// dispatch again (a nested loop in the handler handles messages as any loop does).
class DirectDispatch {
 public:
  DirectDispatch();
  ~DirectDispatch();
  DirectDispatch(const DirectDispatch&) = delete;
  DirectDispatch& operator=(const DirectDispatch&) = delete;

 private:
  int saved_;
};

}  // namespace platform::detail
