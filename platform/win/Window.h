#pragma once
// A window: an object that receives messages on the thread that created it.
//
// Rules:
// - A window belongs to the thread that called Create; its WndProc runs only on that thread, and
//   DestroyWindow must be called there too. Children are created on their parent's thread.
// - Any thread may post or send to its handle (MessageLoop.h). Once the window is destroyed the
//   handle stops being a window (IsWindow is false) and messages for it are dropped, freeing their
//   payloads.
// - A window created with a rectangle has a surface (Surface.h): it shows on the display and
//   receives painting and input messages. A window created without one only handles messages.
// - DestroyWindow sends WM_DESTROY to the window and then destroys its children. The destructor
//   of Window removes a window that still exists without calling WndProc (the derived part is gone
//   by then): a class that must see WM_DESTROY calls DestroyWindow in its own destructor.

#include <string_view>

#include "platform/win/Message.h"

namespace platform {

namespace detail {
struct WindowAccess;
struct SurfaceState;
}

class Window {
 public:
  Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  // Registers the window on the calling thread (as a child of `parent` if given; the parent must be
  // a window of this thread) and sends it WM_CREATE. False if it already exists or the parent is
  // not a window of this thread.
  bool Create(HWND parent = nullptr);
  // Registers the window with a surface: with WS_CHILD in `style` a child of `parent` (a window of
  // this thread with a surface) at `rect` in its client area; otherwise a top-level window at
  // `rect` on the screen, titled `title`, owned by `parent` if given (destroyed with it). The
  // window receives WM_CREATE, then WM_SIZE. False as above, or for a child without such a parent.
  bool Create(HWND parent, const RECT& rect, uint32_t style, std::u16string_view title = {});
  HWND hwnd() const { return hwnd_; }

  // Handles one message. `payload` may be taken (moved out); what is left is freed afterwards.
  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>& payload) = 0;

 private:
  friend struct detail::WindowAccess;
  bool Register(HWND parent, bool withSurface);

  HWND hwnd_ = nullptr;
  std::unique_ptr<detail::SurfaceState> surface_;
};

bool IsWindow(HWND hwnd);
// Destroys the window and its children (see the rules above). False if `hwnd` is not a window of
// the calling thread.
bool DestroyWindow(HWND hwnd);
HWND GetParent(HWND hwnd);

}  // namespace platform
