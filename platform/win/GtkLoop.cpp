#include "platform/win/GtkLoop.h"

#include <glib.h>

#include <algorithm>
#include <memory>

#include "platform/win/ThreadQueue.h"

namespace platform::detail {

namespace {

using Clock = std::chrono::steady_clock;

// Non-zero while the owner waits in its own loop (see the header).
thread_local int tls_ownerWaits = 0;
thread_local bool tls_attached = false;

struct QueueSource {
  GSource source;
  std::shared_ptr<ThreadQueue>* queue;  // owned; freed by Finalize
  gpointer fdTag;
};

ThreadQueue& QueueOf(GSource* source) { return **reinterpret_cast<QueueSource*>(source)->queue; }

gint MillisecondsUntil(Clock::time_point when) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now()).count();
  return static_cast<gint>(std::clamp<int64_t>(left, 0, G_MAXINT));
}

gboolean Prepare(GSource* source, gint* timeout) {
  *timeout = -1;
  if (tls_ownerWaits) return FALSE;
  std::optional<Clock::time_point> nextTimer;
  if (QueueOf(source).Ready(&nextTimer)) return TRUE;
  if (nextTimer) *timeout = MillisecondsUntil(*nextTimer);
  return FALSE;
}

gboolean Check(GSource* source) {
  if (tls_ownerWaits) return FALSE;
  auto* self = reinterpret_cast<QueueSource*>(source);
  if (g_source_query_unix_fd(source, self->fdTag) & G_IO_IN) QueueOf(source).DrainWake();
  std::optional<Clock::time_point> nextTimer;
  return QueueOf(source).Ready(&nextTimer);
}

gboolean Dispatch(GSource* source, GSourceFunc, gpointer) {
  QueueOf(source).DispatchOne();
  return G_SOURCE_CONTINUE;
}

void Finalize(GSource* source) { delete reinterpret_cast<QueueSource*>(source)->queue; }

GSourceFuncs kQueueSourceFuncs = {Prepare, Check, Dispatch, Finalize, nullptr, nullptr};

gboolean StopWaiting(gpointer) { return G_SOURCE_REMOVE; }

// One iteration of the main context, bounded by `deadline` when there is one.
void Iterate(std::optional<Clock::time_point> deadline) {
  GSource* timeout = nullptr;
  if (deadline) {
    timeout = g_timeout_source_new(static_cast<guint>(MillisecondsUntil(*deadline)));
    g_source_set_callback(timeout, StopWaiting, nullptr, nullptr);
    g_source_attach(timeout, nullptr);
  }
  g_main_context_iteration(nullptr, TRUE);
  if (timeout) {
    g_source_destroy(timeout);
    g_source_unref(timeout);
  }
}

// The owner's wait for its next message.
void WaitInMainLoop(std::optional<Clock::time_point> deadline) {
  ++tls_ownerWaits;
  Iterate(deadline);
  --tls_ownerWaits;
}

}  // namespace

void AttachQueueToMainLoop() {
  if (tls_attached) return;
  tls_attached = true;
  const std::shared_ptr<ThreadQueue>& queue = ThreadQueue::Current();
  GSource* source = g_source_new(&kQueueSourceFuncs, sizeof(QueueSource));
  auto* self = reinterpret_cast<QueueSource*>(source);
  self->queue = new std::shared_ptr<ThreadQueue>(queue);
  self->fdTag = g_source_add_unix_fd(source, queue->wakeFd(), G_IO_IN);
  // A window that runs a nested loop while handling a message (a clipboard read) still gets its
  // messages handled inside that loop.
  g_source_set_can_recurse(source, TRUE);
  g_source_attach(source, nullptr);
  g_source_unref(source);  // the context holds it for the rest of the process
  queue->SetWaiter(WaitInMainLoop);
}

void IterateMainLoop(Clock::time_point deadline) { Iterate(deadline); }

DirectDispatch::DirectDispatch() : saved_(tls_ownerWaits) { tls_ownerWaits = 0; }

DirectDispatch::~DirectDispatch() { tls_ownerWaits = saved_; }

}  // namespace platform::detail
