#pragma once
// A window: an object that receives messages on the thread that created it.
//
// Rules:
// - A window belongs to the thread that called Create; its WndProc runs only on that thread, and
//   DestroyWindow must be called there too. Children are created on their parent's thread.
// - Any thread may post or send to its handle (MessageLoop.h). Once the window is destroyed the
//   handle stops being a window (IsWindow is false) and messages for it are dropped, freeing their
//   payloads.
// - DestroyWindow sends WM_DESTROY to the window and then destroys its children. The destructor
//   of Window removes a window that still exists without calling WndProc (the derived part is gone
//   by then): a class that must see WM_DESTROY calls DestroyWindow in its own destructor.

#include "platform/win/Message.h"

namespace platform {

namespace detail {
struct WindowAccess;
}

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  // Registers the window on the calling thread (as a child of `parent` if given; the parent must be
  // a window of this thread) and sends it WM_CREATE. False if it already exists or the parent is
  // not a window of this thread.
  bool Create(HWND parent = nullptr);
  HWND hwnd() const { return hwnd_; }

  // Handles one message. `payload` may be taken (moved out); what is left is freed afterwards.
  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>& payload) = 0;

 private:
  friend struct detail::WindowAccess;
  HWND hwnd_ = nullptr;
};

bool IsWindow(HWND hwnd);
// Destroys the window and its children (see the rules above). False if `hwnd` is not a window of
// the calling thread.
bool DestroyWindow(HWND hwnd);
HWND GetParent(HWND hwnd);

}  // namespace platform
