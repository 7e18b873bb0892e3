// The thumbnail grid as a window, headless: adding and loading photos, painting read back from the
// window's pixels, dragging to reorder, keys, paste and drop, captions, and the loader working
// while photos come and go.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "control/ControlMessages.h"
#include "control/services/Global.h"
#include "imaging/ThumbBmp.h"
#include "net/DataReport.h"
#include "platform/CodePage.h"
#include "platform/gfx/Image.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "platform/win/SyntheticInput.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestImages.h"
#include "ui/PreviewMessages.h"
#include "ui/UploadPreview.h"
#include "widgets/Skin.h"

using namespace std::chrono_literals;
using namespace platform;
using fotaro::test::TempDir;

namespace {

// The grid's parent: records notifications and commands, and adds and deletes photos the way
// the uploader frame does.
class Frame : public Window {
 public:
  ~Frame() override { DestroyWindow(hwnd()); }
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>&) override {
    switch (message) {
      case CM_CMPREVIEW:
        notes.emplace_back(wParam, lParam);
        if (wParam == CMT_UPLOADPREVIEW_ADDFILES) {
          offered = *reinterpret_cast<const std::vector<std::u16string>*>(lParam);
          grid->AddSelectedFile(offered);
        }
        return 0;
      case WM_COMMAND:
        commands.push_back(LOWORD(wParam));
        if (LOWORD(wParam) == IDC_UPLOADPREVIEW_DELETE) grid->DeleteSelected(false);
        return 0;
      case WM_PAINT: {
        PaintDC dc(hwnd());
        dc.canvas().FillRect({0, 0, 5000, 5000}, 0xFFFFFFFF);
        return 0;
      }
    }
    return 0;
  }
  std::vector<LPARAM> Notes(WPARAM code) const {
    std::vector<LPARAM> found;
    for (const auto& [c, l] : notes) {
      if (c == code) found.push_back(l);
    }
    return found;
  }

  CUploadPreview* grid = nullptr;
  std::vector<std::pair<WPARAM, LPARAM>> notes;
  std::vector<std::u16string> offered;
  std::vector<UINT> commands;
};

// The control's window: records data reports and the give-up-focus message.
class Control : public Window {
 public:
  ~Control() override { DestroyWindow(hwnd()); }
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM, std::unique_ptr<MessagePayload>& payload) override {
    if (message == CM_DATAREPORT) reports.emplace_back(static_cast<int>(wParam), static_cast<DataReportRecord&>(*payload).nValue);
    if (message == CM_NOTIFYVIEW) giveUps.push_back(static_cast<NotifyViewValue&>(*payload).nValue);
    return 0;
  }
  size_t Count(int operation) const {
    return std::count_if(reports.begin(), reports.end(), [&](const auto& r) { return r.first == operation; });
  }
  std::vector<std::pair<int, int>> reports;
  std::vector<int> giveUps;
};

class UploadPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(control.Create());
    CGlobal::Instance().SetControlWnd(control.hwnd());
    ASSERT_TRUE(frame.Create(nullptr, RECT{0, 0, 700, 520}, WS_VISIBLE, u"frame"));
    frame.grid = &grid;
    ASSERT_TRUE(grid.Create(frame.hwnd(), RECT{10, 10, 689, 510}));  // 679 wide: 4 columns
  }
  void TearDown() override { CGlobal::Instance().SetControlWnd(nullptr); }

  std::u16string Photo(const std::string& name, const std::vector<uint8_t>& bytes) {
    fotaro::test::WriteFile(dir.file(name), bytes);
    return PathFromBytes(dir.file(name));
  }
  std::vector<std::u16string> Photos(size_t count, int width = 1200, int height = 900) {
    std::vector<std::u16string> paths;
    const std::vector<uint8_t> jpeg = fotaro::test::TestJpeg(width, height);
    for (size_t i = 0; i < count; ++i) paths.push_back(Photo("photo" + std::to_string(made++) + ".jpg", jpeg));
    return paths;
  }
  bool AllLoaded() {
    std::lock_guard<std::recursive_mutex> lock(grid.list().mutex());
    return std::all_of(grid.list().items().begin(), grid.list().items().end(), [](const auto& i) { return i->bLoaded; });
  }
  bool WaitLoaded() { return RunUntil([&] { return AllLoaded(); }, 20s); }
  // Handles what is queued now (posted messages, paints); timers wait.
  void Settle() {
    Message message;
    while (PeekMessage(message)) DispatchMessage(message);
  }
  gfx::Bitmap Shot() {
    gfx::Bitmap shot;
    EXPECT_TRUE(CaptureWindow(grid.hwnd(), &shot));
    return shot;
  }
  RECT Cell(size_t i) {
    RECT cell = grid.list().items()[i]->rcPic;
    OffsetRect(cell, 0, -grid.GetScrollPos());
    return cell;
  }
  POINT Centre(size_t i) {
    const RECT c = Cell(i);
    return POINT{(c.left + c.right) / 2, (c.top + c.bottom) / 2};
  }
  void Click(POINT p, WPARAM keys = 0) {
    SendMouseInput(grid.hwnd(), WM_LBUTTONDOWN, p.x, p.y, keys | MK_LBUTTON);
    SendMouseInput(grid.hwnd(), WM_LBUTTONUP, p.x, p.y, keys);
  }
  void Key(UINT vk) {
    SendKeyInput(vk, true);
    SendKeyInput(vk, false);
  }
  std::u16string Names() {
    std::u16string names;
    for (const auto& item : grid.list().items()) names += item->strName.substr(5, 1);  // "photoN.jpg"
    return names;
  }

  TempDir dir;
  fotaro::test::ScopedEnv cache{"XDG_CACHE_HOME", dir.file("cache")};
  Control control;
  Frame frame;
  CUploadPreview grid;
  size_t made = 0;
};

int Channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

}  // namespace

TEST_F(UploadPreviewTest, AddedPhotosGetThumbnailsCentredInTheirCells) {
  EXPECT_TRUE(grid.IsHintShown());
  std::vector<std::u16string> paths = Photos(2);
  paths.push_back(Photo("small.jpg", fotaro::test::TestJpeg(100, 500)));  // letterboxed in its box
  paths.push_back(PathFromBytes(dir.file("missing.jpg")));               // cannot be opened: left out
  grid.AddSelectedFile(paths);
  ASSERT_EQ(grid.GetPhotoCount(), 3u);
  EXPECT_FALSE(grid.IsHintShown());
  ASSERT_TRUE(WaitLoaded());
  EXPECT_TRUE(RunUntil([&] { return control.Count(12) == 3; }, 10s));  // one time report per thumbnail
  EXPECT_EQ(grid.GetCanvasHeight(), 168 + 18);

  const gfx::Bitmap shot = Shot();
  for (size_t i : {size_t{0}, size_t{2}}) {
    gfx::Bitmap thumb;
    int rotated = 0;
    ASSERT_TRUE(CreateThumbBmp(paths[i], 148, 119, ThumbCaller{"test", "%d %s", 0}, &thumb, &rotated));
    gfx::Bitmap expected(148, 119, 0xFFFFFFFF);
    gfx::Canvas(expected).DrawImage(thumb, 0, 0);
    const RECT cell = Cell(i);
    gfx::Bitmap painted(148, 119);
    for (int y = 0; y < 119; ++y) {
      for (int x = 0; x < 148; ++x) painted.at(x, y) = shot.at(cell.left + x, cell.top + y);
    }
    fotaro::test::ExpectClose(expected, painted, 0.5, 2);
    EXPECT_EQ(shot.at(cell.left - 1, cell.top + 10), CPreviewPainter::kFrame);  // the frame around the cell
  }
  EXPECT_EQ(shot.at(Cell(2).left + 2, Cell(2).top + 60), 0xFFFFFFFFu);  // white beside the narrow photo
}

