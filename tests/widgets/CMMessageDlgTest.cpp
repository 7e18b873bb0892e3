// The modal message dialog and the list widgets, driven headless as a user would: clicks on
// their buttons and rows, the close box, Esc, and owners that go away.

#include <gtest/gtest.h>

#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Surface.h"
#include "platform/win/SyntheticInput.h"
#include "widgets/CMCheckBox.h"
#include "widgets/CMDropDown.h"
#include "widgets/CMMessageDlg.h"

using namespace platform;

namespace {

// A top-level window that owns the dialogs and records the commands of its children.
class Owner : public Window {
 public:
  ~Owner() override { DestroyWindow(hwnd()); }
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>&) override {
    if (message == WM_COMMAND) commands.emplace_back(wParam, lParam);
    return 0;
  }
  std::vector<std::pair<WPARAM, LPARAM>> commands;
};

class CMMessageDlgTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(owner.Create(nullptr, RECT{100, 100, 700, 500}, WS_VISIBLE, u"owner")); }
  void TearDown() override { CCMMessageDlg::SetShownHook(nullptr); }
  static void Click(HWND hwnd, int x, int y) {
    SendMouseInput(hwnd, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    SendMouseInput(hwnd, WM_LBUTTONUP, x, y);
  }
  Owner owner;
};

TEST_F(CMMessageDlgTest, AClickedButtonIsTheAnswerAndTheOwnerWaitsDisabledMeanwhile) {
  bool ownerEnabled = true;
  RECT placed{};
  std::vector<bool> buttonsShown;
  CCMMessageDlg::SetShownHook([&](CCMMessageDlg& dialog) {
    ownerEnabled = IsWindowEnabled(owner.hwnd());
    GetWindowRect(dialog.hwnd(), &placed);
    for (int i = 0; i < 3; ++i) buttonsShown.push_back(IsWindowVisible(dialog.button(i)));
    Click(dialog.button(1), 5, 5);
  });
  CCMMessageDlg dialog(u"2张照片上传失败, 重新上传吗?", u"上传失败", {u"是", u"否"});
  EXPECT_EQ(dialog.DoModal(owner.hwnd()), 1);
  EXPECT_FALSE(ownerEnabled);
  EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
  EXPECT_FALSE(IsWindow(dialog.hwnd()));
  EXPECT_EQ(buttonsShown, (std::vector<bool>{true, true, false}));
  // Centred over its owner.
  EXPECT_EQ(placed.left, 100 + (600 - CCMMessageDlg::kWidth) / 2);
  EXPECT_EQ(placed.top, 100 + (400 - CCMMessageDlg::kHeight) / 2);
}

TEST_F(CMMessageDlgTest, TheTypeSaysHowManyButtonsShow) {
  EXPECT_EQ(CCMMessageDlg::ButtonCount(1), 3);
  EXPECT_EQ(CCMMessageDlg::ButtonCount(2), 2);
  EXPECT_EQ(CCMMessageDlg::ButtonCount(3), 1);
  CCMMessageDlg trailingEmpty(u"", u"", {u"确定", u"", u""});
  EXPECT_EQ(trailingEmpty.buttons(), std::vector<std::u16string>{u"确定"});
}

TEST_F(CMMessageDlgTest, ClosingTheDialogOrItsOwnerAnswersClosed) {
  // The window manager's close box, then Esc, then the owner going away.
  std::vector<std::function<void(CCMMessageDlg&)>> closes = {
      [](CCMMessageDlg& dialog) { SendMessage(dialog.hwnd(), WM_CLOSE); },
      [](CCMMessageDlg& dialog) {
        SetFocus(dialog.hwnd());
        SendKeyInput(VK_ESCAPE, true);
        SendKeyInput(VK_ESCAPE, false);
      },
      [this](CCMMessageDlg&) { DestroyWindow(owner.hwnd()); },
  };
  for (auto& close : closes) {
    CCMMessageDlg::SetShownHook(close);
    CCMMessageDlg dialog(u"照片正在上传中，确定取消上传吗?", u"取消上传", {u"确定", u"取消"});
    EXPECT_EQ(dialog.DoModal(owner.hwnd()), CCMMessageDlg::kClosed);
    EXPECT_FALSE(IsWindow(dialog.hwnd()));
  }
}

TEST_F(CMMessageDlgTest, AClickOnTheLinkFollowsIt) {
  int followed = 0;
  CCMMessageDlg::SetShownHook([&](CCMMessageDlg& dialog) {
    Click(dialog.hwnd(), 10, 100);  // beside the link: nothing
    Click(dialog.hwnd(), 40, 100);
    dialog.Press(0);
  });
  CCMMessageDlg dialog(u"请先开通相册", u"上传失败", {u"确定"}, 1);
  dialog.SetSize(386, 180);
  dialog.SetLink(u"立即开通", [&] { ++followed; });
  EXPECT_EQ(dialog.DoModal(owner.hwnd()), 0);
  EXPECT_EQ(followed, 1);
}

TEST_F(CMMessageDlgTest, ADropDownListTellsItsParentTheRowChosen) {
  CCMDropDown sort;
  ASSERT_TRUE(sort.Create(owner.hwnd(), RECT{10, 10, 160, 34}, 111, {u"按拍摄时间排序", u"按文件名排序", u"按添加顺序排列"}));
  Click(sort.hwnd(), 20, 10);
  ASSERT_TRUE(sort.IsListShown());
  RECT list{};
  GetWindowRect(sort.list().hwnd(), &list);
  RECT box{};
  GetWindowRect(sort.hwnd(), &box);
  EXPECT_EQ(list.top, box.bottom);  // right under the box
  Click(sort.list().hwnd(), 20, 1 + CCMPopupList::kRowHeight + 5);  // the second row
  Message message;
  while (PeekMessage(message)) DispatchMessage(message);
  EXPECT_FALSE(sort.IsListShown());
  EXPECT_EQ(sort.GetCurSel(), 1);
  ASSERT_EQ(owner.commands.size(), 1u);
  EXPECT_EQ(owner.commands[0].first, MAKEWPARAM(111, static_cast<int>(CBN_SELCHANGE)));

  CCMCheckBox box2;
  ASSERT_TRUE(box2.Create(owner.hwnd(), RECT{10, 50, 200, 70}, 110, u"添加我的空间地址"));
  Click(box2.hwnd(), 5, 10);
  EXPECT_TRUE(box2.GetCheck());
  Click(box2.hwnd(), 5, 10);
  EXPECT_FALSE(box2.GetCheck());
}

}  // namespace
