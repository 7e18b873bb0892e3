// The backend of threads without a display: the model alone. Nothing is shown; a capture is
// composed from the pixels the windows painted, and the clipboard is one store for the process.

#include <mutex>
#include <variant>

#include "platform/gfx/Canvas.h"
#include "platform/win/SurfaceBackend.h"

namespace platform::detail {

namespace {

constexpr gfx::Color kScrollBarColor = 0xFFE8E8E8;

// Draws `surface`'s pixels and its visible children's into `canvas` at `origin`.
void Compose(gfx::Canvas& canvas, const SurfaceState& surface, POINT origin) {
  canvas.DrawImage(surface.pixels, origin.x, origin.y);
  if (surface.vscrollShown()) {
    canvas.FillRect({static_cast<float>(origin.x + surface.clientWidth()), static_cast<float>(origin.y),
                     static_cast<float>(RectWidth(surface.rect) - surface.clientWidth()),
                     static_cast<float>(surface.clientHeight())},
                    kScrollBarColor);
  }
  for (HWND hwnd : surface.children) {
    const SurfaceState* child = SurfaceOf(hwnd);
    if (!child || !child->visible()) continue;
    canvas.PushClip({static_cast<float>(origin.x), static_cast<float>(origin.y), static_cast<float>(surface.clientWidth()),
                     static_cast<float>(surface.clientHeight())});
    Compose(canvas, *child, POINT{origin.x + child->rect.left, origin.y + child->rect.top});
    canvas.PopClip();
  }
}

class Headless : public SurfaceBackend {
 public:
  void Create(SurfaceState&) override {}
  void Destroy(SurfaceState&) override {}
  void Update(SurfaceState&) override {}
  void UpdateScrollBar(SurfaceState&) override {}
  void Present(SurfaceState&, const RECT&) override {}
  void ShowCursor(SurfaceState&, Cursor) override {}
  void Focus(SurfaceState&) override {}
  void AcceptFiles(SurfaceState&) override {}
  bool BeginMove(SurfaceState&) override { return false; }

  bool Capture(SurfaceState& surface, gfx::Bitmap* out) override {
    gfx::Bitmap image(surface.clientWidth(), surface.clientHeight(), 0xFFFFFFFF);
    {
      gfx::Canvas canvas(image);
      Compose(canvas, surface, POINT{0, 0});
      if (!canvas.ok()) return false;
    }
    *out = std::move(image);
    return true;
  }

  bool GetClipboardImage(gfx::Bitmap* out) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!std::holds_alternative<gfx::Bitmap>(clipboard_)) return false;
    *out = std::get<gfx::Bitmap>(clipboard_);
    return true;
  }
  bool GetClipboardFiles(std::vector<std::u16string>* out) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!std::holds_alternative<Files>(clipboard_)) return false;
    *out = std::get<Files>(clipboard_);
    return true;
  }
  bool SetClipboardImage(const gfx::Bitmap& image) override { return Set(image); }
  bool SetClipboardFiles(const std::vector<std::u16string>& files) override { return Set(files); }
  bool SetClipboardText(std::u16string_view text) override { return Set(std::u16string(text)); }

 private:
  using Files = std::vector<std::u16string>;
  template <class T>
  bool Set(T value) {
    std::lock_guard<std::mutex> lock(mutex_);
    clipboard_ = std::move(value);
    return true;
  }

  std::mutex mutex_;  // guards clipboard_: every headless thread shares it
  std::variant<std::monostate, gfx::Bitmap, Files, std::u16string> clipboard_;
};

}  // namespace

SurfaceBackend& HeadlessBackend() {
  static Headless* backend = new Headless;  // used by windows until the last thread ends
  return *backend;
}

}  // namespace platform::detail
