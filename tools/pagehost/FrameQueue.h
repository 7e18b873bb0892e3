#pragma once
// FrameQueue: one connected page as the host keeps it: its session, and the page's frames that
// wait to be handled, in the order they came.
//
// A page's frames are not handled inside the WebSocket's own callback: a call may run a nested
// loop (a question the control asks), and GLib does not dispatch a source again while it is being
// dispatched, so the page's close would not be read until the question ended, which without a
// display is never. The frames are handed to an idle source of the page instead: the connection
// stays readable meanwhile, and the page's frames are still handled one after the other (the next
// waits until the call before it has returned).

#include <cstddef>
#include <deque>
#include <memory>
#include <string>

namespace fotaro::pagehost {

class PageSession;

class FrameQueue : public std::enable_shared_from_this<FrameQueue> {
 public:
  // The most frames that may wait; a page that sends more gets an error for each one beyond.
  static constexpr size_t kMaxWaiting = 64;

  explicit FrameQueue(std::shared_ptr<PageSession> session) : m_session(std::move(session)) {}
  FrameQueue(const FrameQueue&) = delete;
  FrameQueue& operator=(const FrameQueue&) = delete;

  PageSession& session() const { return *m_session; }
  // Queues a text frame of the page (a queue held by a shared_ptr); it is handled from the main
  // loop after the frames before it.
  void Push(std::string frame);
  // The page has gone: drops the frames that wait and closes the session, destroying its control.
  void Close();

 private:
  struct Callbacks;  // the idle source's callback

  // Handles the frame at the front; true when more wait.
  bool HandleNext();

  const std::shared_ptr<PageSession> m_session;
  std::deque<std::string> m_waiting;
  bool m_scheduled = false;  // an idle source will handle the front frame
};

}  // namespace fotaro::pagehost
