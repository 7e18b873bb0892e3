#include "platform/gfx/Canvas.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <memory>
#include <string>

#include "platform/CodePage.h"

namespace platform::gfx {

namespace {

// The margin at each end of a line of text, as a fraction of the em.
constexpr double kMarginPerEm = 1.0 / 6.0;

double Margin(const Font& font) { return font.pixelSize() * kMarginPerEm; }

struct RGBA {
  double r, g, b, a;
};

RGBA Components(Color color) {
  return {((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, (color & 0xFF) / 255.0,
          ((color >> 24) & 0xFF) / 255.0};
}

// Wraps the pixels of `bitmap` (Cairo's ARGB32 layout, rows without padding) in a surface.
// Cairo only reads a surface that is used as a source, so a const bitmap can be wrapped for that.
cairo_surface_t* WrapPixels(const Bitmap& bitmap) {
  if (bitmap.empty() || cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, bitmap.width()) != bitmap.stride()) {
    return nullptr;
  }
  auto* pixels = reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(bitmap.data()));
  return cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_ARGB32, bitmap.width(), bitmap.height(),
                                             bitmap.stride());
}

// Pango takes UTF-8 without NUL bytes; a NUL character is shown as U+FFFD.
std::string LayoutText(std::u16string_view text) {
  std::string utf8 = Utf8(text);
  for (size_t at = utf8.find('\0'); at != std::string::npos; at = utf8.find('\0', at)) {
    utf8.replace(at, 1, "\xEF\xBF\xBD");
  }
  return utf8;
}

using FontDescription = std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)>;

FontDescription Describe(const Font& font) {
  FontDescription description(pango_font_description_new(), &pango_font_description_free);
  pango_font_description_set_family(description.get(), font.family().c_str());
  pango_font_description_set_absolute_size(description.get(), font.pixelSize() * PANGO_SCALE);
  pango_font_description_set_weight(description.get(),
                                    font.weight() == FontWeight::kBold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  return description;
}

}  // namespace

Canvas::Canvas(Bitmap& target) {
  surface_ = WrapPixels(target);
  if (!surface_) return;
  cr_ = cairo_create(surface_);
  layout_ = pango_cairo_create_layout(cr_);
  // Grey anti-aliasing: sub-pixel colour fringes would show on photos and on transparent pixels.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  pango_cairo_context_set_font_options(pango_layout_get_context(layout_), options);
  cairo_font_options_destroy(options);
  pango_layout_context_changed(layout_);
}

Canvas::~Canvas() {
  if (layout_) g_object_unref(layout_);
  if (cr_) cairo_destroy(cr_);
  if (surface_) {
    cairo_surface_flush(surface_);
    cairo_surface_destroy(surface_);
  }
}

bool Canvas::ok() const { return cr_ && cairo_status(cr_) == CAIRO_STATUS_SUCCESS; }

void Canvas::SetSourceColor(Color color) {
  const RGBA c = Components(color);
  cairo_set_source_rgba(cr_, c.r, c.g, c.b, c.a);
}

bool Canvas::FillRect(const RectF& rect, Color color) {
  if (!ok()) return false;
  SetSourceColor(color);
  cairo_rectangle(cr_, rect.x, rect.y, rect.width, rect.height);
  cairo_fill(cr_);
  return ok();
}

bool Canvas::FillPathGradient(const RectF& rect, PointF centre, Color centreColor,
                              const std::array<Color, 4>& cornerColors) {
  if (!ok()) return false;
  const PointF corners[4] = {{rect.x, rect.y},
                             {rect.x + rect.width, rect.y},
                             {rect.x + rect.width, rect.y + rect.height},
                             {rect.x, rect.y + rect.height}};
  // One triangle from the centre to each side. A patch whose fourth corner is the centre again
  // shades every ray from the centre linearly from the centre colour to the colour at the side,
  // and along each side linearly between its two corners.
  cairo_pattern_t* mesh = cairo_pattern_create_mesh();
  const RGBA middle = Components(centreColor);
  for (int side = 0; side < 4; ++side) {
    const PointF& from = corners[side];
    const PointF& to = corners[(side + 1) % 4];
    const RGBA a = Components(cornerColors[side]);
    const RGBA b = Components(cornerColors[(side + 1) % 4]);
    cairo_mesh_pattern_begin_patch(mesh);
    cairo_mesh_pattern_move_to(mesh, centre.x, centre.y);
    cairo_mesh_pattern_line_to(mesh, from.x, from.y);
    cairo_mesh_pattern_line_to(mesh, to.x, to.y);
    cairo_mesh_pattern_line_to(mesh, centre.x, centre.y);
    cairo_mesh_pattern_set_corner_color_rgba(mesh, 0, middle.r, middle.g, middle.b, middle.a);
    cairo_mesh_pattern_set_corner_color_rgba(mesh, 1, a.r, a.g, a.b, a.a);
    cairo_mesh_pattern_set_corner_color_rgba(mesh, 2, b.r, b.g, b.b, b.a);
    cairo_mesh_pattern_set_corner_color_rgba(mesh, 3, middle.r, middle.g, middle.b, middle.a);
    cairo_mesh_pattern_end_patch(mesh);
  }
  cairo_set_source(cr_, mesh);
  cairo_rectangle(cr_, rect.x, rect.y, rect.width, rect.height);
  cairo_fill(cr_);
  cairo_pattern_destroy(mesh);
  return ok();
}

