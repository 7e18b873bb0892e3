// The backend of the display thread: every surface is shown by GTK widgets (GtkSurface.h); input
// arrives through GtkInput.cpp, the clipboard through GtkClipboard.cpp.

#include <cairo.h>

#include <chrono>

#include "platform/CodePage.h"
#include "platform/win/GtkLoop.h"
#include "platform/win/GtkSurface.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Surface.h"

namespace platform::detail {

namespace {

gboolean DrawClient(GtkWidget*, cairo_t* cr, gpointer data) {
  auto* native = static_cast<GtkSurface*>(data);
  ++native->draws;
  SurfaceState* surface = SurfaceOf(native->hwnd);
  if (!surface || surface->pixels.empty()) return FALSE;
  gfx::Bitmap& pixels = surface->pixels;
  cairo_surface_t* image = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                               CAIRO_FORMAT_ARGB32, pixels.width(), pixels.height(),
                                                               pixels.stride());
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_paint(cr);
  cairo_surface_destroy(image);
  return FALSE;  // the layout draws the child surfaces over it
}

// The user resized or moved a top-level window.
gboolean Configured(GtkWidget*, GdkEventConfigure* event, gpointer data) {
  auto* native = static_cast<GtkSurface*>(data);
  SurfaceState* surface = SurfaceOf(native->hwnd);
  if (!surface) return FALSE;
  const RECT& r = surface->rect;
  if (r.left != event->x || r.top != event->y || RectWidth(r) != event->width || RectHeight(r) != event->height) {
    DirectDispatch direct;
    MoveWindow(native->hwnd, event->x, event->y, event->width, event->height);
  }
  return FALSE;
}

gboolean CloseRequested(GtkWidget*, GdkEvent*, gpointer data) {
  DirectDispatch direct;
  SendMessage(static_cast<GtkSurface*>(data)->hwnd, WM_CLOSE);
  return TRUE;  // the window decides whether it goes
}

GtkWidget* ParentLayout(const SurfaceState& surface) {
  SurfaceState* parent = SurfaceOf(surface.parent);
  return parent && parent->native ? static_cast<GtkSurface*>(parent->native.get())->layout : nullptr;
}

const char* CursorName(Cursor cursor) {
  switch (cursor) {
    case Cursor::kArrow: return "default";
    case Cursor::kHand: return "pointer";
    case Cursor::kSizeAll: return "move";
    case Cursor::kSizeWE: return "ew-resize";
    case Cursor::kIBeam: return "text";
    case Cursor::kNo: return "not-allowed";
  }
  return "default";
}

class GtkDisplayBackend : public SurfaceBackend {
 public:
  void Create(SurfaceState& surface) override {
    auto native = std::make_unique<GtkSurface>();
    native->hwnd = surface.hwnd;
    native->layout = gtk_layout_new(nullptr, nullptr);
    gtk_widget_set_can_focus(native->layout, TRUE);
    g_signal_connect(native->layout, "draw", G_CALLBACK(DrawClient), native.get());
    native->box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    g_object_ref_sink(native->box);  // kept until the surface goes, whoever destroys it first
    gtk_box_pack_start(GTK_BOX(native->box), native->layout, TRUE, TRUE, 0);
    if (surface.style & WS_VSCROLL) {
      native->scrollBar = gtk_scrollbar_new(GTK_ORIENTATION_VERTICAL, nullptr);
      gtk_widget_set_size_request(native->scrollBar, GetSystemMetrics(SM_CXVSCROLL), -1);
      gtk_box_pack_start(GTK_BOX(native->box), native->scrollBar, FALSE, FALSE, 0);
    }
    if (surface.parent) {
      if (GtkWidget* parentLayout = ParentLayout(surface)) {
        gtk_layout_put(GTK_LAYOUT(parentLayout), native->box, surface.rect.left, surface.rect.top);
      }
    } else {
      native->window = gtk_window_new((surface.style & WS_POPUP) ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL);
      g_object_ref_sink(native->window);
      if (surface.style & WS_BORDERLESS) gtk_window_set_decorated(GTK_WINDOW(native->window), FALSE);
      gtk_container_add(GTK_CONTAINER(native->window), native->box);
      g_signal_connect(native->window, "configure-event", G_CALLBACK(Configured), native.get());
      g_signal_connect(native->window, "delete-event", G_CALLBACK(CloseRequested), native.get());
    }
    ConnectInput(*native);
    gtk_widget_show_all(native->box);
    surface.native = std::move(native);
    UpdateScrollBar(surface);
    Update(surface);
  }

  void Destroy(SurfaceState& surface) override { surface.native.reset(); }

  void Update(SurfaceState& surface) override {
    GtkSurface* native = Gtk(surface);
    if (!native) return;
    const RECT& r = surface.rect;
    if (native->window) {
      gtk_window_set_title(GTK_WINDOW(native->window), Utf8(surface.title).c_str());
      gtk_window_move(GTK_WINDOW(native->window), r.left, r.top);
      gtk_window_resize(GTK_WINDOW(native->window), std::max(1, RectWidth(r)), std::max(1, RectHeight(r)));
      gtk_widget_set_visible(native->window, surface.visible());
    } else if (GtkWidget* parentLayout = ParentLayout(surface)) {
      gtk_layout_move(GTK_LAYOUT(parentLayout), native->box, r.left, r.top);
      gtk_widget_set_size_request(native->box, RectWidth(r), RectHeight(r));
      gtk_widget_set_visible(native->box, surface.visible());
    }
  }

