// The thumbnail grid in a real GTK window on a virtual X server: another program puts photo files
// on the desktop clipboard, Ctrl+V typed on the X server pastes them, the loader makes their
// thumbnails and the screen shows them. The test saves the screenshot as
// screenshots/grid.png in its working folder.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>


#include "control/services/Global.h"
#include "imaging/ThumbBmp.h"
#include "platform/CodePage.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/JpegCodec.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "platform/win/SyntheticInput.h"
#include "tests/support/BackgroundProgram.h"
#include "tests/support/DisplayEnvironment.h"
#include "tests/support/ExifBuilder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestImages.h"
#include "ui/PreviewMessages.h"
#include "ui/UploadPreview.h"

using namespace std::chrono_literals;
using namespace platform;
using fotaro::test::PumpUntil;
using fotaro::test::RunWhilePumping;

namespace {

// The uploader frame's part in this: a top-level window holding the grid that adds what the grid
// offers.
class Frame : public Window {
 public:
  ~Frame() override { DestroyWindow(hwnd()); }
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>&) override {
    if (message == CM_CMPREVIEW && wParam == CMT_UPLOADPREVIEW_ADDFILES) {
      grid.AddSelectedFile(*reinterpret_cast<const std::vector<std::u16string>*>(lParam));
    }
    if (message == WM_PAINT) {
      PaintDC dc(hwnd());
      dc.canvas().FillRect({0, 0, 5000, 5000}, 0xFFF3F3F3);
    }
    return 0;
  }
  CUploadPreview grid;
};

bool Installed(const char* program) { return access(program, X_OK) == 0; }

}  // namespace

TEST(GridDisplayTest, PhotosPastedFromTheDesktopClipboardShowAsThumbnails) {
  FOTARO_REQUIRE_DISPLAY();
  if (!Installed("/usr/bin/xclip") || !Installed("/usr/bin/xdotool")) {
    GTEST_SKIP() << "xclip and xdotool are needed (scripts/test.sh installs them)";
  }
  fotaro::test::TempDir dir;
  fotaro::test::ScopedEnv cache("XDG_CACHE_HOME", dir.file("cache"));

  // Nine photos: camera-sized landscapes, one stored sideways with its EXIF orientation, a PNG.
  std::string uris;
  std::vector<std::u16string> photos;
  for (unsigned i = 0; i < 9; ++i) {
    const bool sideways = i == 2;
    gfx::Bitmap picture = fotaro::test::Landscape(sideways ? 1200 : 1600, sideways ? 1600 : 1200, 7 + i);
    std::vector<uint8_t> bytes;
    std::string name = "photo-" + std::to_string(i + 1) + ".jpg";
    if (i == 5) {
      name = "drawing.png";
      ASSERT_TRUE(gfx::EncodeImage(gfx::Image(fotaro::test::Landscape(900, 600, 99)), gfx::ImageFormat::Png, 0, &bytes));
    } else if (sideways) {
      // Stored turned a quarter to the left, with orientation 6 to turn it back upright.
      gfx::Image stored(picture);
      stored.RotateFlip(gfx::RotateFlipType::Rotate270FlipNone);
      const auto exif = fotaro::test::ExifBuilder(false).Short(fotaro::test::ExifBuilder::kMain, 0x0112, 6).Build();
      ASSERT_TRUE(gfx::EncodeJpeg(stored.bitmap(), 92, exif, &bytes));
    } else {
      ASSERT_TRUE(gfx::EncodeJpeg(picture, 92, {}, &bytes));
    }
    fotaro::test::WriteFile(dir.file(name), bytes);
    photos.push_back(PathFromBytes(dir.file(name)));
    uris += "file://" + dir.file(name) + "\r\n";
  }
  fotaro::test::WriteFile(dir.file("uris"), std::vector<uint8_t>(uris.begin(), uris.end()));
  fotaro::test::BackgroundProgram owner("/usr/bin/xclip",
                                        {"-quiet", "-selection", "clipboard", "-t", "text/uri-list", "-i", dir.file("uris")});

  Frame frame;
  ASSERT_TRUE(frame.Create(nullptr, RECT{0, 0, 700, 400}, WS_VISIBLE, u"OrniFotaroEx"));
  ASSERT_TRUE(frame.grid.Create(frame.hwnd(), RECT{1, 1, 699, 399}));
  gfx::Bitmap shot;
  ASSERT_TRUE(CaptureWindow(frame.hwnd(), &shot));  // on the screen

  // Another program owns the clipboard with the files; Ctrl+V typed over the grid pastes them.
  std::vector<std::u16string> offered;
  ASSERT_TRUE(PumpUntil([&] { return GetClipboardFiles(&offered) && offered == photos; }, 10s));
  SetFocus(frame.grid.hwnd());
  RunWhilePumping("/usr/bin/xdotool", {"mousemove", "350", "300", "key", "ctrl+v"});
  ASSERT_TRUE(PumpUntil([&] { return frame.grid.GetPhotoCount() == photos.size(); }, 10s));
  ASSERT_TRUE(PumpUntil(
      [&] {
        std::lock_guard<std::recursive_mutex> lock(frame.grid.list().mutex());
        for (const auto& item : frame.grid.list().items()) {
          if (!item->bLoaded) return false;
        }
        return true;
      },
      20s));
  EXPECT_EQ(frame.grid.GetFiles(), photos);

  // What a user sees during an upload: one photo selected, one sent, one on its way, one failed.
  frame.grid.SetUploadPercent(photos[0], 100);
  frame.grid.SetUploadPercent(photos[1], 40);
  frame.grid.SetUploadError(photos[4], u"网络错误");
  SendMouseInput(frame.grid.hwnd(), WM_LBUTTONDOWN, 40, 40, MK_LBUTTON);
  SendMouseInput(frame.grid.hwnd(), WM_LBUTTONUP, 40, 40);
  SendMouseInput(frame.grid.hwnd(), WM_MOUSEMOVE, 690, 390);

  ASSERT_TRUE(CaptureWindow(frame.hwnd(), &shot));
  fotaro::test::SaveScreenshot(shot, "grid.png");

  // The photos without an overlay show their thumbnails in their cells, as the loader made them.
  for (size_t i : {size_t{2}, size_t{3}, size_t{5}}) {
    gfx::Bitmap thumb;
    int rotated = 0;
    ASSERT_TRUE(CreateThumbBmp(photos[i], 148, 119, ThumbCaller{"test", "%d %s", 0}, &thumb, &rotated));
    EXPECT_EQ(rotated, i == 2 ? 1 : 0);
    gfx::Bitmap expected(148, 119, 0xFFFFFFFF);
    gfx::Canvas(expected).DrawImage(thumb, 0, 0);
    RECT cell = frame.grid.list().items()[i]->rcPic;
    ClientToScreen(frame.grid.hwnd(), reinterpret_cast<POINT*>(&cell));
    POINT origin{0, 0};
    ClientToScreen(frame.hwnd(), &origin);
    fotaro::test::ExpectClose(expected, fotaro::test::Crop(shot, cell.left - origin.x, cell.top - origin.y, 148, 119), 1.0, 8);
  }

  // Three rows do not fit: a click low in the scroll bar's trough scrolls the grid down.
  ASSERT_EQ(frame.grid.GetScrollPos(), 0);
  RunWhilePumping("/usr/bin/xdotool", {"mousemove", "690", "390", "click", "1"});
  EXPECT_TRUE(PumpUntil([&] { return frame.grid.GetScrollPos() > 0; }, 5s));
}

