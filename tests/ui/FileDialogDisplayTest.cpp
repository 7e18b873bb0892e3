// The file selection dialog in a real GTK window on a virtual X server, with the system's volume
// monitor: it opens on the pictures folder, the loader fills the thumbnails, clicks on the X server
// tick three photos, and the screen shows them ticked with the status line counting them; a drag on
// a free spot moves the dialog. The test saves the screenshot as screenshots/file-dialog.png in its
// working folder.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "control/services/Global.h"
#include "imaging/ThumbBmp.h"
#include "platform/CodePage.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/JpegCodec.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "tests/support/DisplayEnvironment.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestImages.h"
#include "ui/FTFileSelectDlg.h"
#include "widgets/Skin.h"

using namespace std::chrono_literals;
using namespace platform;
using fotaro::test::PumpUntil;
using fotaro::test::RunWhilePumping;
using fotaro::test::ScopedEnv;

namespace {

// The uploader frame's part: a window that owns the dialog and keeps what it hands over.
class Frame : public Window {
 public:
  ~Frame() override { DestroyWindow(hwnd()); }
  LRESULT WndProc(UINT message, WPARAM, LPARAM, std::unique_ptr<MessagePayload>&) override {
    if (message == WM_PAINT) {
      PaintDC dc(hwnd());
      dc.canvas().FillRect({0, 0, 5000, 5000}, 0xFFE9EDF2);
    }
    return 0;
  }
};

}  // namespace

TEST(FileDialogDisplayTest, ThePicturesFolderShowsAsThumbnailsThatClicksTickAndAFreeSpotDragsIt) {
  FOTARO_REQUIRE_DISPLAY();
  if (access("/usr/bin/xdotool", X_OK) != 0) GTEST_SKIP() << "xdotool is needed (scripts/test.sh installs it)";
  fotaro::test::TempDir dir;
  ScopedEnv home("HOME", dir.path());
  ScopedEnv config("XDG_CONFIG_HOME", dir.file("config"));
  ScopedEnv cache("XDG_CACHE_HOME", dir.file("cache"));
  for (const char* folder : {"Pictures", "Pictures/2023 春节", "Pictures/Holiday", "Documents"}) {
    ASSERT_EQ(mkdir(dir.file(folder).c_str(), 0755), 0);
  }
  // Nine camera-sized landscapes and a portrait, named as a camera names them.
  std::vector<std::u16string> photos;
  for (unsigned i = 0; i < 10; ++i) {
    const bool portrait = i == 3;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(gfx::EncodeJpeg(fotaro::test::Landscape(portrait ? 1200 : 1600, portrait ? 1600 : 1200, 21 + i), 90, {},
                                &bytes));
    const std::string name = "Pictures/IMG_" + std::to_string(1041 + i) + ".jpg";
    fotaro::test::WriteFile(dir.file(name), bytes);
    photos.push_back(PathFromBytes(dir.file(name)));
  }

  Frame frame;
  ASSERT_TRUE(frame.Create(nullptr, RECT{0, 0, 1000, 700}, WS_VISIBLE, u"OrniFotaroEx"));
  CFTFileSelectDlg dialog;
  ASSERT_TRUE(dialog.Create(frame.hwnd()));
  dialog.Refresh();
  dialog.ShowCentred();
  gfx::Bitmap shot;
  ASSERT_TRUE(CaptureWindow(dialog.hwnd(), &shot));  // on the screen
  ASSERT_EQ(dialog.tree().GetSelectedFolder(), PathFromBytes(dir.file("Pictures")));
  ASSERT_EQ(dialog.pane().GetPhotoCount(), photos.size());
  ASSERT_TRUE(PumpUntil(
      [&] {
        std::lock_guard<std::recursive_mutex> lock(dialog.pane().list().mutex());
        const auto& items = dialog.pane().list().items();
        return std::all_of(items.begin(), items.end(), [](const auto& item) { return item->bLoaded; });
      },
      30s));

  // Clicks on the X server tick the first, third and fourth photos.
  std::vector<std::string> clicks;
  for (size_t i : {size_t{0}, size_t{2}, size_t{3}}) {
    RECT cell = dialog.pane().list().items()[i]->rcPic;
    POINT centre{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    ClientToScreen(dialog.pane().hwnd(), &centre);
    for (const std::string& word : {std::string("mousemove"), std::to_string(centre.x), std::to_string(centre.y),
                                    std::string("click"), std::string("1")}) {
      clicks.push_back(word);
    }
  }
  RunWhilePumping("/usr/bin/xdotool", clicks);
  ASSERT_TRUE(PumpUntil([&] { return dialog.pane().GetTickedCount() == 3; }, 10s));
  const std::vector<CCMPreview::PickedFile> ticked = dialog.pane().GetTickedFiles();
  EXPECT_EQ(ticked[0].path, photos[0]);
  EXPECT_EQ(ticked[2].path, photos[3]);
  EXPECT_EQ(dialog.GetStatusText().substr(0, 7), u"已选3/10，");

  ASSERT_TRUE(CaptureWindow(dialog.hwnd(), &shot));
  fotaro::test::SaveScreenshot(shot, "file-dialog.png");

  // An unticked photo shows its thumbnail as the loader made it; a ticked one its tick box.
  POINT origin{0, 0};
  ClientToScreen(dialog.hwnd(), &origin);
  for (size_t i : {size_t{1}, size_t{3}}) {
    RECT cell = dialog.pane().list().items()[i]->rcPic;
    ClientToScreen(dialog.pane().hwnd(), reinterpret_cast<POINT*>(&cell));
    const int x = cell.left - origin.x, y = cell.top - origin.y;
    if (i == 3) {
      EXPECT_EQ(shot.at(x + 148 - 4 - 16 + 1, y + 4 + 8) & 0xFFFFFF, skin::kAccent & 0xFFFFFF);
      continue;
    }
    gfx::Bitmap thumb;
    int rotated = 0;
    ASSERT_TRUE(CreateThumbBmp(photos[i], 148, 119, ThumbCaller{"test", "%d %s", 0}, &thumb, &rotated));
    gfx::Bitmap expected(148, 119, 0xFFFFFFFF);
    gfx::Canvas(expected).DrawImage(thumb, 0, 0);
    gfx::Bitmap shown = fotaro::test::Crop(shot, x, y, 148, 119);
    // The tick box covers the corner: compare the rest.
    gfx::Canvas(expected).FillRect({148 - 24, 0, 24, 24}, 0xFF000000);
    gfx::Canvas(shown).FillRect({148 - 24, 0, 24, 24}, 0xFF000000);
    fotaro::test::ExpectClose(expected, shown, 1.0, 8);
  }

  // Pressed on a free spot of the bottom band and dragged, the borderless dialog follows.
  RECT before{}, after{};
  GetWindowRect(dialog.hwnd(), &before);
  const std::string x = std::to_string(before.left + 400), y = std::to_string(before.bottom - 15);
  const std::string x2 = std::to_string(before.left + 440), y2 = std::to_string(before.bottom - 45);
  RunWhilePumping("/usr/bin/xdotool", {"mousemove", x, y, "mousedown", "1", "mousemove", x2, y2, "mouseup", "1"});
  EXPECT_TRUE(PumpUntil(
      [&] { return GetWindowRect(dialog.hwnd(), &after) && after.left == before.left + 40 && after.top == before.top - 30; },
      5s))
      << "moved by " << after.left - before.left << ", " << after.top - before.top;
}