  void UpdateScrollBar(SurfaceState& surface) override {
    GtkSurface* native = Gtk(surface);
    if (!native || !native->scrollBar) return;
    const SCROLLINFO& s = surface.vscroll;
    const double page = s.nPage;
    native->settingScrollBar = true;
    gtk_range_set_adjustment(GTK_RANGE(native->scrollBar),
                             gtk_adjustment_new(s.nPos, s.nMin, s.nMax + 1.0, 1, std::max(1.0, page), page));
    native->settingScrollBar = false;
    const bool scrolls = int64_t{s.nMax} - s.nMin + 1 > int64_t{s.nPage};
    gtk_widget_set_sensitive(native->scrollBar, scrolls);
    gtk_widget_set_visible(native->scrollBar, surface.vscrollShown());
  }

  void Present(SurfaceState& surface, const RECT& rect) override {
    if (GtkSurface* native = Gtk(surface)) {
      gtk_widget_queue_draw_area(native->layout, rect.left, rect.top, RectWidth(rect), RectHeight(rect));
    }
  }

  void ShowCursor(SurfaceState& surface, Cursor cursor) override {
    GtkSurface* native = Gtk(surface);
    if (!native || !gtk_widget_get_realized(native->layout)) return;
    GdkWindow* window = gtk_layout_get_bin_window(GTK_LAYOUT(native->layout));
    GdkCursor* shape = gdk_cursor_new_from_name(gdk_window_get_display(window), CursorName(cursor));
    gdk_window_set_cursor(window, shape);
    if (shape) g_object_unref(shape);
  }

  void Focus(SurfaceState& surface) override {
    if (GtkSurface* native = Gtk(surface)) gtk_widget_grab_focus(native->layout);
  }

  void AcceptFiles(SurfaceState& surface) override {
    if (GtkSurface* native = Gtk(surface)) SetDropTarget(*native, surface.acceptFiles);
  }

  // The window manager moves the window while the button of the press being handled stays down.
  // Without such a press (synthetic input) the layer moves it itself.
  bool BeginMove(SurfaceState& surface) override {
    GtkSurface* native = Gtk(surface);
    GdkEvent* event = gtk_get_current_event();
    if (!native || !native->window || !event) {
      if (event) gdk_event_free(event);
      return false;
    }
    guint button = 0;
    gdouble x = 0, y = 0;
    const bool press = gdk_event_get_event_type(event) == GDK_BUTTON_PRESS && gdk_event_get_button(event, &button) &&
                       gdk_event_get_root_coords(event, &x, &y);
    const guint32 time = gdk_event_get_time(event);
    gdk_event_free(event);
    if (!press) return false;
    gtk_window_begin_move_drag(GTK_WINDOW(native->window), static_cast<gint>(button), static_cast<gint>(x),
                               static_cast<gint>(y), time);
    return true;
  }

  // What the X server shows of the client area, once GTK has drawn the latest pixels.
  bool Capture(SurfaceState& surface, gfx::Bitmap* out) override {
    GtkSurface* native = Gtk(surface);
    if (!native || !gtk_widget_get_mapped(native->layout)) return false;
    const HWND hwnd = surface.hwnd;
    const unsigned before = native->draws;
    gtk_widget_queue_draw(native->box);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    {
      DirectDispatch direct;
      while (SurfaceOf(hwnd) && native->draws == before && std::chrono::steady_clock::now() < deadline) {
        IterateMainLoop(deadline);
      }
    }
    if (!SurfaceOf(hwnd) || native->draws == before) return false;
    gdk_display_sync(gtk_widget_get_display(native->layout));
    GdkWindow* window = gtk_layout_get_bin_window(GTK_LAYOUT(native->layout));
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(window, 0, 0, surface.clientWidth(), surface.clientHeight());
    if (!shot) return false;
    *out = BitmapFromPixbuf(shot);
    g_object_unref(shot);
    return !out->empty();
  }

  bool GetClipboardImage(gfx::Bitmap* out) override { return ReadClipboardImage(out); }
  bool GetClipboardFiles(std::vector<std::u16string>* out) override { return ReadClipboardFiles(out); }
  bool SetClipboardImage(const gfx::Bitmap& image) override { return WriteClipboardImage(image); }
  bool SetClipboardFiles(const std::vector<std::u16string>& files) override { return WriteClipboardFiles(files); }
  bool SetClipboardText(std::u16string_view text) override { return WriteClipboardText(text); }
};

}  // namespace

GtkSurface::~GtkSurface() {
  // No handler may run for a surface that is half gone.
  for (gpointer widget : {static_cast<gpointer>(window), static_cast<gpointer>(layout), static_cast<gpointer>(scrollBar),
                          static_cast<gpointer>(im)}) {
    if (widget) g_signal_handlers_disconnect_by_data(widget, this);
  }
  if (im) g_object_unref(im);
  if (window) {
    gtk_widget_destroy(window);
    g_object_unref(window);
  }
  if (box) {
    gtk_widget_destroy(box);
    g_object_unref(box);
  }
}

SurfaceBackend& GtkBackend() {
  static GtkDisplayBackend* backend = new GtkDisplayBackend;
  return *backend;
}

}  // namespace platform::detail
