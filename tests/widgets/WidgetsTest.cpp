// The widgets driven headless: the button's states and clicks, the caption edit box's editing
// rules, the tool tip's size.

#include <gtest/gtest.h>

#include <vector>

#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "platform/win/SyntheticInput.h"
#include "widgets/CMButton.h"
#include "widgets/CMEdit.h"
#include "widgets/CMToolTip.h"

using namespace std::chrono_literals;
using namespace platform;

namespace {

// A white parent that records the commands of its children.
class Parent : public Window {
 public:
  ~Parent() override { DestroyWindow(hwnd()); }
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM, std::unique_ptr<MessagePayload>&) override {
    if (message == WM_COMMAND) commands.push_back(wParam);
    if (message == WM_PAINT) {
      PaintDC dc(hwnd());
      dc.canvas().FillRect({0, 0, 1000, 1000}, 0xFFFFFFFF);
    }
    return 0;
  }
  // Handles what was posted so far.
  void Settle() {
    Message message;
    while (PeekMessage(message)) DispatchMessage(message);
  }
  std::vector<WPARAM> commands;
};

gfx::Bitmap Solid(uint32_t colour) { return gfx::Bitmap(4, 4, colour); }

uint32_t PixelAt(HWND hwnd, int x, int y) {
  gfx::Bitmap shot;
  return CaptureWindow(hwnd, &shot) ? shot.at(x, y) : 0;
}

}  // namespace

TEST(CMButtonTest, ShowsTheImageOfItsStateAndClicksOnlyWhenReleasedOverIt) {
  Parent parent;
  ASSERT_TRUE(parent.Create(nullptr, RECT{0, 0, 200, 100}, WS_VISIBLE));
  CCMButton button;
  ASSERT_TRUE(button.Create(parent.hwnd(), RECT{10, 10, 90, 40}, 103, u"上传"));
  button.SetImage(CCMButton::kNormal, Solid(0xFF0000FF));
  button.SetImage(CCMButton::kHover, Solid(0xFF00FF00));
  button.SetImage(CCMButton::kPressed, Solid(0xFFFF0000));
  EXPECT_EQ(PixelAt(parent.hwnd(), 12, 12), 0xFF0000FFu);

  SendMouseInput(button.hwnd(), WM_MOUSEMOVE, 5, 5);
  EXPECT_EQ(PixelAt(parent.hwnd(), 12, 12), 0xFF00FF00u);
  SendMouseInput(button.hwnd(), WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  EXPECT_EQ(PixelAt(parent.hwnd(), 12, 12), 0xFFFF0000u);
  // Dragged off and released outside: no click, and the button looks normal again.
  SendMouseInput(parent.hwnd(), WM_MOUSEMOVE, 150, 80, MK_LBUTTON);
  EXPECT_EQ(button.state(), CCMButton::kNormal);
  SendMouseInput(parent.hwnd(), WM_LBUTTONUP, 150, 80);
  parent.Settle();
  EXPECT_TRUE(parent.commands.empty());

  SendMouseInput(button.hwnd(), WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  SendMouseInput(button.hwnd(), WM_LBUTTONUP, 5, 5);
  parent.Settle();
  EXPECT_EQ(parent.commands, (std::vector<WPARAM>{MAKEWPARAM(103, BN_CLICKED)}));

  // A disabled button shows its normal picture when it has no disabled one, and takes no clicks.
  EnableWindow(button.hwnd(), false);
  SendMouseInput(button.hwnd(), WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  SendMouseInput(button.hwnd(), WM_LBUTTONUP, 5, 5);
  parent.Settle();
  EXPECT_EQ(parent.commands.size(), 1u);
  EXPECT_EQ(button.state(), CCMButton::kDisabled);
  EXPECT_EQ(PixelAt(parent.hwnd(), 12, 12), 0xFF0000FFu);
}

TEST(CMEditTest, KeepsToItsLimitAndEndsOnceWithTheRightNotification) {
  Parent parent;
  ASSERT_TRUE(parent.Create(nullptr, RECT{0, 0, 300, 100}, WS_VISIBLE));
  CCMEdit edit;
  ASSERT_TRUE(edit.Create(parent.hwnd(), RECT{}, 7, 5));
  EXPECT_FALSE(IsWindowVisible(edit.hwnd()));

  edit.Begin(RECT{10, 10, 150, 30}, u"ab");
  EXPECT_EQ(GetFocus(), edit.hwnd());
  SendTextInput(u"c\U0001F600defg");  // a character outside the BMP counts once
  EXPECT_EQ(edit.text(), u"abc\U0001F600d");
  SendTextInput(u"\b");
  SendKeyInput(VK_HOME, true);
  SendKeyInput(VK_DELETE, true);
  EXPECT_EQ(edit.text(), u"bc\U0001F600");
  SendKeyInput(VK_END, true);
  SendKeyInput(VK_LEFT, true);  // steps over both halves of the emoji
  SendTextInput(u"x");
  SendKeyInput(VK_END, true);
  SendTextInput(u"\b");  // and removes both
  EXPECT_EQ(edit.text(), u"bcx");

  SendTextInput(u"\r");
  EXPECT_FALSE(IsWindowVisible(edit.hwnd()));
  SetFocus(parent.hwnd());  // the focus leaving after Enter does not end the editing twice
  parent.Settle();
  EXPECT_EQ(parent.commands, (std::vector<WPARAM>{MAKEWPARAM(7, EN_COMMIT)}));

  edit.Begin(RECT{10, 10, 150, 30}, u"123456789");
  EXPECT_EQ(edit.text(), u"12345");
  SendTextInput(u"\x1B");
  edit.Begin(RECT{10, 10, 150, 30}, u"x");
  SetFocus(parent.hwnd());
  parent.Settle();
  EXPECT_EQ(parent.commands,
            (std::vector<WPARAM>{MAKEWPARAM(7, EN_COMMIT), MAKEWPARAM(7, EN_CANCEL), MAKEWPARAM(7, EN_COMMIT)}));
}

TEST(CMToolTipTest, SizesItselfToItsTextUpToTheWidestTip) {
  Parent owner;
  ASSERT_TRUE(owner.Create(nullptr, RECT{0, 0, 100, 100}, WS_VISIBLE));
  CCMToolTip tip;
  ASSERT_TRUE(tip.Create(owner.hwnd()));
  EXPECT_FALSE(tip.IsShown());
  tip.Show(u"photo.jpg", POINT{40, 50});
  RECT shortRect;
  GetWindowRect(tip.hwnd(), &shortRect);
  EXPECT_EQ(shortRect.left, 40);
  EXPECT_EQ(shortRect.top, 50);
  EXPECT_GT(RectWidth(shortRect), 40);
  EXPECT_LT(RectWidth(shortRect), 100);
  tip.Show(std::u16string(200, u'长'), POINT{0, 0});
  RECT longRect;
  GetWindowRect(tip.hwnd(), &longRect);
  EXPECT_EQ(RectWidth(longRect), CCMToolTip::kMaxWidth);
  tip.Hide();
  EXPECT_FALSE(tip.IsShown());
  DestroyWindow(owner.hwnd());
  EXPECT_FALSE(IsWindow(tip.hwnd()));  // a tip goes with its owner
}
