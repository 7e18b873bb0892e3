#pragma once
// Drawing into a Bitmap: solid and gradient fills, other bitmaps and text, on Cairo and Pango.
//
// A Canvas draws straight into the pixels of the bitmap it is given; the bitmap must outlive the
// canvas and keep its size meanwhile. Drawing is finished when the canvas is destroyed. Every
// operation blends over what is there (source over) and returns false when it failed; once a
// Cairo call has failed, the canvas stays failed and every later operation returns false.
//
// Colours are 0xAARRGGBB with straight (not premultiplied) alpha. Coordinates are pixels, origin
// top left; integer rectangles cover whole pixels.
//
// Text keeps a margin of a sixth of the em at both ends of a line, as classic desktop text layout
// does: MeasureText includes both margins and DrawText starts the text one margin inside its
// rectangle. Callers that place pieces of text one after another subtract the margins themselves.
//
// A canvas belongs to the thread that made it; different threads may each draw on their own canvas.

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Font.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _PangoLayout PangoLayout;

namespace platform::gfx {

using Color = uint32_t;

struct PointF {
  float x = 0;
  float y = 0;
};
struct SizeF {
  float width = 0;
  float height = 0;
};
struct RectF {
  float x = 0;
  float y = 0;
  float width = 0;
  float height = 0;
};

class Canvas {
 public:
  explicit Canvas(Bitmap& target);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // False when the bitmap is empty or a drawing call has failed.
  bool ok() const;

  bool FillRect(const RectF& rect, Color color);
  // Fills `rect` with a gradient that runs from `centreColor` at `centre` out to the rectangle's
  // edges, where the colour runs linearly between the corner colours, given in the order top-left,
  // top-right, bottom-right, bottom-left. `centre` should lie inside or on the rectangle.
  bool FillPathGradient(const RectF& rect, PointF centre, Color centreColor, const std::array<Color, 4>& cornerColors);
  // Draws `image` at its own size with its top left corner at (x, y).
  bool DrawImage(const Bitmap& image, int x, int y);
  // Draws `image` stretched (smoothly) over `dest`.
  bool DrawImage(const Bitmap& image, const RectF& dest);

  // Limits every later drawing to `rect` (within the current limit) until the matching PopClip.
  void PushClip(const RectF& rect);
  void PopClip();

  // The size of `text` laid out on one line from the origin, margins included. Zero when the
  // canvas or the font is not usable.
  SizeF MeasureText(std::u16string_view text, const Font& font);
  // Draws `text` from the top left corner of `layout`, wrapped at its width and clipped to it.
  bool DrawText(std::u16string_view text, const Font& font, const RectF& layout, Color color);
  // Draws `text` as one line (line breaks shown as spaces), centred vertically in `layout`, placed
  // by `align` and ended by an ellipsis where it does not fit the width.
  enum class Align { kLeft, kCentre };
  bool DrawTextLine(std::u16string_view text, const Font& font, const RectF& layout, Color color,
                    Align align = Align::kLeft);

 private:
  // Sets the layout's font and text; false when the font is not usable.
  bool PrepareText(std::u16string_view text, const Font& font, float wrapWidth);
  // Paints the prepared layout at (x, y), clipped to `clip`.
  bool ShowLayout(double x, double y, const RectF& clip, Color color);
  void SetSourceColor(Color color);

  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  PangoLayout* layout_ = nullptr;
};

}  // namespace platform::gfx