TEST_F(UploadPreviewTest, UploadOverlaysShowProgressSuccessAndFailure) {
  const std::vector<uint8_t> grey = fotaro::test::FlatJpeg(600, 480, 3, 128);
  grid.AddSelectedFile({Photo("done.jpg", grey), Photo("failed.jpg", grey), Photo("going.jpg", grey), Photo("idle.jpg", grey)});
  ASSERT_TRUE(WaitLoaded());
  grid.SetUploadPercent(grid.GetFiles()[0], 100);
  grid.SetUploadError(grid.GetFiles()[1], u"网络错误");
  grid.SetUploadPercent(grid.GetFiles()[2], 40);
  const gfx::Bitmap shot = Shot();

  auto near = [](uint32_t pixel, int r, int g, int b) {
    return std::abs(Channel(pixel, 16) - r) <= 4 && std::abs(Channel(pixel, 8) - g) <= 4 && std::abs(Channel(pixel, 0) - b) <= 4;
  };
  // Grey 128 under a white cover at 0x99 is 204; the bands are blended over that.
  const RECT done = Cell(0), failed = Cell(1), going = Cell(2), idle = Cell(3);
  EXPECT_TRUE(near(shot.at(done.left + 2, done.top + 40), 204, 204, 204));
  EXPECT_TRUE(near(shot.at(done.left + 2, done.bottom - 2), 156, 196, 89));   // green band
  EXPECT_TRUE(near(shot.at(failed.left + 2, failed.bottom - 2), 221, 89, 91));  // red band
  EXPECT_TRUE(near(shot.at(going.left + 57, going.bottom - 2), 156, 196, 89));  // 40 % of 148 = 59 pixels
  EXPECT_TRUE(near(shot.at(going.left + 61, going.bottom - 2), 163, 163, 163));
  EXPECT_TRUE(near(shot.at(idle.left + 2, idle.bottom - 2), 128, 128, 128));    // no overlay
  // The texts are white on their bands.
  auto whiteIn = [&](const RECT& cell, int top, int height) {
    int white = 0;
    for (int y = cell.bottom - top; y < cell.bottom - top + height; ++y) {
      for (int x = cell.left; x < cell.right; ++x) white += near(shot.at(x, y), 255, 255, 255);
    }
    return white;
  };
  EXPECT_GT(whiteIn(done, 24, 24), 20);
  EXPECT_GT(whiteIn(failed, 24, 24), 20);
  EXPECT_GT(whiteIn(going, 20, 18), 10);

  grid.ClearUploadMarks();
  EXPECT_TRUE(near(Shot().at(done.left + 2, done.bottom - 2), 128, 128, 128));
}

TEST_F(UploadPreviewTest, DraggingMovesTheSelectionAndReportsOnlyRealMoves) {
  grid.AddSelectedFile(Photos(4));
  ASSERT_TRUE(WaitLoaded());
  ASSERT_EQ(Names(), u"0123");

  // Press on photo 0, move a little: after a moment the drag begins and the marker follows.
  const POINT start = Centre(0);
  SendMouseInput(grid.hwnd(), WM_LBUTTONDOWN, start.x, start.y, MK_LBUTTON);
  SendMouseInput(grid.hwnd(), WM_MOUSEMOVE, start.x + 4, start.y, MK_LBUTTON);
  const RECT last = Cell(3);
  SendMouseInput(grid.hwnd(), WM_MOUSEMOVE, last.right + 40, last.top + 10, MK_LBUTTON);
  ASSERT_TRUE(RunUntil([&] { return grid.GetDropIndex() == 4; }, 5s));
  ASSERT_TRUE(grid.GetDropMarker());
  const RECT marker = *grid.GetDropMarker();
  const gfx::Bitmap shot = Shot();
  EXPECT_EQ(shot.at(marker.left, marker.top + 50), skin::kAccent);
  SendMouseInput(grid.hwnd(), WM_LBUTTONUP, last.right + 40, last.top + 10);
  EXPECT_EQ(Names(), u"1230");
  EXPECT_FALSE(grid.GetDropMarker());
  EXPECT_TRUE(RunUntil([&] { return control.Count(10) == 1; }, 5s));

  // Photo 2 (now at position 1) dropped on its own slot: nothing moves, nothing is reported.
  const POINT own = Centre(1);
  SendMouseInput(grid.hwnd(), WM_LBUTTONDOWN, own.x, own.y, MK_LBUTTON);
  SendMouseInput(grid.hwnd(), WM_MOUSEMOVE, own.x + 20, own.y, MK_LBUTTON);
  ASSERT_TRUE(RunUntil([&] { return grid.GetDropIndex() == 2; }, 5s));
  SendMouseInput(grid.hwnd(), WM_LBUTTONUP, own.x + 20, own.y);
  Settle();  // a report would have been posted by the drop itself
  EXPECT_EQ(Names(), u"1230");
  EXPECT_EQ(control.Count(10), 1u);
}

