#include "ui/PreviewLayout.h"

#include <algorithm>
#include <cstdlib>

#include "control/services/Log.h"

using platform::POINT;
using platform::RECT;

namespace {
constexpr const char* kLogScope = "CUploadPreview::CaculatePicRect";
}  // namespace

CPreviewLayout::Columns CPreviewLayout::CountColumns(int fullWidth, int scrollBarWidth) {
  Columns c;
  c.width = fullWidth;
  c.nXCount = fullWidth / kColumnPitch;
  const int remainder = fullWidth - c.nXCount * kColumnPitch + kMinGap;
  if (remainder >= kColumnPitch) c.nXCount += 1;
  fotaro::Log(kLogScope, "Remainder = %d, rc.Width = %d, nXCount = %d", remainder, fullWidth, c.nXCount);
  c.interval = (fullWidth - c.nXCount * kCellWidth) / (c.nXCount + 1);
  if (c.interval <= kMinGap) {
    c.interval = kMinGap;
    c.nXPad = (fullWidth - c.nXCount * kColumnPitch + kMinGap) / 2;
  } else {
    c.nXPad = c.interval;
  }
  c.nXPad -= scrollBarWidth / 2;
  return c;
}

void CPreviewLayout::LayOut(std::vector<PreviewItemPtr>& items, size_t start, Columns c, bool narrowButton) {
  if (start >= 1 && items.size() >= 2) {
    c.nXPad = items[0]->rcPic.left;
    c.interval = items[1]->rcPic.left - items[0]->rcPic.right;
  }
  if (c.nXCount < 1 || items.empty()) return;
  int column = static_cast<int>(start % c.nXCount);
  int y = static_cast<int>(start / c.nXCount) * kRowPitch + kTopMargin;
  for (size_t i = start; i < items.size(); ++i) {
    CPreviewItem& item = *items[i];
    const int left = (c.interval + kCellWidth) * column + c.nXPad;
    item.rcPic = RECT{left, y, left + kCellWidth, y + kCellHeight};
    const int buttonWidth = narrowButton ? kNarrowButtonWidth : kButtonWidth;
    const int buttonHeight = narrowButton ? kNarrowButtonHeight : kButtonHeight;
    item.rcBtn = RECT{left, item.rcPic.bottom - 5 - buttonHeight, left + buttonWidth, item.rcPic.bottom - 5};
    platform::OffsetRect(item.rcBtn, -2, -2);
    if (item.nFormat == 1) item.bShowBtn = false;  // a GIF cannot be turned
    fotaro::Log(kLogScope, "rc.Width = %d, nXPad = %d, nPos = %d, nX = %d, interval = %d, left = %d, right = %d",
                c.width, c.nXPad, static_cast<int>(i), column, c.interval, left, left + kCellWidth);
    if (++column == c.nXCount) {
      column = 0;
      y += kRowPitch;
    }
  }
}

int CPreviewLayout::CanvasHeight(size_t count, int nXCount) {
  if (count == 0 || nXCount < 1) return 0;
  const size_t rows = (count + nXCount - 1) / nXCount;
  return static_cast<int>(rows) * kRowPitch + kTopMargin;
}

int CPreviewLayout::ScrollMax(const RECT& lastCell, int canvasHeight) {
  const int max = std::min(lastCell.bottom + kBottomExtra, canvasHeight);
  return max < 0 ? 0 : max;
}

std::optional<size_t> CPreviewLayout::HitTest(const std::vector<PreviewItemPtr>& items, POINT point) {
  for (size_t i = 0; i < items.size(); ++i) {
    RECT area = items[i]->rcPic;
    area.bottom += kCaptionHeight;
    if (platform::PtInRect(area, point)) return i;
  }
  return std::nullopt;
}

bool CPreviewLayout::InCaptionClickBand(const RECT& cell, POINT point) {
  return point.x >= cell.left && point.x < cell.right && point.y >= cell.bottom + kCaptionClickTop &&
         point.y < cell.bottom + kCaptionClickBottom;
}

std::optional<CPreviewLayout::DropSlot> CPreviewLayout::FindDropSlot(const std::vector<PreviewItemPtr>& items,
                                                                      POINT point, Columns c) {
  if (c.nXCount < 1) return std::nullopt;
  const int half = (c.interval + kCellWidth) / 2;
  const int halfRow = kRowPitch / 2;
  for (size_t i = 0; i < items.size(); ++i) {
    const RECT& cell = items[i]->rcPic;
    const int cx = (cell.left + cell.right) / 2;
    const int cy = (cell.top + cell.bottom) / 2;
    const int dx = point.x - cx;
    if (std::abs(point.y - cy) >= halfRow) continue;
    const bool lastOfRow = (i + 1) % c.nXCount == 0 || i + 1 == items.size();
    if (std::abs(dx) < half) {
      const int edge = dx < 0 ? cx - half : cx + half;
      return DropSlot{static_cast<int>(dx < 0 ? i : i + 1), RECT{edge - 1, cell.top, edge + 1, cell.bottom}};
    }
    if (dx >= half && lastOfRow) {
      const int edge = cx + half;
      return DropSlot{static_cast<int>(i + 1), RECT{edge - 1, cell.top, edge + 1, cell.bottom}};
    }
  }
  return std::nullopt;
}
