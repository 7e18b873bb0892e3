// The desktop's clipboard on the display thread, and the pixbuf conversions the GTK backend shares.
// A file list is offered as text/uri-list and as the list file managers paste from
// (x-special/gnome-copied-files).

#include <string>

#include "platform/CodePage.h"
#include "platform/gfx/Pixel.h"
#include "platform/win/GtkLoop.h"
#include "platform/win/GtkSurface.h"

namespace platform::detail {

namespace {

GtkClipboard* Clipboard() { return gtk_clipboard_get(GDK_SELECTION_CLIPBOARD); }

enum FileListTarget : guint { kUriList, kCopiedFiles };

struct OfferedFiles {
  std::string uriList;      // "file:///a\r\nfile:///b\r\n"
  std::string copiedFiles;  // "copy\nfile:///a\nfile:///b"
};

void ProvideFiles(GtkClipboard*, GtkSelectionData* selection, guint info, gpointer data) {
  const auto* offered = static_cast<const OfferedFiles*>(data);
  const std::string& bytes = info == kUriList ? offered->uriList : offered->copiedFiles;
  gtk_selection_data_set(selection, gtk_selection_data_get_target(selection), 8,
                         reinterpret_cast<const guchar*>(bytes.data()), static_cast<gint>(bytes.size()));
}

void ForgetFiles(GtkClipboard*, gpointer data) { delete static_cast<OfferedFiles*>(data); }

}  // namespace

std::vector<std::u16string> FilesFromUris(gchar** uris) {
  std::vector<std::u16string> files;
  for (gchar** uri = uris; *uri; ++uri) {
    gchar* path = g_filename_from_uri(*uri, nullptr, nullptr);
    if (!path) continue;
    files.push_back(PathFromBytes(path));
    g_free(path);
  }
  return files;
}

gfx::Bitmap BitmapFromPixbuf(GdkPixbuf* pixbuf) {
  if (gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB || gdk_pixbuf_get_bits_per_sample(pixbuf) != 8) return {};
  const int width = gdk_pixbuf_get_width(pixbuf);
  const int height = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
  if (channels < (alpha ? 4 : 3)) return {};
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
  gfx::Bitmap bitmap(width, height);
  if (bitmap.empty()) return bitmap;
  for (int y = 0; y < height; ++y) {
    const guchar* p = pixels + static_cast<size_t>(y) * stride;
    uint32_t* row = bitmap.row(y);
    for (int x = 0; x < width; ++x, p += channels) {
      const uint32_t a = alpha ? p[3] : 0xFF;
      row[x] = gfx::Premultiply(a << 24 | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2]);
    }
  }
  return bitmap;
}

GdkPixbuf* PixbufFromBitmap(const gfx::Bitmap& bitmap) {
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, bitmap.width(), bitmap.height());
  if (!pixbuf) return nullptr;
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  for (int y = 0; y < bitmap.height(); ++y) {
    guchar* p = pixels + static_cast<size_t>(y) * stride;
    for (int x = 0; x < bitmap.width(); ++x, p += 4) {
      const uint32_t argb = gfx::Unpremultiply(bitmap.at(x, y));
      p[0] = (argb >> 16) & 0xFF;
      p[1] = (argb >> 8) & 0xFF;
      p[2] = argb & 0xFF;
      p[3] = argb >> 24;
    }
  }
  return pixbuf;
}

bool ReadClipboardImage(gfx::Bitmap* out) {
  DirectDispatch direct;
  GdkPixbuf* pixbuf = gtk_clipboard_wait_for_image(Clipboard());
  if (!pixbuf) return false;
  gfx::Bitmap bitmap = BitmapFromPixbuf(pixbuf);
  g_object_unref(pixbuf);
  if (bitmap.empty()) return false;
  *out = std::move(bitmap);
  return true;
}

bool ReadClipboardFiles(std::vector<std::u16string>* out) {
  DirectDispatch direct;
  gchar** uris = gtk_clipboard_wait_for_uris(Clipboard());
  if (!uris) return false;
  *out = FilesFromUris(uris);
  g_strfreev(uris);
  return true;
}

bool WriteClipboardImage(const gfx::Bitmap& image) {
  GdkPixbuf* pixbuf = PixbufFromBitmap(image);
  if (!pixbuf) return false;
  gtk_clipboard_set_image(Clipboard(), pixbuf);
  g_object_unref(pixbuf);
  return true;
}

bool WriteClipboardFiles(const std::vector<std::u16string>& files) {
  auto offered = std::make_unique<OfferedFiles>();
  offered->copiedFiles = "copy";
  for (const std::u16string& file : files) {
    gchar* uri = g_filename_to_uri(PathBytes(file).c_str(), nullptr, nullptr);
    if (!uri) return false;  // not an absolute path
    offered->uriList += std::string(uri) + "\r\n";
    offered->copiedFiles += "\n" + std::string(uri);
    g_free(uri);
  }
  const GtkTargetEntry targets[] = {{const_cast<gchar*>("text/uri-list"), 0, kUriList},
                                    {const_cast<gchar*>("x-special/gnome-copied-files"), 0, kCopiedFiles}};
  if (!gtk_clipboard_set_with_data(Clipboard(), targets, 2, ProvideFiles, ForgetFiles, offered.get())) return false;
  offered.release();  // ForgetFiles frees it when the clipboard changes hands
  return true;
}

bool WriteClipboardText(std::u16string_view text) {
  const std::string utf8 = Utf8(text);
  gtk_clipboard_set_text(Clipboard(), utf8.c_str(), static_cast<gint>(utf8.size()));
  return true;
}

}  // namespace platform::detail
