#include "widgets/Skin.h"

#include <algorithm>
#include <cmath>

#include "platform/win/Surface.h"

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

// A straight stroke from (x0, y0) to (x1, y1), `width` pixels thick, laid down as squares one pixel
// apart (the glyphs are small, so this draws them crisp).
void Stroke(Canvas& canvas, float x0, float y0, float x1, float y1, float width, Color colour) {
  const float dx = x1 - x0;
  const float dy = y1 - y0;
  const int steps = static_cast<int>(std::max(std::abs(dx), std::abs(dy)));
  for (int i = 0; i <= steps; ++i) {
    const float t = steps > 0 ? static_cast<float>(i) / steps : 0;
    canvas.FillRect({x0 + dx * t - width / 2, y0 + dy * t - width / 2, width, width}, colour);
  }
}

}  // namespace

Bitmap CheckBox(int size, bool ticked) {
  Bitmap box(size, size);
  Canvas canvas(box);
  const float s = static_cast<float>(size);
  if (!ticked) {
    DrawBox(canvas, {0, 0, s, s}, 0xFFB4B4B4, 0xFFFFFFFF);
    return box;
  }
  DrawBox(canvas, {0, 0, s, s}, Mix(kAccent, 0xFF000000, 0.15), kAccent);
  const float w = std::max(1.5f, s / 7);
  Stroke(canvas, s * 0.24f, s * 0.52f, s * 0.42f, s * 0.70f, w, 0xFFFFFFFF);
  Stroke(canvas, s * 0.42f, s * 0.70f, s * 0.78f, s * 0.30f, w, 0xFFFFFFFF);
  return box;
}

Bitmap CloseGlyph(int size, Color colour) {
  Bitmap glyph(size, size);
  Canvas canvas(glyph);
  const float s = static_cast<float>(size);
  const float w = std::max(1.5f, s / 8);
  Stroke(canvas, s * 0.2f, s * 0.2f, s * 0.8f, s * 0.8f, w, colour);
  Stroke(canvas, s * 0.8f, s * 0.2f, s * 0.2f, s * 0.8f, w, colour);
  return glyph;
}

Bitmap FolderGlyph(int size) {
  Bitmap glyph(size, size);
  Canvas canvas(glyph);
  const float s = static_cast<float>(size);
  constexpr Color kEdge = 0xFFD9A23A;
  DrawBox(canvas, {0, s * 0.12f, s * 0.45f, s * 0.25f}, kEdge, 0xFFF6CF6B);  // the tab
  DrawBox(canvas, {0, s * 0.25f, s, s * 0.65f}, kEdge, 0xFFF8D77E);          // the body
  return glyph;
}

Bitmap DriveGlyph(int size) {
  Bitmap glyph(size, size);
  Canvas canvas(glyph);
  const float s = static_cast<float>(size);
  DrawBox(canvas, {0, s * 0.3f, s, s * 0.45f}, 0xFF8C939B, 0xFFD5DAE0);
  canvas.FillRect({s * 0.72f, s * 0.48f, std::max(2.0f, s / 8), std::max(2.0f, s / 8)}, 0xFF4CB050);  // the light
  return glyph;
}

Bitmap ExpanderGlyph(int size, bool expanded) {
  Bitmap glyph(size, size);
  Canvas canvas(glyph);
  constexpr Color kArrow = 0xFF8A8A8A;
  // A triangle `depth` pixels deep, its base twice that less one, centred: one line of pixels per
  // step from the base to the point.
  const int depth = size / 4 + 1;
  const float centre = size / 2.0f;
  const float first = std::floor(centre - depth / 2.0f);
  for (int i = 0; i < depth; ++i) {
    const float length = static_cast<float>(2 * (depth - i) - 1);
    const float at = first + i;
    if (expanded) {
      canvas.FillRect({std::floor(centre - length / 2), at, length, 1}, kArrow);
    } else {
      canvas.FillRect({at, std::floor(centre - length / 2), 1, length}, kArrow);
    }
  }
  return glyph;
}

Bitmap DialogBackground(int width, int height, int titleHeight, int bottomHeight) {
  Bitmap background(width, height, 0xFFFFFFFF);
  Canvas canvas(background);
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  canvas.FillRect({0, 0, w, static_cast<float>(titleHeight)}, kPanel);
  canvas.FillRect({0, h - bottomHeight, w, static_cast<float>(bottomHeight)}, kPanel);
  canvas.FillRect({0, static_cast<float>(titleHeight), w, 1}, 0xFFE6E6E6);
  canvas.FillRect({0, h - bottomHeight - 1, w, 1}, 0xFFE6E6E6);
  constexpr Color kOutline = 0xFFC4C4C4;
  canvas.FillRect({0, 0, w, 1}, kOutline);
  canvas.FillRect({0, h - 1, w, 1}, kOutline);
  canvas.FillRect({0, 0, 1, h}, kOutline);
  canvas.FillRect({w - 1, 0, 1, h}, kOutline);
  return background;
}

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

Bitmap RotateButton(int width, int height) {
  Bitmap button(width, height);
  Canvas canvas(button);
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  DrawBox(canvas, {0, 0, w, h}, kBorder, 0xF2FFFFFF);
  // Three quarters of a ring, from the top round to the left, and an arrow head at its top end.
  const float cx = w / 2, cy = h / 2 + 0.5f;
  const float radius = std::max(2.0f, std::min(w, h) / 2 - 3.5f);
  for (int step = 0; step <= 36; ++step) {
    const double angle = -M_PI / 2 + step * (1.5 * M_PI / 36);
    const float x = cx + radius * static_cast<float>(std::cos(angle));
    const float y = cy + radius * static_cast<float>(std::sin(angle));
    canvas.FillRect({x - 0.75f, y - 0.75f, 1.5f, 1.5f}, kAccent);
  }
  const float tipX = cx + 2.5f, tipY = cy - radius;
  for (int row = 0; row < 3; ++row) {
    canvas.FillRect({tipX - 3 + row, tipY - 2.5f + row, 1, 5.0f - 2 * row}, kAccent);
  }
  return button;
}

RectF ClientArea(platform::HWND window) {
  platform::RECT client{};
  platform::GetClientRect(window, &client);
  return {0, 0, static_cast<float>(client.right), static_cast<float>(client.bottom)};
}

void DrawBox(Canvas& canvas, const RectF& r, Color border, Color fill) {
  canvas.FillRect(r, border);
  canvas.FillRect({r.x + 1, r.y + 1, r.width - 2, r.height - 2}, fill);
}

platform::gfx::Font UiFont(float pixelSize) { return platform::gfx::Font(u"宋体", pixelSize); }

}  // namespace skin