bool Canvas::DrawImage(const Bitmap& image, int x, int y) {
  if (!ok()) return false;
  cairo_surface_t* source = WrapPixels(image);
  if (!source) return false;
  cairo_set_source_surface(cr_, source, x, y);
  cairo_rectangle(cr_, x, y, image.width(), image.height());
  cairo_fill(cr_);
  // Drop the canvas's reference to the source before the surface goes.
  cairo_set_source_rgb(cr_, 0, 0, 0);
  cairo_surface_destroy(source);
  return ok();
}

bool Canvas::DrawImage(const Bitmap& image, const RectF& dest) {
  if (!ok()) return false;
  if (dest.width <= 0 || dest.height <= 0) return true;
  cairo_surface_t* source = WrapPixels(image);
  if (!source) return false;
  cairo_save(cr_);
  cairo_rectangle(cr_, dest.x, dest.y, dest.width, dest.height);
  cairo_clip(cr_);
  cairo_translate(cr_, dest.x, dest.y);
  cairo_scale(cr_, dest.width / image.width(), dest.height / image.height());
  cairo_set_source_surface(cr_, source, 0, 0);
  // Stretching a 1-pixel-wide picture must not fade its edges into transparency.
  cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_GOOD);
  cairo_paint(cr_);
  cairo_restore(cr_);
  cairo_surface_destroy(source);
  return ok();
}

void Canvas::PushClip(const RectF& rect) {
  if (!cr_) return;
  cairo_save(cr_);
  cairo_rectangle(cr_, rect.x, rect.y, rect.width, rect.height);
  cairo_clip(cr_);
}

void Canvas::PopClip() {
  if (cr_) cairo_restore(cr_);
}

bool Canvas::PrepareText(std::u16string_view text, const Font& font, float wrapWidth) {
  if (!ok() || !font.ok()) return false;
  const FontDescription description = Describe(font);
  pango_layout_set_font_description(layout_, description.get());
  // Pango widths are ints of 1/1024 pixel: a wider rectangle than a million pixels does not wrap.
  const bool wrap = wrapWidth > 0 && wrapWidth < 1e6f;
  pango_layout_set_width(layout_, wrap ? static_cast<int>(wrapWidth * PANGO_SCALE) : -1);
  pango_layout_set_wrap(layout_, PANGO_WRAP_WORD_CHAR);
  const std::string utf8 = LayoutText(text);
  pango_layout_set_text(layout_, utf8.data(), static_cast<int>(utf8.size()));
  return true;
}

SizeF Canvas::MeasureText(std::u16string_view text, const Font& font) {
  if (!PrepareText(text, font, 0)) return {};
  PangoRectangle logical;
  pango_layout_get_extents(layout_, nullptr, &logical);
  return {static_cast<float>(logical.width / double{PANGO_SCALE} + 2 * Margin(font)),
          static_cast<float>(logical.height / double{PANGO_SCALE})};
}

bool Canvas::ShowLayout(double x, double y, const RectF& clip, Color color) {
  cairo_save(cr_);
  cairo_rectangle(cr_, clip.x, clip.y, clip.width, clip.height);
  cairo_clip(cr_);
  SetSourceColor(color);
  cairo_move_to(cr_, x, y);
  pango_cairo_show_layout(cr_, layout_);
  cairo_restore(cr_);
  return ok();
}

bool Canvas::DrawText(std::u16string_view text, const Font& font, const RectF& layout, Color color) {
  const double margin = Margin(font);
  if (!PrepareText(text, font, static_cast<float>(layout.width - 2 * margin))) return false;
  return ShowLayout(layout.x + margin, layout.y, layout, color);
}

bool Canvas::DrawTextLine(std::u16string_view text, const Font& font, const RectF& layout, Color color, Align align) {
  std::u16string line(text);
  for (char16_t& c : line) {
    if (c == u'\n' || c == u'\r') c = u' ';
  }
  const double margin = Margin(font);
  const double width = layout.width - 2 * margin;
  if (!PrepareText(line, font, 0)) return false;
  if (width > 0) {
    pango_layout_set_width(layout_, static_cast<int>(width * PANGO_SCALE));
    pango_layout_set_ellipsize(layout_, PANGO_ELLIPSIZE_END);
  }
  pango_layout_set_alignment(layout_, align == Align::kCentre ? PANGO_ALIGN_CENTER : PANGO_ALIGN_LEFT);
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout_, nullptr, &logical);
  const double y = layout.y + (layout.height - logical.height) / 2.0;
  const bool drawn = ShowLayout(layout.x + margin, y, layout, color);
  // The layout is shared by every text call: leave it as PrepareText expects to find it.
  pango_layout_set_ellipsize(layout_, PANGO_ELLIPSIZE_NONE);
  pango_layout_set_alignment(layout_, PANGO_ALIGN_LEFT);
  return drawn;
}

}  // namespace platform::gfx