TEST_F(UploadPreviewTest, ClicksAndKeysSelectDeleteAndAskForTheUpload) {
  grid.AddSelectedFile(Photos(5));
  Click(Centre(1));
  Click(Centre(3), MK_SHIFT);
  Click(Centre(4), MK_CONTROL);
  EXPECT_EQ(grid.list().selection().size(), 4u);
  Click(Centre(2), MK_CONTROL);
  EXPECT_EQ(grid.list().selection().size(), 3u);
  Settle();
  EXPECT_EQ(frame.Notes(CMT_UPLOADPREVIEW_SELCHANGED).back(), 1);

  // A rubber band from the empty corner over the first two cells selects them.
  SendMouseInput(grid.hwnd(), WM_LBUTTONDOWN, 2, 2, MK_LBUTTON);
  SendMouseInput(grid.hwnd(), WM_MOUSEMOVE, Centre(1).x, Centre(1).y, MK_LBUTTON);
  SendMouseInput(grid.hwnd(), WM_LBUTTONUP, Centre(1).x, Centre(1).y);
  EXPECT_EQ(grid.list().selection(), (std::vector<uint64_t>{grid.list().items()[0]->nId, grid.list().items()[1]->nId}));

  // Enter pressed and released asks the frame to prepare the upload.
  Key(VK_RETURN);
  // Delete asks the frame, which deletes the selection.
  Key(VK_DELETE);
  Settle();
  EXPECT_EQ(frame.Notes(CMT_UPLOADPREVIEW_ENTER).size(), 1u);
  EXPECT_EQ(frame.commands, (std::vector<UINT>{IDC_UPLOADPREVIEW_DELETE}));
  EXPECT_EQ(grid.GetPhotoCount(), 3u);

  // Ctrl+A selects all; Shift+Delete selects all and deletes at once; the hint comes back.
  SendKeyInput(VK_CONTROL, true);
  Key('A');
  SendKeyInput(VK_CONTROL, false);
  EXPECT_EQ(grid.list().selection().size(), 3u);
  grid.SetAllowAdd(false);
  Key(VK_DELETE);
  Settle();
  EXPECT_EQ(frame.commands.size(), 1u);  // not allowed: not asked
  grid.SetAllowAdd(true);
  SendKeyInput(VK_SHIFT, true);
  Key(VK_DELETE);
  SendKeyInput(VK_SHIFT, false);
  EXPECT_EQ(frame.commands.size(), 2u);  // sent: handled before the key returns
  EXPECT_EQ(grid.GetPhotoCount(), 0u);
  EXPECT_TRUE(grid.IsHintShown());
  Key(VK_RETURN);
  Settle();
  EXPECT_EQ(frame.Notes(CMT_UPLOADPREVIEW_ENTER).size(), 1u);  // an empty grid has nothing to upload
}

TEST_F(UploadPreviewTest, PasteAndDropOfferPicturesToTheFrame) {
  // A file list: pictures are taken by content, folders give the pictures in them.
  const std::string folder = dir.file("album");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  const std::vector<uint8_t> jpeg = fotaro::test::TestJpeg(64, 48);
  fotaro::test::WriteFile(folder + "/b.jpg", jpeg);
  fotaro::test::WriteFile(folder + "/a.jpg", jpeg);
  fotaro::test::WriteFile(folder + "/notes.txt", {'h', 'i'});
  const std::u16string undotted = Photo("picture.dat", fotaro::test::TestJpeg(32, 32));
  ASSERT_TRUE(SetClipboardFiles({PathFromBytes(folder), undotted, PathFromBytes(dir.file("gone.jpg"))}));
  SetFocus(grid.hwnd());
  SendKeyInput(VK_CONTROL, true);
  Key('V');
  EXPECT_EQ(frame.offered, (std::vector<std::u16string>{PathFromBytes(folder + "/a.jpg"), PathFromBytes(folder + "/b.jpg"), undotted}));
  EXPECT_EQ(grid.GetPhotoCount(), 3u);

  // A picture: saved in the working folder as a screenshot and offered.
  ASSERT_TRUE(SetClipboardImage(fotaro::test::TestPicture(80, 60)));
  Key('V');
  ASSERT_EQ(frame.offered.size(), 1u);
  const std::string saved = PathBytes(frame.offered[0]);
  EXPECT_EQ(saved.rfind(dir.file("cache") + "/Brennik/OrniFotaroEx/SCREENSHOT_", 0), 0u) << saved;
  gfx::Image image;
  ASSERT_TRUE(gfx::LoadImage(saved, &image));
  EXPECT_EQ(image.width(), 80);

  // Anything else on the clipboard: nothing happens.
  const size_t notes = frame.notes.size();
  SetClipboardText(u"/tmp/x.jpg");
  Key('V');
  SendKeyInput(VK_CONTROL, false);
  EXPECT_EQ(frame.notes.size(), notes);

  // Files dropped from a file manager.
  ASSERT_TRUE(SendDropFilesInput(grid.hwnd(), {undotted, PathFromBytes(folder + "/notes.txt")}, 20, 20));
  EXPECT_EQ(frame.offered, (std::vector<std::u16string>{undotted}));
  EXPECT_EQ(grid.GetPhotoCount(), 5u);
}

