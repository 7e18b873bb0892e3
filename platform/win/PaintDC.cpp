#include "platform/win/PaintDC.h"

#include "platform/win/SurfaceBackend.h"

namespace platform {

PaintDC::PaintDC(HWND hwnd) {
  detail::SurfaceState* surface = detail::SurfaceOf(hwnd);
  if (!surface || !surface->paintRect || surface->pixels.empty()) {
    canvas_ = std::make_unique<gfx::Canvas>(none_);
    return;
  }
  rcPaint_ = *surface->paintRect;
  canvas_ = std::make_unique<gfx::Canvas>(surface->pixels);
  canvas_->PushClip({static_cast<float>(rcPaint_.left), static_cast<float>(rcPaint_.top),
                     static_cast<float>(RectWidth(rcPaint_)), static_cast<float>(RectHeight(rcPaint_))});
  painting_ = true;
}

PaintDC::~PaintDC() = default;

}  // namespace platform
