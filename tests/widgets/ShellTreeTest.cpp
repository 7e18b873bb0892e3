// The folder tree driven headless: the top folders of a user's namespace, selecting a folder deep
// down, single expansion, the buttons and keys, and what the parent hears of each change.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/gfx/Bitmap.h"
#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "platform/win/SyntheticInput.h"
#include "tests/support/FakeVolumeMonitor.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestImages.h"
#include "widgets/CMShellTreeCtrl.h"

using namespace platform;
using fotaro::test::ScopedEnv;
using fotaro::test::TempDir;

namespace {

// The tree's parent: records its notifications, a selection change as the folder then selected.
class Parent : public Window {
 public:
  ~Parent() override { DestroyWindow(hwnd()); }
  LRESULT WndProc(UINT message, WPARAM, LPARAM lParam, std::unique_ptr<MessagePayload>&) override {
    if (message == CM_SHELLTREE_SELCHANGING && onChanging) onChanging();
    if (message == CM_SHELLTREE_SELCHANGING) notes.push_back(u"changing");
    if (message == CM_SHELLTREE_SELCHANGED) notes.push_back(*reinterpret_cast<const std::u16string*>(lParam));
    if (message == WM_PAINT) {
      PaintDC dc(hwnd());
      dc.canvas().FillRect({0, 0, 1000, 1000}, 0xFFFFFFFF);
    }
    return 0;
  }
  std::vector<std::u16string> notes;
  std::function<void()> onChanging;
};

class ShellTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"Pictures", "Pictures/img_10", "Pictures/IMG_2", "Pictures/.hidden", "Pictures/Zoo",
                               "Pictures/Zoo/Deep", "mnt", "mnt/CARD"}) {
      ASSERT_EQ(mkdir(dir.file(folder).c_str(), 0755), 0);
    }
    fotaro::test::WriteFile(dir.file("Pictures/photo.jpg"), {1});
    ASSERT_TRUE(parent.Create(nullptr, RECT{0, 0, 300, 400}, WS_VISIBLE));
    ASSERT_TRUE(tree.Create(parent.hwnd(), RECT{0, 0, 300, 400}));
  }
  std::u16string Home() { return PathFromBytes(dir.path()); }
  std::u16string Path(const std::string& name) { return PathFromBytes(dir.file(name)); }
  // The rows' folders, those under home without the home folder's path.
  std::vector<std::u16string> Rows() {
    std::vector<std::u16string> rows = tree.GetRowFolders();
    for (std::u16string& row : rows) {
      if (row.compare(0, Home().size(), Home()) == 0) row = row.substr(Home().size());
    }
    return rows;
  }
  void ClickRow(size_t index, int x) {
    const RECT row = tree.GetRowRect(index);
    SendMouseInput(tree.hwnd(), WM_LBUTTONDOWN, x, row.top + 5, MK_LBUTTON);
    SendMouseInput(tree.hwnd(), WM_LBUTTONUP, x, row.top + 5);
  }
  void Key(UINT vk) {
    SendKeyInput(vk, true);
    SendKeyInput(vk, false);
  }

  TempDir dir;
  ScopedEnv home{"HOME", dir.path()};
  ScopedEnv config{"XDG_CONFIG_HOME", dir.file("config")};
  std::shared_ptr<fotaro::test::FakeVolumeMonitor> volumes = std::make_shared<fotaro::test::FakeVolumeMonitor>();
  Parent parent;
  CCMShellTreeCtrl tree{volumes};
};

}  // namespace

TEST_F(ShellTreeTest, TopsAreHomePicturesDocumentsVolumesAndTheFileSystemEachOnce) {
  // The desktop's names for the folders: pictures in a folder of its own (with a quote in its
  // name), documents turned off by naming the home folder.
  ASSERT_EQ(mkdir(dir.file("config").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.file("我的 \"图片\"").c_str(), 0755), 0);
  const std::string dirs = "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME\"\n"
                           "XDG_PICTURES_DIR=\"$HOME/我的 \\\"图片\\\"\"\n";
  fotaro::test::WriteFile(dir.file("config/user-dirs.dirs"), std::vector<uint8_t>(dirs.begin(), dirs.end()));
  volumes->volumes = {{u"", Path("mnt/CARD/")}, {u"Gone", Path("mnt/missing")}, {u"Again", Home()}};

  using Kind = CShellTreeNode::Kind;
  const auto tops = CShellTreeModel::Namespace(*volumes);
  ASSERT_EQ(tops.size(), 4u);
  EXPECT_EQ(tops[0].name, u"主文件夹");
  EXPECT_EQ(tops[0].path, PathFromBytes(dir.path()));
  EXPECT_EQ(tops[1].name, u"我的 \"图片\"");
  EXPECT_EQ(tops[1].kind, Kind::kPictures);
  EXPECT_EQ(tops[2].name, u"CARD");  // a volume without a name shows its folder's
  EXPECT_EQ(tops[2].path, Path("mnt/CARD"));
  EXPECT_EQ(tops[2].kind, Kind::kVolume);
  EXPECT_EQ(tops[3].name, u"文件系统");
  EXPECT_EQ(tops[3].path, u"/");

  // An absolute folder is taken as it stands.
  const std::string absolute = "XDG_PICTURES_DIR=\"" + dir.file("mnt") + "\"\n";
  fotaro::test::WriteFile(dir.file("config/user-dirs.dirs"), std::vector<uint8_t>(absolute.begin(), absolute.end()));
  EXPECT_EQ(CShellTreeModel::Namespace(*volumes)[1].path, Path("mnt"));
}