TEST_F(UploadPreviewTest, LimitCaptionAndLeavingTheGrid) {
  grid.SetUploadLimit(2);
  grid.AddSelectedFile(Photos(3));
  EXPECT_EQ(grid.GetPhotoCount(), 2u);

  // A click in the caption band of a selected photo edits its caption once the button is up.
  Click(Centre(0));
  const RECT cell = Cell(0);
  Click(POINT{cell.left + 20, cell.bottom + 12});
  EXPECT_NE(GetFocus(), grid.hwnd());
  SendTextInput(u"海边的日落\r");
  Settle();
  EXPECT_EQ(grid.list().items()[0]->strDesc, u"海边的日落");
  EXPECT_EQ(control.Count(4), 1u);

  // Leaving the grid for the frame outside it tells the control.
  SendMouseInput(grid.hwnd(), WM_MOUSEMOVE, 30, 30);
  SendMouseInput(frame.hwnd(), WM_MOUSEMOVE, 695, 515);
  Settle();
  EXPECT_EQ(control.giveUps, (std::vector<int>{100}));

  // Deleted with the count flag: counted, and the empty grid stays without its hint.
  grid.SelectAll();
  grid.DeleteSelected(true);
  EXPECT_EQ(grid.GetDeletedCount(), 2u);
  EXPECT_FALSE(grid.IsHintShown());
}

TEST_F(UploadPreviewTest, TheScrollRangeFollowsTheRowsAndShrinksWithThem) {
  grid.AddSelectedFile(Photos(20, 200, 150));  // 5 rows of 4: canvas 5 * 168 + 18 = 858
  EXPECT_EQ(grid.GetCanvasHeight(), 858);
  SCROLLINFO info;
  GetScrollInfo(grid.hwnd(), SB_VERT, &info);
  EXPECT_EQ(info.nMax, 858);  // below the last cell (809) by 49
  EXPECT_EQ(info.nPage, 500u);
  SendWheelInput(grid.hwnd(), 50, 50, -3 * WHEEL_DELTA);  // two lines a notch
  EXPECT_EQ(grid.GetScrollPos(), 6 * CUploadPreview::kLine);
  SendWheelInput(grid.hwnd(), 50, 50, -3 * WHEEL_DELTA);
  EXPECT_EQ(grid.GetScrollPos(), 858 - 500 + 1);
  // The cells are painted where the scroll puts them.
  const RECT last = Cell(19);
  EXPECT_EQ(last.bottom, 809 - 359);
  EXPECT_EQ(Shot().at(last.left - 1, last.top + 5), CPreviewPainter::kFrame);

  // Two rows fewer: the view moves up by what the canvas lost, within the new range.
  for (size_t i = 12; i < 20; ++i) Click(Centre(i), MK_CONTROL);
  grid.DeleteSelected(false);
  EXPECT_EQ(grid.GetCanvasHeight(), 522);
  EXPECT_EQ(grid.GetScrollPos(), 23);
  PostMessage(grid.hwnd(), WM_VSCROLL, SB_TOP);
  Settle();
  EXPECT_EQ(grid.GetScrollPos(), 0);
}

TEST_F(UploadPreviewTest, PhotosComeAndGoWhileTheLoaderWorks) {
  std::vector<std::u16string> photos = Photos(36, 1100, 800);
  grid.AddSelectedFile({photos.begin(), photos.begin() + 12});
  RunUntil([&] { return control.Count(12) >= 2; }, 10s);
  // Delete every other photo while the loader is busy, then add more and scroll down.
  for (size_t i = 0; i < grid.GetPhotoCount(); i += 2) Click(Centre(i), MK_CONTROL);
  grid.DeleteSelected(false);
  grid.AddSelectedFile({photos.begin() + 12, photos.begin() + 24});
  SendWheelInput(grid.hwnd(), 50, 50, -3 * WHEEL_DELTA);
  RunUntil([&] { return control.Count(12) >= 8; }, 10s);
  grid.SelectAll();
  grid.DeleteSelected(false);
  grid.AddSelectedFile({photos.begin() + 24, photos.end()});
  ASSERT_TRUE(WaitLoaded());
  EXPECT_EQ(grid.GetPhotoCount(), 12u);
  std::lock_guard<std::recursive_mutex> lock(grid.list().mutex());
  for (const auto& item : grid.list().items()) EXPECT_EQ(item->thumb.width(), 148);
}

