#include "ui/PreviewPainter.h"

#include <string>

#include "ui/PreviewLayout.h"
#include "widgets/Skin.h"

using namespace platform;
using gfx::RectF;

namespace {

constexpr gfx::Color kWhite = 0xFFFFFFFF;
constexpr char16_t kUploaded[] = u"上传成功";

// "%d%%"
std::u16string PercentText(int percent) {
  const std::string text = std::to_string(percent) + "%";
  return std::u16string(text.begin(), text.end());
}

RectF ToRectF(const RECT& r, int dy = 0) {
  return {static_cast<float>(r.left), static_cast<float>(r.top + dy), static_cast<float>(RectWidth(r)),
          static_cast<float>(RectHeight(r))};
}

}  // namespace

CPreviewPainter::CPreviewPainter()
    : m_background(skin::GridBackground()),
      m_selection(skin::SelectionFrame(CPreviewLayout::kCellWidth + 2,
                                       CPreviewLayout::kCellHeight + CPreviewLayout::kCaptionHeight + 1)),
      m_ticked(skin::CheckBox(kTickSize, true)),
      m_unticked(skin::CheckBox(kTickSize, false)),
      m_rotate(skin::RotateButton(CPreviewLayout::kButtonWidth, CPreviewLayout::kButtonHeight)),
      m_rotateNarrow(skin::RotateButton(CPreviewLayout::kNarrowButtonWidth, CPreviewLayout::kNarrowButtonHeight)),
      m_font(skin::UiFont()) {}

void CPreviewPainter::Paint(gfx::Canvas& canvas, const CPreviewList& list, const View& view) {
  const RectF client = ToRectF(view.client);
  if (view.stretchBackground) {
    canvas.DrawImage(m_background, client);
  } else {
    canvas.FillRect(client, kWhite);
  }
  const int top = view.scrollPos;
  const int bottom = view.scrollPos + RectHeight(view.client);
  for (const PreviewItemPtr& item : list.items()) {
    const RECT& cell = item->rcPic;
    if (IsRectEmpty(cell) || cell.bottom + CPreviewLayout::kCaptionHeight <= top || cell.top >= bottom) continue;
    PaintCell(canvas, *item, view.showNames ? item->strName : item->strDesc, -view.scrollPos);
    const bool selected = list.IsSelected(*item);
    if (selected) canvas.DrawImage(m_selection, cell.left - 1, cell.top - 1 - view.scrollPos);
    if (view.rotateButtons && item->bShowBtn && !IsRectEmpty(item->rcBtn) && (selected || view.hot == item->nId)) {
      const gfx::Bitmap& button = RectWidth(item->rcBtn) < CPreviewLayout::kButtonWidth ? m_rotateNarrow : m_rotate;
      canvas.DrawImage(button, item->rcBtn.left, item->rcBtn.top - view.scrollPos);
    }
    if (view.ticks) {
      canvas.DrawImage(selected ? m_ticked : m_unticked, cell.right - kTickSize - 4, cell.top + 4 - view.scrollPos);
    }
  }
  if (view.dropMarker) canvas.FillRect(ToRectF(*view.dropMarker), skin::kAccent);
  if (view.rubberBand) {
    const RectF band = ToRectF(*view.rubberBand);
    canvas.FillRect(band, (skin::kAccent & 0x00FFFFFF) | 0x22000000);
    canvas.FillRect({band.x, band.y, band.width, 1}, skin::kAccent);
    canvas.FillRect({band.x, band.y + band.height - 1, band.width, 1}, skin::kAccent);
    canvas.FillRect({band.x, band.y, 1, band.height}, skin::kAccent);
    canvas.FillRect({band.x + band.width - 1, band.y, 1, band.height}, skin::kAccent);
  }
}

void CPreviewPainter::PaintCell(gfx::Canvas& canvas, const CPreviewItem& item, const std::u16string& caption, int dy) {
  const RectF cell = ToRectF(item.rcPic, dy);
  const float captionHeight = CPreviewLayout::kCaptionHeight;
  // The frame: a grey line around the cell and its caption band, white inside.
  skin::DrawBox(canvas, {cell.x - 1, cell.y - 1, cell.width + 2, cell.height + captionHeight + 1}, kFrame, kWhite);
  if (!caption.empty()) {
    canvas.DrawTextLine(caption, m_font, {cell.x + 3, cell.y + cell.height, cell.width - 6, captionHeight}, kCaption);
  }
  if (item.bLoaded && !item.thumb.empty()) {
    const float x = cell.x + (cell.width - item.thumb.width()) / 2.0f;
    const float y = cell.y + (cell.height - item.thumb.height()) / 2.0f;
    canvas.DrawImage(item.thumb, {x, y, static_cast<float>(item.thumb.width()), static_cast<float>(item.thumb.height())});
  }
  PaintOverlay(canvas, item, cell);
}

void CPreviewPainter::PaintOverlay(gfx::Canvas& canvas, const CPreviewItem& item, const RectF& cell) {
  const int percent = item.nPercent;
  if (percent < 0 && item.strError.empty()) return;
  canvas.FillRect(cell, kCover);
  const RectF band{cell.x, cell.y + cell.height - kBandHeight, cell.width, float{kBandHeight}};
  if (percent >= 100) {
    canvas.FillRect(band, kDone);
    canvas.DrawTextLine(kUploaded, m_font, band, kWhite, gfx::Canvas::Align::kCentre);
  } else if (percent < 0) {
    canvas.FillRect(band, kFailed);
    canvas.DrawTextLine(item.strError, m_font, band, kWhite, gfx::Canvas::Align::kCentre);
  } else {
    const float done = static_cast<float>(percent * CPreviewLayout::kCellWidth / 100);
    canvas.FillRect({band.x, band.y, done, band.height}, kDone);
    canvas.FillRect({band.x + done, band.y, band.width - done, band.height}, kRemaining);
    canvas.DrawTextLine(PercentText(percent), m_font, {cell.x, cell.y + cell.height - 20, cell.width, 18}, kWhite,
                        gfx::Canvas::Align::kCentre);
  }
}
