#include "FrameQueue.h"

#include <glib.h>

#include "PageSession.h"

namespace fotaro::pagehost {

struct FrameQueue::Callbacks {
  static gboolean Handle(gpointer held) {
    FrameQueue& queue = **static_cast<std::shared_ptr<FrameQueue>*>(held);
    if (queue.HandleNext()) return G_SOURCE_CONTINUE;
    queue.m_scheduled = false;
    return G_SOURCE_REMOVE;
  }
  static void Release(gpointer held) { delete static_cast<std::shared_ptr<FrameQueue>*>(held); }
};

void FrameQueue::Push(std::string frame) {
  if (m_waiting.size() >= kMaxWaiting) {
    return m_session->Refuse("at most " + std::to_string(kMaxWaiting) + " frames may wait for the calls before them");
  }
  m_waiting.push_back(std::move(frame));
  if (m_scheduled) return;
  m_scheduled = true;
  g_idle_add_full(G_PRIORITY_DEFAULT, Callbacks::Handle, new std::shared_ptr<FrameQueue>(shared_from_this()),
                  Callbacks::Release);
}

void FrameQueue::Close() {
  m_waiting.clear();
  m_session->Close();
}

bool FrameQueue::HandleNext() {
  if (m_waiting.empty()) return false;
  const std::string frame = std::move(m_waiting.front());
  m_waiting.pop_front();
  m_session->Receive(frame);
  return !m_waiting.empty();
}

}  // namespace fotaro::pagehost