TEST_F(UploadPreviewTest, TheTurnButtonTurnsAPhotoAQuarterAtATimeAndFourTurnsGiveItBack) {
  const std::u16string wide = Photo("wide.jpg", fotaro::test::TestJpeg(400, 200));
  const std::u16string gif = Photo("moving.gif", fotaro::test::AnimatedGif(2));
  grid.AddSelectedFile({wide, gif});
  ASSERT_TRUE(WaitLoaded());
  const CPreviewItem& photo = *grid.list().items()[0];
  EXPECT_EQ(photo.thumb.width(), 148);  // wider than high: it covers the box
  auto clickButton = [&](size_t index) {
    RECT button = grid.list().items()[index]->rcBtn;
    OffsetRect(button, 0, -grid.GetScrollPos());
    Click(POINT{button.left + 4, button.top + 4});
  };

  clickButton(0);
  EXPECT_EQ(photo.nRotation, 1);
  EXPECT_EQ(grid.CountRotated(), 1);
  EXPECT_TRUE(grid.list().selection().empty());  // the button turns, it does not select
  const std::u16string turned = photo.strSrcPath;
  ASSERT_FALSE(turned.empty());
  ASSERT_TRUE(WaitLoaded());
  int rotated = 0;
  gfx::Bitmap expected;
  ASSERT_TRUE(CreateThumbBmp(turned, 148, 119, ThumbCaller{"test", "%d %s", 0}, &expected, &rotated));
  fotaro::test::ExpectClose(expected, photo.thumb, 0.5, 2);  // the thumbnail shows the turned copy

  clickButton(1);  // a GIF has no turn button
  EXPECT_EQ(grid.list().items()[1]->nRotation, 0);
  grid.SetUploadMode(true);
  clickButton(0);  // nothing turns during an upload
  EXPECT_EQ(photo.nRotation, 1);
  grid.SetUploadMode(false);
  for (int i = 0; i < 3; ++i) clickButton(0);
  EXPECT_EQ(photo.nRotation, 0);
  EXPECT_TRUE(photo.strSrcPath.empty());
  EXPECT_EQ(grid.CountRotated(), 0);
  struct stat info {};
  EXPECT_NE(stat(PathBytes(turned).c_str(), &info), 0);  // the copies went
}

TEST_F(UploadPreviewTest, TheMenuOffersTheSortOrdersAndTheyOrderThePhotos) {
  fotaro::test::WriteFile(dir.file("b.jpg"), fotaro::test::TestJpeg(60, 40));
  fotaro::test::WriteFile(dir.file("c.jpg"), fotaro::test::TestJpeg(60, 40));
  fotaro::test::WriteFile(dir.file("a.jpg"), fotaro::test::TestJpeg(60, 40));
  grid.AddSelectedFile({PathFromBytes(dir.file("b.jpg")), PathFromBytes(dir.file("c.jpg")), PathFromBytes(dir.file("a.jpg"))});
  SendMouseInput(grid.hwnd(), WM_RBUTTONDOWN, 300, 300);
  SendMouseInput(grid.hwnd(), WM_RBUTTONUP, 300, 300);
  ASSERT_TRUE(grid.menu().IsShown());
  EXPECT_EQ(grid.menu().items(), CUploadPreview::SortOrderNames());
  grid.menu().Choose(1);
  Settle();
  EXPECT_EQ(frame.Notes(CMT_UPLOADPREVIEW_MENU), std::vector<LPARAM>{CUploadPreview::kSortByName});

  grid.SetSortOrder(CUploadPreview::kSortByName);
  EXPECT_EQ(grid.GetFiles(), (std::vector<std::u16string>{PathFromBytes(dir.file("a.jpg")), PathFromBytes(dir.file("b.jpg")),
                                                          PathFromBytes(dir.file("c.jpg"))}));
  EXPECT_EQ(grid.list().items()[0]->rcPic.left, Cell(0).left);  // laid out again in the new order
  grid.SetSortOrder(CUploadPreview::kSortAsAdded);
  EXPECT_EQ(grid.list().items()[0]->strName, u"b.jpg");
}
