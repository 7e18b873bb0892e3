// Windows on a real display (a virtual X server): what they paint reaches the screen, the desktop
// clipboard carries file lists and pictures to and from other programs, and input from the X
// server arrives as messages.

#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "platform/CodePage.h"
#include "platform/gfx/Image.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "platform/win/Window.h"
#include "tests/support/BackgroundProgram.h"
#include "tests/support/DisplayEnvironment.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestImages.h"

using namespace std::chrono_literals;
using namespace platform;
using fotaro::test::BackgroundProgram;
using fotaro::test::PumpUntil;
using fotaro::test::RunWhilePumping;

namespace {

constexpr UINT kRecolour = WM_USER + 1;

class Panel : public Window {
 public:
  explicit Panel(gfx::Color colour) : colour(colour) {}
  ~Panel() override { DestroyWindow(hwnd()); }
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>&) override {
    switch (message) {
      case WM_PAINT: {
        PaintDC dc(hwnd());
        dc.canvas().FillRect({0, 0, 10000, 10000}, colour);
        return 0;
      }
      case kRecolour:
        colour = static_cast<gfx::Color>(wParam);
        InvalidateRect(hwnd());
        return 0;
      case WM_LBUTTONDOWN:
        click = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        return 0;
      case WM_KEYDOWN:
        if (wParam == 'V' && GetKeyState(VK_CONTROL) < 0) ++pastes;
        return 0;
    }
    return 0;
  }
  gfx::Color colour;
  std::optional<POINT> click;
  int pastes = 0;
};

bool Installed(const char* program) { return access(program, X_OK) == 0; }

}  // namespace

TEST(DisplayTest, PaintedPixelsReachTheScreenAfterAnotherThreadAsksForThem) {
  FOTARO_REQUIRE_DISPLAY();
  Panel top(0xFFFF0000), child(0xFF00FF00);
  ASSERT_TRUE(top.Create(nullptr, RECT{50, 50, 250, 200}, WS_VISIBLE, u"display test"));
  ASSERT_TRUE(child.Create(top.hwnd(), RECT{20, 30, 80, 90}, WS_CHILD | WS_VISIBLE));
  gfx::Bitmap shot;
  ASSERT_TRUE(CaptureWindow(top.hwnd(), &shot));
  EXPECT_EQ(shot.at(5, 5), 0xFFFF0000u);
  EXPECT_EQ(shot.at(50, 60), 0xFF00FF00u);

  // A worker posts the change; the window thread handles it inside the GTK loop and repaints.
  std::thread([hwnd = child.hwnd()] { PostMessage(hwnd, kRecolour, 0xFF0000FF); }).join();
  ASSERT_TRUE(RunUntil([&] { return child.colour == 0xFF0000FFu; }, 5s));
  ASSERT_TRUE(CaptureWindow(top.hwnd(), &shot));
  EXPECT_EQ(shot.at(50, 60), 0xFF0000FFu);
}

TEST(DisplayTest, FileListsAndPicturesCrossTheDesktopClipboard) {
  FOTARO_REQUIRE_DISPLAY();
  if (!Installed("/usr/bin/xclip")) GTEST_SKIP() << "xclip is not installed (scripts/test.sh installs it)";
  fotaro::test::TempDir dir;
  Panel top(0xFFFFFFFF);
  ASSERT_TRUE(top.Create(nullptr, RECT{0, 0, 50, 50}, WS_VISIBLE));

  // Ours, read by another program as text/uri-list (a name that is not UTF-8 stays escaped).
  const std::u16string odd = PathFromBytes(dir.path() + "/\xB2\xE2 photo.jpg");
  ASSERT_TRUE(SetClipboardFiles({odd, u"/tmp/b.png"}));
  const std::string listed =
      RunWhilePumping("/usr/bin/xclip", {"-o", "-selection", "clipboard", "-t", "text/uri-list"});
  EXPECT_EQ(listed, "file://" + dir.path() + "/%B2%E2%20photo.jpg\r\nfile:///tmp/b.png\r\n");

  // Another program's file list and picture, read by us.
  const std::string list = dir.file("list");
  const std::string uris = "file:///a%20b.jpg\r\n";
  fotaro::test::WriteFile(list, std::vector<uint8_t>(uris.begin(), uris.end()));
  {
    BackgroundProgram owner("/usr/bin/xclip", {"-quiet", "-selection", "clipboard", "-t", "text/uri-list", "-i", list});
    const std::vector<std::u16string> expected{u"/a b.jpg"};
    std::vector<std::u16string> files;
    EXPECT_TRUE(PumpUntil([&] { return GetClipboardFiles(&files) && files == expected; }, 10s));
  }
  gfx::Image picture(fotaro::test::TestPicture(40, 30));
  std::vector<uint8_t> png;
  ASSERT_TRUE(gfx::EncodeImage(picture, gfx::ImageFormat::Png, 0, &png));
  fotaro::test::WriteFile(dir.file("p.png"), png);
  BackgroundProgram owner("/usr/bin/xclip", {"-quiet", "-selection", "clipboard", "-t", "image/png", "-i", dir.file("p.png")});
  gfx::Bitmap pasted;
  ASSERT_TRUE(PumpUntil([&] { return GetClipboardImage(&pasted); }, 10s));
  EXPECT_EQ(pasted, picture.bitmap());
}

TEST(DisplayTest, PointerAndKeysOfTheXServerArriveAsMessages) {
  FOTARO_REQUIRE_DISPLAY();
  if (!Installed("/usr/bin/xdotool")) GTEST_SKIP() << "xdotool is not installed (scripts/test.sh installs it)";
  Panel top(0xFFFFFFFF);
  ASSERT_TRUE(top.Create(nullptr, RECT{200, 150, 400, 300}, WS_VISIBLE, u"input test"));
  gfx::Bitmap shot;
  ASSERT_TRUE(CaptureWindow(top.hwnd(), &shot));  // mapped and drawn
  SetFocus(top.hwnd());
  RunWhilePumping("/usr/bin/xdotool", {"mousemove", "230", "190", "click", "1"});
  ASSERT_TRUE(PumpUntil([&] { return top.click.has_value(); }, 5s));
  EXPECT_EQ(top.click->x, 30);
  EXPECT_EQ(top.click->y, 40);
  RunWhilePumping("/usr/bin/xdotool", {"key", "ctrl+v"});
  EXPECT_TRUE(PumpUntil([&] { return top.pastes == 1; }, 5s));
}
