#pragma once
// The cell layout of a thumbnail grid: how many columns a width holds and how they are spaced,
// where each cell and its button lie, how tall the canvas is, how far it scrolls, which cell a
// point hits and where a dragged photo would drop. Plain arithmetic on the layout constants
// (integers, divisions truncate), shared by every grid.

#include <optional>
#include <vector>

#include "platform/win/Types.h"
#include "ui/PreviewItem.h"

class CPreviewLayout {
 public:
  static constexpr int kCellWidth = 148;
  static constexpr int kCellHeight = 119;  // the thumbnail box
  static constexpr int kColumnPitch = 160;
  static constexpr int kRowPitch = 168;
  static constexpr int kTopMargin = 18;
  static constexpr int kMinGap = 12;
  static constexpr int kBottomExtra = 49;   // below the last cell, in the scroll range
  static constexpr int kCaptionHeight = 30;  // the band under a cell that holds its caption
  static constexpr int kCaptionClickTop = 8;  // the part of the band where a click edits the caption
  static constexpr int kCaptionClickBottom = 20;
  // The per-cell button at the cell's lower left, and style 0's smaller one.
  static constexpr int kButtonWidth = 16;
  static constexpr int kButtonHeight = 16;
  static constexpr int kNarrowButtonWidth = 13;
  static constexpr int kNarrowButtonHeight = 12;

  struct Columns {
    int nXCount = 0;   // cells per row
    int interval = 0;  // the gap between two cells
    int nXPad = 0;     // the left of the first column
    int width = 0;     // the full width they were counted for
  };
  // The columns of a window whose full width (the client area and the vertical scroll bar, shown
  // or not) is `fullWidth`.
  static Columns CountColumns(int fullWidth, int scrollBarWidth);

  // Sets the cells and buttons of items[start...]. From a start past 0 the first column and the
  // gap are those of the cells already there. `narrowButton`: the smaller button of style 0.
  static void LayOut(std::vector<PreviewItemPtr>& items, size_t start, Columns columns, bool narrowButton);

  // The height of the canvas holding `count` cells; 0 without cells or columns.
  static int CanvasHeight(size_t count, int nXCount);
  // The scroll range's maximum: below the last cell by kBottomExtra, at most the canvas height.
  static int ScrollMax(const platform::RECT& lastCell, int canvasHeight);

  // The item whose cell or caption band holds `point` (canvas coordinates).
  static std::optional<size_t> HitTest(const std::vector<PreviewItemPtr>& items, platform::POINT point);
  // The point lies in the part of the caption band that edits the caption.
  static bool InCaptionClickBand(const platform::RECT& cell, platform::POINT point);

  // Where photos dragged to `point` (canvas coordinates) would go: before item `index` (or after
  // the last one for `index` == count), and the 2-pixel marker (canvas coordinates) at the edge
  // of the slot. Nothing when the point is near no cell.
  struct DropSlot {
    int index = -1;
    platform::RECT marker;
  };
  static std::optional<DropSlot> FindDropSlot(const std::vector<PreviewItemPtr>& items, platform::POINT point,
                                              Columns columns);
};
