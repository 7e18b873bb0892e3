#pragma once
// Internal to platform/win: the state of a window's surface and the backend that shows it.
//
// The layer keeps every surface's geometry, visibility, scroll bar and pixels itself (the model);
// a backend only mirrors them on a display and turns the display's input into messages. Two
// backends exist: GTK on the thread that opened the display (Display.h), and a headless one
// everywhere else, which shows nothing, so that the same windows, geometry and painting work
// without a display (tests read the painted pixels back with CaptureWindow).

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/win/Input.h"
#include "platform/win/Surface.h"

namespace platform::detail {

class SurfaceBackend;

// What a backend keeps per surface (its widgets); destroyed with the surface.
struct NativeSurface {
  virtual ~NativeSurface() = default;
};

struct SurfaceState {
  HWND hwnd = nullptr;
  HWND parent = nullptr;  // null for a top-level window
  uint32_t style = 0;     // WS_ flags
  RECT rect;              // in the parent's client coordinates; a top-level window's in screen ones
  std::u16string title;
  SCROLLINFO vscroll{SIF_ALL, 0, 100, 0, 0, 0};
  bool vscrollDisableNoScroll = false;  // the last SetScrollInfo asked to keep a bar that cannot scroll
  std::vector<HWND> children;           // in creation order: later ones are drawn over earlier ones
  gfx::Bitmap pixels;                   // the client area as last painted (the double buffer)
  std::optional<RECT> paintRect;        // the update rectangle while WM_PAINT is being handled
  bool acceptFiles = false;
  SurfaceBackend* backend = nullptr;
  std::unique_ptr<NativeSurface> native;

  bool visible() const { return (style & WS_VISIBLE) != 0; }
  bool enabled() const { return (style & WS_DISABLED) == 0; }
  // The vertical scroll bar takes its width from the window while it shows.
  bool vscrollShown() const;
  int clientWidth() const;
  int clientHeight() const { return RectHeight(rect); }
};

// The surface of `hwnd` when it is a window with a surface of the calling thread, else null.
SurfaceState* SurfaceOf(HWND hwnd);
// Makes the surface of a window that was just registered, with its native part.
std::unique_ptr<SurfaceState> MakeSurface(HWND hwnd, HWND parent, const RECT& rect, uint32_t style,
                                          std::u16string_view title);
// Removes a surface whose window is unregistered and whose children are gone.
void DestroySurface(std::unique_ptr<SurfaceState> surface);
// Handles a WM_PAINT that the message loop made for `update`.
void PaintWindow(HWND hwnd, const RECT& update);
// True when the window and all its ancestors are visible.
bool ShownOnScreen(const SurfaceState& surface);
// Delivers WM_PAINT for `update` (client coordinates, clipped to the client area) if the window is
// shown, then hands the painted pixels to the backend.
void Paint(SurfaceState& surface, const RECT& update);
// The client rectangle of `surface`'s top-left corner in screen coordinates.
POINT ClientOrigin(const SurfaceState& surface);

class SurfaceBackend {
 public:
  virtual ~SurfaceBackend() = default;

  // Makes the native part of a new surface (its parent's exists already) and shows it as the
  // model says.
  virtual void Create(SurfaceState& surface) = 0;
  // Removes the native part; the surface's children are gone already.
  virtual void Destroy(SurfaceState& surface) = 0;
  // The model's geometry, visibility, enabled state or title changed.
  virtual void Update(SurfaceState& surface) = 0;
  // The scroll bar's range, page, position or visibility changed.
  virtual void UpdateScrollBar(SurfaceState& surface) = 0;
  // Pixels of `rect` (client coordinates) changed.
  virtual void Present(SurfaceState& surface, const RECT& rect) = 0;
  // Shows `cursor` over `surface` (the window under the pointer or holding the capture).
  virtual void ShowCursor(SurfaceState& surface, Cursor cursor) = 0;
  // The window got the keyboard focus.
  virtual void Focus(SurfaceState& surface) = 0;
  // Starts or stops taking dropped files.
  virtual void AcceptFiles(SurfaceState& surface) = 0;
  // Lets the display move the top-level `surface` with the pointer while the pressed button stays
  // down. False when the display cannot: the layer then moves it itself (Input.cpp).
  virtual bool BeginMove(SurfaceState& surface) = 0;
  // What the window shows, its children included, at its client size.
  virtual bool Capture(SurfaceState& surface, gfx::Bitmap* out) = 0;

  // The clipboard of this backend's thread.
  virtual bool GetClipboardImage(gfx::Bitmap* out) = 0;
  virtual bool GetClipboardFiles(std::vector<std::u16string>* out) = 0;
  virtual bool SetClipboardImage(const gfx::Bitmap& image) = 0;
  virtual bool SetClipboardFiles(const std::vector<std::u16string>& files) = 0;
  virtual bool SetClipboardText(std::u16string_view text) = 0;
};

// The backend of the calling thread: GTK on the display thread, else the headless one.
SurfaceBackend& CurrentBackend();
SurfaceBackend& HeadlessBackend();
SurfaceBackend& GtkBackend();

}  // namespace platform::detail
