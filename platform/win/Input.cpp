#include "platform/win/Input.h"

#include <array>

#include "platform/win/InputRouter.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/SurfaceBackend.h"
#include "platform/win/Window.h"

namespace platform {

namespace {

constexpr LPARAM HTCLIENT = 1;

struct InputState {
  HWND focus = nullptr;
  HWND capture = nullptr;
  HWND hover = nullptr;  // the window under the pointer, told when the pointer leaves it
  POINT pointer;         // screen coordinates
  Cursor cursor = Cursor::kArrow;
  std::array<bool, 256> down{};
  // A top-level window the layer moves with the pointer (StartWindowMove), from where the move began.
  HWND moving = nullptr;
  POINT moveFrom;
  RECT movingRect;
};

InputState& State() {
  thread_local InputState state;
  return state;
}

// The window that shows the cursor: the capture window, else the one under the pointer.
detail::SurfaceState* CursorSurface() {
  InputState& in = State();
  if (auto* surface = detail::SurfaceOf(in.capture)) return surface;
  return detail::SurfaceOf(in.hover);
}

void SetKey(UINT vk, bool down) {
  if (vk < 256) State().down[vk] = down;
}

void SetHover(HWND hwnd) {
  InputState& in = State();
  if (in.hover == hwnd) return;
  const HWND old = in.hover;
  in.hover = hwnd;
  if (old && IsWindow(old)) SendMessage(old, WM_MOUSELEAVE);
}

// The top-level window that holds `surface`.
detail::SurfaceState* TopLevel(detail::SurfaceState* surface) {
  while (surface && surface->parent) surface = detail::SurfaceOf(surface->parent);
  return surface;
}

// While the layer moves a window, mouse input moves it and the release ends the move. True when
// the message was taken for the move.
bool ContinueMove(UINT message, WPARAM keys) {
  InputState& in = State();
  if (!in.moving) return false;
  if (!IsWindow(in.moving) || message == WM_LBUTTONUP || (message == WM_MOUSEMOVE && !(keys & MK_LBUTTON))) {
    in.moving = nullptr;
    return true;
  }
  if (message == WM_MOUSEMOVE) {
    const RECT& r = in.movingRect;
    MoveWindow(in.moving, r.left + in.pointer.x - in.moveFrom.x, r.top + in.pointer.y - in.moveFrom.y, RectWidth(r),
               RectHeight(r));
  }
  return true;
}

HWND KeyTarget(HWND fallback) {
  const HWND focus = State().focus;
  const HWND target = focus && IsWindow(focus) ? focus : fallback;
  return target && IsWindowEnabled(target) ? target : nullptr;
}

}  // namespace

HWND SetFocus(HWND hwnd) {
  InputState& in = State();
  if (hwnd && !detail::SurfaceOf(hwnd)) return nullptr;
  const HWND old = in.focus;
  if (old == hwnd) return old;
  in.focus = hwnd;
  if (old && IsWindow(old)) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd));
  if (auto* surface = detail::SurfaceOf(hwnd)) {
    surface->backend->Focus(*surface);
    SendMessage(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old));
  }
  return old;
}

HWND GetFocus() { return State().focus; }

