#include "platform/win/Clipboard.h"

#include "platform/win/SurfaceBackend.h"

namespace platform {

bool GetClipboardImage(gfx::Bitmap* out) { return out && detail::CurrentBackend().GetClipboardImage(out); }

bool GetClipboardFiles(std::vector<std::u16string>* out) {
  return out && detail::CurrentBackend().GetClipboardFiles(out);
}

bool SetClipboardImage(const gfx::Bitmap& image) { return !image.empty() && detail::CurrentBackend().SetClipboardImage(image); }

bool SetClipboardFiles(const std::vector<std::u16string>& files) { return detail::CurrentBackend().SetClipboardFiles(files); }

bool SetClipboardText(std::u16string_view text) { return detail::CurrentBackend().SetClipboardText(text); }

}  // namespace platform
