#include "widgets/Skin.h"

#include <algorithm>

namespace skin {

using platform::gfx::Canvas;
using platform::gfx::RectF;

namespace {

// A colour between `a` (t = 0) and `b` (t = 1).
Color Mix(Color a, Color b, double t) {
  auto channel = [&](int shift) {
    const double ca = (a >> shift) & 0xFF;
    const double cb = (b >> shift) & 0xFF;
    return static_cast<Color>(ca + (cb - ca) * t + 0.5) << shift;
  };
  return channel(24) | channel(16) | channel(8) | channel(0);
}

// A frame of `thickness` pixels along the inside of `rect`.
void Frame(Canvas& canvas, const RectF& r, float thickness, Color colour) {
  canvas.FillRect({r.x, r.y, r.width, thickness}, colour);
  canvas.FillRect({r.x, r.y + r.height - thickness, r.width, thickness}, colour);
  canvas.FillRect({r.x, r.y + thickness, thickness, r.height - 2 * thickness}, colour);
  canvas.FillRect({r.x + r.width - thickness, r.y + thickness, thickness, r.height - 2 * thickness}, colour);
}

// A button face: a one-pixel border a little darker than the face, with the corners cut.
Bitmap Face(int width, int height, Color fill) {
  Bitmap face(width, height);
  Canvas canvas(face);
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  canvas.FillRect({1, 1, w - 2, h - 2}, fill);
  const Color border = Mix(fill, 0xFF000000, 0.15);
  canvas.FillRect({1, 0, w - 2, 1}, border);
  canvas.FillRect({1, h - 1, w - 2, 1}, border);
  canvas.FillRect({0, 1, 1, h - 2}, border);
  canvas.FillRect({w - 1, 1, 1, h - 2}, border);
  return face;
}

}  // namespace

Bitmap SelectionFrame(int width, int height) {
  Bitmap frame(width, height);
  Canvas canvas(frame);
  const RectF all{0, 0, static_cast<float>(width), static_cast<float>(height)};
  canvas.FillRect(all, (kAccent & 0x00FFFFFF) | 0x1A000000);
  Frame(canvas, all, 2, kAccent);
  return frame;
}

Bitmap GridBackground() {
  constexpr int kHeight = 291;
  Bitmap background(1, kHeight);
  for (int y = 0; y < kHeight; ++y) background.at(0, y) = Mix(0xFFFFFFFF, 0xFFF1F4F8, double(y) / (kHeight - 1));
  return background;
}

Bitmap AddPhotosPicture(int size) {
  Bitmap picture(size, size);
  Canvas canvas(picture);
  const float s = static_cast<float>(size);
  constexpr Color kLine = 0xFFC8CDD4;
  // A dashed square: dashes of 6 pixels, gaps of 4.
  for (float at = 0; at < s; at += 10) {
    const float dash = std::min(6.0f, s - at);
    canvas.FillRect({at, 0, dash, 2}, kLine);
    canvas.FillRect({at, s - 2, dash, 2}, kLine);
    canvas.FillRect({0, at, 2, dash}, kLine);
    canvas.FillRect({s - 2, at, 2, dash}, kLine);
  }
  const float arm = s * 0.4f;
  const float bar = std::max(2.0f, s / 16);
  canvas.FillRect({(s - bar) / 2, (s - arm) / 2, bar, arm}, kLine);
  canvas.FillRect({(s - arm) / 2, (s - bar) / 2, arm, bar}, kLine);
  return picture;
}

ButtonFaces PushButtonFaces(int width, int height, Color fill) {
  return {Face(width, height, fill), Face(width, height, Mix(fill, 0xFFFFFFFF, 0.15)),
          Face(width, height, Mix(fill, 0xFF000000, 0.12)), Face(width, height, Mix(fill, 0xFFDDDDDD, 0.7))};
}

void DrawBox(Canvas& canvas, const RectF& r, Color border, Color fill) {
  canvas.FillRect(r, border);
  canvas.FillRect({r.x + 1, r.y + 1, r.width - 2, r.height - 2}, fill);
}

platform::gfx::Font UiFont(float pixelSize) { return platform::gfx::Font(u"宋体", pixelSize); }

}  // namespace skin
