// The grid's layout arithmetic and the list's selection and drop rules, with the grid's own numbers.

#include <gtest/gtest.h>

#include "ui/PreviewLayout.h"
#include "ui/PreviewList.h"

using platform::POINT;
using platform::RECT;

namespace {

constexpr int kBar = 17;

void Fill(CPreviewList& list, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    auto item = std::make_shared<CPreviewItem>();
    item->nId = 100 + i;
    item->strPath = u"/p/" + std::u16string(1, static_cast<char16_t>(u'a' + i)) + u".jpg";
    item->nFormat = 0;
    list.Append(item);
  }
}

// The list's order as the letters of the file names.
std::string Order(const CPreviewList& list) {
  std::string order;
  for (const PreviewItemPtr& item : list.items()) order += static_cast<char>(item->strPath[3]);
  return order;
}

}  // namespace

TEST(PreviewLayoutTest, ColumnsCountFromTheFullWidthWithTheRemainderRule) {
  // 479 / 160 = 2, but the remainder 479 - 320 + 12 = 171 holds one more cell.
  CPreviewLayout::Columns c = CPreviewLayout::CountColumns(479, kBar);
  EXPECT_EQ(c.nXCount, 3);
  EXPECT_EQ(c.interval, 12);  // (479 - 444) / 4 = 8, below the minimum
  EXPECT_EQ(c.nXPad, (479 - 480 + 12) / 2 - kBar / 2);
  // 300 / 160 = 1 with a remainder of 152: still one column, centred by a wide gap.
  c = CPreviewLayout::CountColumns(300, kBar);
  EXPECT_EQ(c.nXCount, 1);
  EXPECT_EQ(c.interval, 76);
  EXPECT_EQ(c.nXPad, 76 - 8);
  EXPECT_EQ(CPreviewLayout::CountColumns(100, kBar).nXCount, 0);
}

TEST(PreviewLayoutTest, CellsFillRowsAndTheCanvasAndScrollRangeFollow) {
  CPreviewList list;
  Fill(list, 7);
  const CPreviewLayout::Columns c = CPreviewLayout::CountColumns(679, kBar);  // 4 columns
  ASSERT_EQ(c.nXCount, 4);
  CPreviewLayout::LayOut(list.items(), 0, c, false);
  const RECT& first = list.items()[0]->rcPic;
  EXPECT_EQ(first, (RECT{c.nXPad, 18, c.nXPad + 148, 18 + 119}));
  EXPECT_EQ(list.items()[1]->rcPic.left, c.nXPad + 148 + c.interval);
  EXPECT_EQ(list.items()[4]->rcPic, (RECT{c.nXPad, 18 + 168, c.nXPad + 148, 18 + 168 + 119}));
  EXPECT_EQ(list.items()[0]->rcBtn, (RECT{first.left - 2, first.bottom - 23, first.left + 14, first.bottom - 7}));

  // Laying out from position 5 keeps the columns of the cells already there.
  list.items()[5]->rcPic = RECT{};
  CPreviewLayout::LayOut(list.items(), 5, c, true);
  EXPECT_EQ(list.items()[5]->rcPic.left, list.items()[1]->rcPic.left);
  EXPECT_EQ(list.items()[5]->rcBtn.right, list.items()[5]->rcPic.left + 11);  // the narrow button of style 0

  EXPECT_EQ(CPreviewLayout::CanvasHeight(7, 4), 2 * 168 + 18);
  EXPECT_EQ(CPreviewLayout::CanvasHeight(0, 4), 0);
  EXPECT_EQ(CPreviewLayout::ScrollMax(list.items()[6]->rcPic, 354), 354);  // 168 + 137 + 49 = 354
  EXPECT_EQ(CPreviewLayout::ScrollMax(RECT{0, 0, 0, 0}, 100), 49);
}

