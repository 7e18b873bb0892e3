#pragma once
// Internal to platform/win: the GTK widgets that show one surface, and the pieces of the GTK
// backend that share them.
//
// Every surface is a horizontal box holding a GtkLayout (the client area: it draws the surface's
// pixels and holds the child surfaces at their positions) and, for WS_VSCROLL, a vertical
// scroll bar. A top-level surface puts its box into a GtkWindow.

#include <gtk/gtk.h>

#include "platform/win/SurfaceBackend.h"

namespace platform::detail {

struct GtkSurface : NativeSurface {
  ~GtkSurface() override;

  HWND hwnd = nullptr;
  GtkWidget* window = nullptr;  // the GtkWindow of a top-level surface
  GtkWidget* box = nullptr;
  GtkWidget* layout = nullptr;
  GtkWidget* scrollBar = nullptr;
  GtkIMContext* im = nullptr;   // a top-level's input method: typed text becomes WM_CHAR
  bool settingScrollBar = false;  // the layer moves the bar itself: not a request of the user
  bool dropSignal = false;        // drag-data-received is connected
  unsigned draws = 0;             // how often the client area was drawn
};

inline GtkSurface* Gtk(SurfaceState& surface) { return static_cast<GtkSurface*>(surface.native.get()); }

// Connects the input signals of a new surface's widgets (GtkInput.cpp).
void ConnectInput(GtkSurface& native);
// Takes dropped files from a file manager, or stops taking them.
void SetDropTarget(GtkSurface& native, bool accept);

// The desktop's clipboard (GtkClipboard.cpp).
bool ReadClipboardImage(gfx::Bitmap* out);
bool ReadClipboardFiles(std::vector<std::u16string>* out);
bool WriteClipboardImage(const gfx::Bitmap& image);
bool WriteClipboardFiles(const std::vector<std::u16string>& files);
bool WriteClipboardText(std::u16string_view text);

// The local files named by a NULL-terminated list of URIs; other URIs are left out.
std::vector<std::u16string> FilesFromUris(gchar** uris);

// Conversions between pixbufs and opaque-or-premultiplied ARGB bitmaps (GtkClipboard.cpp).
gfx::Bitmap BitmapFromPixbuf(GdkPixbuf* pixbuf);
GdkPixbuf* PixbufFromBitmap(const gfx::Bitmap& bitmap);

}  // namespace platform::detail