HWND SetCapture(HWND hwnd) {
  InputState& in = State();
  if (!detail::SurfaceOf(hwnd)) return nullptr;
  const HWND old = in.capture;
  in.capture = hwnd;
  if (old && old != hwnd && IsWindow(old)) SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

bool ReleaseCapture() {
  InputState& in = State();
  const HWND old = in.capture;
  in.capture = nullptr;
  if (old && IsWindow(old)) SendMessage(old, WM_CAPTURECHANGED);
  return true;
}

HWND GetCapture() { return State().capture; }

void SetCursor(Cursor cursor) {
  State().cursor = cursor;
  if (auto* surface = CursorSurface()) surface->backend->ShowCursor(*surface, cursor);
}

bool StartWindowMove(HWND hwnd) {
  detail::SurfaceState* top = TopLevel(detail::SurfaceOf(hwnd));
  if (!top) return false;
  if (top->backend->BeginMove(*top)) return true;
  InputState& in = State();
  in.moving = top->hwnd;
  in.moveFrom = in.pointer;
  in.movingRect = top->rect;
  return true;
}

bool GetCursorPos(POINT* point) {
  if (!point) return false;
  *point = State().pointer;
  return true;
}

int16_t GetKeyState(int vk) {
  return vk >= 0 && vk < 256 && State().down[static_cast<size_t>(vk)] ? static_cast<int16_t>(0x8000) : 0;
}

namespace detail {

void SetModifiers(bool shift, bool control) {
  SetKey(VK_SHIFT, shift);
  SetKey(VK_CONTROL, control);
}

void RouteMouse(HWND target, UINT message, POINT client, WPARAM keys) {
  InputState& in = State();
  SurfaceState* from = SurfaceOf(target);
  if (!from) return;
  const POINT origin = ClientOrigin(*from);
  in.pointer = POINT{origin.x + client.x, origin.y + client.y};
  SetModifiers(keys & MK_SHIFT, keys & MK_CONTROL);
  SetKey(VK_LBUTTON, keys & MK_LBUTTON);
  SetKey(VK_RBUTTON, keys & MK_RBUTTON);
  if (ContinueMove(message, keys)) return;
  SetHover(target);

  HWND dest = target;
  POINT point = client;
  if (SurfaceState* capture = SurfaceOf(in.capture)) {
    dest = in.capture;
    const POINT captureOrigin = ClientOrigin(*capture);
    point = POINT{in.pointer.x - captureOrigin.x, in.pointer.y - captureOrigin.y};
  } else {
    if (!IsWindowEnabled(dest)) return;
    if (message == WM_MOUSEMOVE) {
      const LRESULT handled = SendMessage(dest, WM_SETCURSOR, reinterpret_cast<WPARAM>(dest), MAKELPARAM(HTCLIENT, message));
      if (!handled && IsWindow(dest)) SetCursor(Cursor::kArrow);
    }
  }
  if (IsWindow(dest)) SendMessage(dest, message, keys, MAKELPARAM(point.x, point.y));
}

void RouteWheel(HWND target, POINT client, int delta, WPARAM keys) {
  SurfaceState* surface = SurfaceOf(target);
  if (!surface) return;
  const POINT origin = ClientOrigin(*surface);
  State().pointer = POINT{origin.x + client.x, origin.y + client.y};
  SetModifiers(keys & MK_SHIFT, keys & MK_CONTROL);
  HWND dest = target;
  for (SurfaceState* s = surface; s; s = SurfaceOf(s->parent)) {
    if (s->style & WS_VSCROLL) {
      dest = s->hwnd;
      break;
    }
  }
  if (!IsWindowEnabled(dest)) return;
  SendMessage(dest, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(keys), delta),
              MAKELPARAM(State().pointer.x, State().pointer.y));
}

void RoutePointerLeft() { SetHover(nullptr); }

void RouteKey(UINT vk, bool down, HWND fallback) {
  SetKey(vk, down);
  if (HWND target = KeyTarget(fallback)) SendMessage(target, down ? WM_KEYDOWN : WM_KEYUP, vk);
}

void RouteChar(char16_t unit, HWND fallback) {
  if (HWND target = KeyTarget(fallback)) SendMessage(target, WM_CHAR, unit);
}

bool RouteDrop(HWND target, std::vector<std::u16string> files, POINT client) {
  SurfaceState* surface = SurfaceOf(target);
  if (!surface || !surface->acceptFiles || !surface->enabled()) return false;
  auto drop = std::make_unique<DropFiles>();
  drop->files = std::move(files);
  drop->point = client;
  SendMessage(target, WM_DROPFILES, 0, 0, std::move(drop));
  return true;
}

void ForgetInputWindow(HWND hwnd) {
  InputState& in = State();
  if (in.focus == hwnd) in.focus = nullptr;
  if (in.capture == hwnd) in.capture = nullptr;
  if (in.hover == hwnd) in.hover = nullptr;
  if (in.moving == hwnd) in.moving = nullptr;
}

}  // namespace detail
}  // namespace platform
