#pragma once
// Painting a window in its WM_PAINT handler:
//
//   case WM_PAINT: {
//     PaintDC dc(hwnd());
//     dc.canvas().FillRect(...);
//     return 0;
//   }
//
// The canvas draws into the window's own pixels (the whole client area, double-buffered), limited
// to the update rectangle; what it drew is shown once the handler returns. Outside WM_PAINT, or for
// a window without a surface, ok() is false and the canvas draws nothing.

#include <memory>

#include "platform/gfx/Canvas.h"
#include "platform/win/Types.h"

namespace platform {

class PaintDC {
 public:
  explicit PaintDC(HWND hwnd);
  ~PaintDC();
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;

  bool ok() const { return painting_; }
  gfx::Canvas& canvas() { return *canvas_; }
  // The update rectangle in client coordinates.
  const RECT& rcPaint() const { return rcPaint_; }

 private:
  gfx::Bitmap none_;  // the target when there is nothing to paint
  std::unique_ptr<gfx::Canvas> canvas_;
  RECT rcPaint_;
  bool painting_ = false;
};

}  // namespace platform