TEST_F(ShellTreeTest, SelectingAFolderOpensTheWayToItAndTellsTheParentBeforeAndAfter) {
  tree.Fill();
  ASSERT_EQ(Rows(), (std::vector<std::u16string>{u"", u"/Pictures", u"/"}));
  EXPECT_TRUE(tree.GetSelectedFolder().empty());

  // The closest top holds it: the pictures folder rather than home. Its folders by name, numbers
  // by value, hidden ones left out.
  ASSERT_TRUE(tree.SelectFolder(Path("Pictures/Zoo/Deep")));
  EXPECT_EQ(parent.notes, (std::vector<std::u16string>{u"changing", Path("Pictures/Zoo/Deep")}));
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"", u"/Pictures", u"/Pictures/IMG_2", u"/Pictures/img_10",
                                                 u"/Pictures/Zoo", u"/Pictures/Zoo/Deep", u"/"}));
  parent.notes.clear();
  EXPECT_FALSE(tree.SelectFolder(Path("Pictures/.hidden")));
  EXPECT_FALSE(tree.SelectFolder(Path("Pictures/photo.jpg")));
  EXPECT_FALSE(tree.SelectFolder(u"relative/path"));
  EXPECT_TRUE(parent.notes.empty());
  EXPECT_EQ(tree.GetSelectedFolder(), Path("Pictures/Zoo/Deep"));

  // Single expansion: selecting Zoo opens it; moving on to IMG_2 closes it again.
  ASSERT_TRUE(tree.SelectFolder(Path("Pictures/Zoo")));
  ClickRow(2, 150);
  EXPECT_EQ(tree.GetSelectedFolder(), Path("Pictures/IMG_2"));
  EXPECT_FALSE(tree.IsExpanded(Path("Pictures/Zoo")));
  EXPECT_TRUE(tree.IsExpanded(Path("Pictures")));

  // The selected row is painted as such across its full width.
  gfx::Bitmap shot;
  ASSERT_TRUE(CaptureWindow(tree.hwnd(), &shot));
  EXPECT_NE(shot.at(shot.width() - 3, tree.GetRowRect(2).top + 2), 0xFFFFFFFFu);
  EXPECT_EQ(shot.at(shot.width() - 3, tree.GetRowRect(3).top + 2), 0xFFFFFFFFu);

  // A parent that rebuilds the tree while it hears of a change (in a message box's loop, say)
  // takes the change's place: the folder that was to be selected is gone with the old tree.
  parent.onChanging = [&] {
    parent.onChanging = nullptr;
    tree.Fill();
  };
  EXPECT_FALSE(tree.SelectFolder(Path("Pictures/Zoo")));
  EXPECT_TRUE(tree.GetSelectedFolder().empty());
  ASSERT_TRUE(tree.SelectFolder(Path("Pictures/IMG_2")));

  // Deleting everything is a change to no selection.
  parent.notes.clear();
  tree.DeleteAllItems();
  EXPECT_EQ(parent.notes, (std::vector<std::u16string>{u"changing", u""}));
  EXPECT_TRUE(tree.GetRowFolders().empty());
}

TEST_F(ShellTreeTest, ButtonsOpenAndCloseWithoutSelectingAndKeysWalkTheRows) {
  tree.Fill();
  // Home's button opens it without selecting it; clicking its row elsewhere selects it.
  ClickRow(0, CCMShellTreeCtrl::kButtonWidth / 2 + 4);
  EXPECT_TRUE(tree.IsExpanded(Home()));
  EXPECT_TRUE(parent.notes.empty());
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"", u"/mnt", u"/Pictures", u"/Pictures", u"/"}));
  ClickRow(0, 100);
  EXPECT_EQ(tree.GetSelectedFolder(), Home());

  SetFocus(tree.hwnd());
  Key(VK_DOWN);
  EXPECT_EQ(tree.GetSelectedFolder(), Path("mnt"));
  Key(VK_RIGHT);  // selecting mnt opened it already: Right goes to its first folder
  EXPECT_EQ(tree.GetSelectedFolder(), Path("mnt/CARD"));
  Key(VK_LEFT);   // CARD has no folders: Left goes to the parent
  EXPECT_EQ(tree.GetSelectedFolder(), Path("mnt"));
  Key(VK_LEFT);   // closes mnt
  EXPECT_FALSE(tree.IsExpanded(Path("mnt")));
  Key(VK_END);
  EXPECT_EQ(tree.GetSelectedFolder(), u"/");
  Key(VK_HOME);
  EXPECT_EQ(tree.GetSelectedFolder(), Home());

  // Closing a folder that holds the selection selects the folder.
  ASSERT_TRUE(tree.SelectFolder(Path("Pictures/Zoo/Deep")));
  parent.notes.clear();
  ClickRow(1, CCMShellTreeCtrl::kButtonWidth / 2 + 4);  // the pictures folder's button
  EXPECT_EQ(tree.GetSelectedFolder(), Path("Pictures"));
  EXPECT_EQ(parent.notes, (std::vector<std::u16string>{u"changing", Path("Pictures")}));
}
