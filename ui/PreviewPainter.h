#pragma once
// CPreviewPainter: draws a thumbnail grid's client area: the background, each visible cell with
// its frame, caption (or file name) and thumbnail, the upload overlay (progress bar, "上传成功",
// error text), the selection frame or tick box, and the drag marker and rubber band. Shared by every grid; it keeps only the
// skin's pictures and fonts.

#include <optional>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/win/Types.h"
#include "ui/PreviewList.h"

class CPreviewPainter {
 public:
  static constexpr platform::gfx::Color kFrame = 0xFFE1E1E1;
  static constexpr platform::gfx::Color kCaption = 0xFF828282;
  static constexpr platform::gfx::Color kCover = 0x99FFFFFF;
  static constexpr platform::gfx::Color kDone = 0xB287C028;
  static constexpr platform::gfx::Color kFailed = 0xB2E4282A;
  static constexpr platform::gfx::Color kRemaining = 0x33000000;
  static constexpr int kBandHeight = 24;
  static constexpr int kTickSize = 16;  // the tick box, 4 pixels in from the cell's top right corner

  CPreviewPainter();

  struct View {
    platform::RECT client;                     // the client area
    int scrollPos = 0;                         // the canvas row at the client's top
    bool stretchBackground = false;            // the background picture instead of white
    std::optional<platform::RECT> dropMarker;  // client coordinates
    std::optional<platform::RECT> rubberBand;  // client coordinates
    bool showNames = false;                    // the caption band shows the file's name, not its caption
    bool ticks = false;                        // each cell has a tick box, ticked for a selected photo
    bool rotateButtons = false;                // the photo under the pointer and the selected ones
    std::optional<uint64_t> hot;               // show their turn buttons (when they can be turned)
  };
  // Paints the view. Call with the list lock held (the loader sets thumbnails).
  void Paint(platform::gfx::Canvas& canvas, const CPreviewList& list, const View& view);

 private:
  void PaintCell(platform::gfx::Canvas& canvas, const CPreviewItem& item, const std::u16string& caption, int dy);
  void PaintOverlay(platform::gfx::Canvas& canvas, const CPreviewItem& item, const platform::gfx::RectF& cell);

  platform::gfx::Bitmap m_background;
  platform::gfx::Bitmap m_selection;
  platform::gfx::Bitmap m_ticked, m_unticked;
  platform::gfx::Bitmap m_rotate, m_rotateNarrow;  // the turn button, and style 0's smaller one
  platform::gfx::Font m_font;
};