TEST(PreviewLayoutTest, DropSlotsLieAtTheEdgesOfTheCellsNearThePointer) {
  CPreviewList list;
  Fill(list, 5);
  const CPreviewLayout::Columns c = CPreviewLayout::CountColumns(679, kBar);
  CPreviewLayout::LayOut(list.items(), 0, c, false);
  const RECT& b = list.items()[1]->rcPic;
  const int cx = (b.left + b.right) / 2;
  const int cy = (b.top + b.bottom) / 2;
  const int half = (c.interval + 148) / 2;

  auto left = CPreviewLayout::FindDropSlot(list.items(), POINT{cx - 10, cy}, c);
  ASSERT_TRUE(left);
  EXPECT_EQ(left->index, 1);
  EXPECT_EQ(left->marker, (RECT{cx - half - 1, b.top, cx - half + 1, b.bottom}));
  auto right = CPreviewLayout::FindDropSlot(list.items(), POINT{cx + 10, cy + 80}, c);
  ASSERT_TRUE(right);
  EXPECT_EQ(right->index, 2);
  EXPECT_FALSE(CPreviewLayout::FindDropSlot(list.items(), POINT{cx, cy + 84}, c));  // between the rows

  // Right of the last photo, however far: after it.
  const RECT& last = list.items()[4]->rcPic;
  auto end = CPreviewLayout::FindDropSlot(list.items(), POINT{last.right + 300, last.top + 5}, c);
  ASSERT_TRUE(end);
  EXPECT_EQ(end->index, 5);

  // Hits take the cell and its caption band.
  EXPECT_EQ(CPreviewLayout::HitTest(list.items(), POINT{b.left, b.bottom + 25}), 1u);
  EXPECT_FALSE(CPreviewLayout::HitTest(list.items(), POINT{b.left - 1, b.top}));
  EXPECT_TRUE(CPreviewLayout::InCaptionClickBand(b, POINT{b.left + 3, b.bottom + 8}));
  EXPECT_FALSE(CPreviewLayout::InCaptionClickBand(b, POINT{b.left + 3, b.bottom + 20}));
}

TEST(PreviewListTest, ShiftClicksSelectRangesFromTheSelectionsEnds) {
  CPreviewList list;
  Fill(list, 8);
  auto selected = [&] {
    std::string s;
    for (const PreviewItemPtr& item : list.items()) s += list.IsSelected(*item) ? 'x' : '.';
    return s;
  };
  EXPECT_TRUE(list.SelectRange(3));  // no selection: the clicked photo alone
  EXPECT_EQ(selected(), "...x....");
  list.Toggle(6);
  list.SelectRange(5);  // lo 3 < 5 <= hi 6: 3..5
  EXPECT_EQ(selected(), "...xxx..");
  list.SelectRange(7);  // past hi 5: 5..7
  EXPECT_EQ(selected(), ".....xxx");
  list.SelectRange(1);  // at or before lo: 1..5
  EXPECT_EQ(selected(), ".xxxxx..");
  EXPECT_TRUE(list.SelectRange(1));  // at lo itself: just the clicked photo
  EXPECT_EQ(selected(), ".x......");
  EXPECT_FALSE(list.SelectOnly(1));  // the same selection: no change to tell
  EXPECT_EQ(list.SelectionKind(), 1);
  for (const PreviewItemPtr& item : list.items()) item->nFormat = 1;
  EXPECT_EQ(list.SelectionKind(), 2);
  list.ClearSelection();
  EXPECT_EQ(list.SelectionKind(), 0);
}

TEST(PreviewListTest, DroppingMovesTheSelectionInSelectionOrderAndKeepsTheSlots) {
  CPreviewList list;
  Fill(list, 6);
  CPreviewLayout::LayOut(list.items(), 0, CPreviewLayout::CountColumns(679, kBar), false);
  std::vector<RECT> slots;
  for (const PreviewItemPtr& item : list.items()) slots.push_back(item->rcPic);

  // A photo dropped on either edge of its own slot stays: nothing moved.
  list.SelectOnly(2);
  EXPECT_FALSE(list.MoveSelection(2));
  EXPECT_FALSE(list.MoveSelection(3));
  EXPECT_EQ(Order(list), "abcdef");

  // Past the last photo: appended in the order they were selected.
  list.SelectOnly(4);
  list.Toggle(0);
  list.Toggle(2);
  EXPECT_TRUE(list.MoveSelection(99));
  EXPECT_EQ(Order(list), "bdfeac");
  for (size_t i = 0; i < slots.size(); ++i) EXPECT_EQ(list.items()[i]->rcPic, slots[i]);

  // Before a photo: the drop index counts the photos as they stood.
  list.SelectOnly(5);  // c
  EXPECT_TRUE(list.MoveSelection(1));
  EXPECT_EQ(Order(list), "bcdfea");
  EXPECT_FALSE(list.MoveSelection(-1));

  list.SelectOnly(0);
  list.Toggle(3);
  const CPreviewList::Removal removal = list.RemoveSelected();
  EXPECT_EQ(removal.count, 2u);
  EXPECT_EQ(removal.firstPosition, 0u);
  EXPECT_EQ(Order(list), "cdea");
  EXPECT_TRUE(list.selection().empty());
}
