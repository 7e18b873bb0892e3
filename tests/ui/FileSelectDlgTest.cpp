// The file selection dialog driven headless: what OK, Cancel and the close request hand to the
// frame, ticks handed over when the tree moves to another folder, the splitter's limits, dragging
// the borderless dialog, device changes rebuilding the tree once, and a folder that vanished.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "control/services/Global.h"
#include "net/DataReport.h"
#include "platform/CodePage.h"
#include "platform/RegistryStore.h"
#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "platform/win/SyntheticInput.h"
#include "tests/support/FakeVolumeMonitor.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestImages.h"
#include "ui/FTFileSelectDlg.h"

using namespace std::chrono_literals;
using namespace platform;
using fotaro::test::ScopedEnv;
using fotaro::test::TempDir;

namespace {

// The frame: records what the dialog tells it, and which folder the pane showed at that moment.
class Owner : public Window {
 public:
  struct Note {
    UINT message;
    WPARAM code;
    std::vector<std::u16string> files;
    std::u16string paneFolder;
  };
  ~Owner() override { DestroyWindow(hwnd()); }
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>&) override {
    if (message == CM_CMPREVIEW || message == CM_FILESELECTDLG) {
      Note note{message, wParam, {}, dialog ? dialog->pane().GetFolder() : u""};
      if (message == CM_CMPREVIEW && wParam != CMT_FILESELECTDLG_CANCEL) {
        note.files = *reinterpret_cast<const std::vector<std::u16string>*>(lParam);
      }
      notes.push_back(note);
    }
    if (message == WM_PAINT) {
      PaintDC dc(hwnd());
      dc.canvas().FillRect({0, 0, 5000, 5000}, 0xFFFFFFFF);
    }
    return 0;
  }
  CFTFileSelectDlg* dialog = nullptr;
  std::vector<Note> notes;
};

// The control's window: counts the data reports.
class Control : public Window {
 public:
  ~Control() override { DestroyWindow(hwnd()); }
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM, std::unique_ptr<MessagePayload>&) override {
    if (message == CM_DATAREPORT) reports.push_back(static_cast<int>(wParam));
    return 0;
  }
  std::vector<int> reports;
};

class FileSelectDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"Pictures", "Pictures/Trip", "Documents", "media", "media/STICK"}) {
      ASSERT_EQ(mkdir(dir.file(folder).c_str(), 0755), 0);
    }
    fotaro::test::WriteFile(dir.file("Pictures/b.jpg"), fotaro::test::TestJpeg(640, 480));
    fotaro::test::WriteFile(dir.file("Pictures/a.jpg"), fotaro::test::TestJpeg(320, 240));
    fotaro::test::WriteFile(dir.file("Pictures/c.JPEG"), fotaro::test::TestJpeg(300, 400));
    fotaro::test::WriteFile(dir.file("Pictures/notes.txt"), {'h', 'i'});
    fotaro::test::WriteFile(dir.file("Pictures/Trip/d.jpg"), fotaro::test::TestJpeg(200, 150));
    fotaro::test::WriteFile(dir.file("Pictures/Trip/e.jpg"), fotaro::test::TestJpeg(150, 200));

    ASSERT_TRUE(control.Create());
    CGlobal::Instance().SetControlWnd(control.hwnd());
    ASSERT_TRUE(owner.Create(nullptr, RECT{100, 50, 1100, 750}, WS_VISIBLE, u"frame"));
    volumes = std::make_shared<fotaro::test::FakeVolumeMonitor>();
    dialog = std::make_unique<CFTFileSelectDlg>(volumes);
    owner.dialog = dialog.get();
    ASSERT_TRUE(dialog->Create(owner.hwnd()));
    EXPECT_FALSE(IsWindowVisible(dialog->hwnd()));
    // What a frame does on each request.
    dialog->Refresh();
    dialog->ShowCentred();
    Settle();
  }
  void TearDown() override {
    owner.dialog = nullptr;
    dialog.reset();
    CGlobal::Instance().SetControlWnd(nullptr);
  }

  std::u16string Path(const std::string& name) { return PathFromBytes(dir.file(name)); }
  // Handles what is queued now; timers that are not due wait.
  void Settle() {
    Message message;
    while (PeekMessage(message)) DispatchMessage(message);
  }
  void Command(UINT id) { SendMessage(dialog->hwnd(), WM_COMMAND, MAKEWPARAM(static_cast<int>(id), BN_CLICKED)); }
  void ClickPhoto(size_t index, UINT message = WM_LBUTTONDOWN) {
    const RECT cell = dialog->pane().list().items().at(index)->rcPic;
    const int x = (cell.left + cell.right) / 2, y = (cell.top + cell.bottom) / 2 - dialog->pane().GetScrollPos();
    SendMouseInput(dialog->pane().hwnd(), message, x, y, MK_LBUTTON);
    SendMouseInput(dialog->pane().hwnd(), WM_LBUTTONUP, x, y);
    Settle();
  }
  void ClickFolder(const std::u16string& folder) {
    const std::vector<std::u16string> rows = dialog->tree().GetRowFolders();
    const auto row = std::find(rows.begin(), rows.end(), folder);
    ASSERT_NE(row, rows.end());
    const RECT r = dialog->tree().GetRowRect(static_cast<size_t>(row - rows.begin()));
    SendMouseInput(dialog->tree().hwnd(), WM_LBUTTONDOWN, 80, r.top + 5, MK_LBUTTON);
    SendMouseInput(dialog->tree().hwnd(), WM_LBUTTONUP, 80, r.top + 5);
    Settle();
  }
  std::vector<std::u16string> Ticked() {
    std::vector<std::u16string> paths;
    for (const auto& file : dialog->pane().GetTickedFiles()) paths.push_back(file.path);
    return paths;
  }
  // The rectangle of a child window in the dialog's client coordinates.
  RECT InDialog(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    POINT corner{r.left, r.top};
    ScreenToClient(dialog->hwnd(), &corner);
    return RECT{corner.x, corner.y, corner.x + RectWidth(r), corner.y + RectHeight(r)};
  }

  TempDir dir;
  ScopedEnv home{"HOME", dir.path()};
  ScopedEnv config{"XDG_CONFIG_HOME", dir.file("config")};
  ScopedEnv cache{"XDG_CACHE_HOME", dir.file("cache")};
  Control control;
  Owner owner;
  std::shared_ptr<fotaro::test::FakeVolumeMonitor> volumes;
  std::unique_ptr<CFTFileSelectDlg> dialog;
};

}  // namespace

TEST_F(FileSelectDlgTest, OkHandsOverTheTickedPhotosAndDoesNothingWithoutTicks) {
  // With no folder remembered the dialog opens on the pictures folder, its pictures by name.
  ASSERT_EQ(dialog->pane().GetFolder(), Path("Pictures"));
  ASSERT_EQ(dialog->pane().GetPhotoCount(), 3u);
  EXPECT_EQ(dialog->pane().list().items()[0]->strName, u"a.jpg");
  EXPECT_EQ(dialog->GetStatusText(), u"已选0/3，共0.00M");

  Command(CFTFileSelectDlg::kOK);
  Settle();
  EXPECT_TRUE(owner.notes.empty());
  EXPECT_TRUE(IsWindowVisible(dialog->hwnd()));

  ClickPhoto(2);
  ClickPhoto(0);
  const int64_t bytes = fotaro::test::ReadFile(dir.file("Pictures/a.jpg")).size() +
                        fotaro::test::ReadFile(dir.file("Pictures/c.JPEG")).size();
  char expected[64];
  std::snprintf(expected, sizeof expected, "已选2/3，共%.2fM", bytes / 1048576.0);
  EXPECT_EQ(dialog->GetStatusText(), FromUtf8(expected));

  Command(CFTFileSelectDlg::kOK);
  ASSERT_EQ(owner.notes.size(), 2u);
  EXPECT_EQ(owner.notes[0].message, CM_FILESELECTDLG);
  EXPECT_EQ(owner.notes[0].code, CMT_FILESELECTDLG_DONE);
  EXPECT_EQ(owner.notes[1].message, CM_CMPREVIEW);
  EXPECT_EQ(owner.notes[1].code, CMT_FILESELECTDLG_OK);
  EXPECT_EQ(owner.notes[1].files, (std::vector<std::u16string>{Path("Pictures/a.jpg"), Path("Pictures/c.JPEG")}));
  EXPECT_FALSE(IsWindowVisible(dialog->hwnd()));
  EXPECT_EQ(dialog->pane().GetPhotoCount(), 0u);
}

TEST_F(FileSelectDlgTest, TicksOfAFolderLeftGoToTheFrameAtOnceAndOkLaterTakesOnlyTheLastFolders) {
  ClickPhoto(0);
  ClickPhoto(1);
  ClickFolder(Path("Pictures/Trip"));
  // The first folder's ticks reached the frame before the pane moved on.
  ASSERT_EQ(owner.notes.size(), 1u);
  EXPECT_EQ(owner.notes[0].code, CMT_UPLOADPREVIEW_ADDFILES);
  EXPECT_EQ(owner.notes[0].paneFolder, Path("Pictures"));
  EXPECT_EQ(owner.notes[0].files, (std::vector<std::u16string>{Path("Pictures/a.jpg"), Path("Pictures/b.jpg")}));
  EXPECT_EQ(dialog->pane().GetFolder(), Path("Pictures/Trip"));
  EXPECT_TRUE(Ticked().empty());

  // Moving on from a folder without ticks tells the frame nothing.
  ClickFolder(Path("Pictures"));
  ClickFolder(Path("Pictures/Trip"));
  EXPECT_EQ(owner.notes.size(), 1u);

  ClickPhoto(1);
  Command(CFTFileSelectDlg::kOK);
  ASSERT_EQ(owner.notes.size(), 3u);
  EXPECT_EQ(owner.notes[2].code, CMT_FILESELECTDLG_OK);
  EXPECT_EQ(owner.notes[2].files, std::vector<std::u16string>{Path("Pictures/Trip/e.jpg")});

  // The next request opens where the user was.
  EXPECT_EQ(RegistryStore().Read(CFTFileSelectDlg::kRegistryKey, CFTFileSelectDlg::kRegistryValue), Path("Pictures/Trip"));
  dialog->Refresh();
  dialog->ShowCentred();
  EXPECT_EQ(dialog->tree().GetSelectedFolder(), Path("Pictures/Trip"));
  EXPECT_EQ(dialog->pane().GetPhotoCount(), 2u);
}

TEST_F(FileSelectDlgTest, SelectAllBoxCtrlADoubleClickAndTheTickLimit) {
  Command(CFTFileSelectDlg::kSelectAll);
  Settle();
  EXPECT_EQ(Ticked().size(), 3u);
  EXPECT_TRUE(dialog->IsSelectAllTicked());
  EXPECT_EQ(std::count(control.reports.begin(), control.reports.end(), 9), 1);

  // Unticking one photo unticks the box; the box then ticks all again.
  ClickPhoto(1);
  EXPECT_FALSE(dialog->IsSelectAllTicked());
  Command(CFTFileSelectDlg::kSelectAll);
  Settle();
  EXPECT_EQ(Ticked().size(), 3u);
  Command(CFTFileSelectDlg::kSelectAll);
  Settle();
  EXPECT_TRUE(Ticked().empty());
  EXPECT_FALSE(dialog->IsSelectAllTicked());

  // With a limit of two, Ctrl+A ticks the first two (which counts as all), a third is refused.
  dialog->SetUploadLimit(2);
  SetFocus(dialog->pane().hwnd());
  SendKeyInput(VK_CONTROL, true);
  SendKeyInput('A', true);
  SendKeyInput('A', false);
  SendKeyInput(VK_CONTROL, false);
  Settle();
  EXPECT_EQ(Ticked(), (std::vector<std::u16string>{Path("Pictures/a.jpg"), Path("Pictures/b.jpg")}));
  EXPECT_TRUE(dialog->IsSelectAllTicked());
  ClickPhoto(2);
  EXPECT_EQ(Ticked().size(), 2u);

  // A double click hands that one photo over at once; Enter asks for OK.
  ClickPhoto(2, WM_LBUTTONDBLCLK);
  ASSERT_EQ(owner.notes.size(), 1u);
  EXPECT_EQ(owner.notes[0].code, CMT_UPLOADPREVIEW_ADDFILES);
  EXPECT_EQ(owner.notes[0].files, std::vector<std::u16string>{Path("Pictures/c.JPEG")});
  SendKeyInput(VK_RETURN, true);
  SendKeyInput(VK_RETURN, false);
  Settle();
  ASSERT_EQ(owner.notes.size(), 3u);
  EXPECT_EQ(owner.notes[2].code, CMT_FILESELECTDLG_OK);
  EXPECT_EQ(owner.notes[2].files.size(), 2u);
}

TEST_F(FileSelectDlgTest, CancelCloseAndTheCloseRequestTellTheFrameOnceHandled) {
  RECT frame{}, self{};
  GetWindowRect(owner.hwnd(), &frame);
  GetWindowRect(dialog->hwnd(), &self);
  EXPECT_EQ(self.left + RectWidth(self) / 2, frame.left + RectWidth(frame) / 2);
  EXPECT_EQ(self.top + RectHeight(self) / 2, frame.top + RectHeight(frame) / 2);

  for (UINT message : {WM_COMMAND, WM_CLOSE}) {
    ClickPhoto(0);
    SendMessage(dialog->hwnd(), message, message == WM_COMMAND ? CFTFileSelectDlg::kCancel : 0);
    EXPECT_FALSE(IsWindowVisible(dialog->hwnd()));
    EXPECT_TRUE(owner.notes.empty());  // posted: the frame hears of it once the dialog is done
    Settle();
    ASSERT_EQ(owner.notes.size(), 2u);
    EXPECT_EQ(owner.notes[0].message, CM_CMPREVIEW);
    EXPECT_EQ(owner.notes[0].code, CMT_FILESELECTDLG_CANCEL);
    EXPECT_EQ(owner.notes[1].message, CM_FILESELECTDLG);
    EXPECT_EQ(owner.notes[1].code, CMT_FILESELECTDLG_DONE);
    owner.notes.clear();
    dialog->Refresh();
    dialog->ShowCentred();
    EXPECT_TRUE(Ticked().empty());
  }
}

TEST_F(FileSelectDlgTest, SplitterStopsAt191AndWhereThePaneKeeps176AndFreeSpotsDragTheDialog) {
  const HWND hwnd = dialog->hwnd();
  RECT client{};
  GetClientRect(hwnd, &client);
  ASSERT_EQ(dialog->GetTreeWidth(), 191);
  SendMouseInput(hwnd, WM_LBUTTONDOWN, 194, 200, MK_LBUTTON);  // 3 pixels into the splitter
  SendMouseInput(hwnd, WM_MOUSEMOVE, 303, 200, MK_LBUTTON);
  EXPECT_EQ(dialog->GetTreeWidth(), 300);
  SendMouseInput(hwnd, WM_MOUSEMOVE, 1, 200, MK_LBUTTON);
  EXPECT_EQ(dialog->GetTreeWidth(), 191);
  SendMouseInput(hwnd, WM_MOUSEMOVE, client.right - 1, 200, MK_LBUTTON);
  EXPECT_EQ(dialog->GetTreeWidth(), client.right - 176 - 8);
  SendMouseInput(hwnd, WM_MOUSEMOVE, client.right + 50, 200, MK_LBUTTON);  // outside: nothing changes
  SendMouseInput(hwnd, WM_LBUTTONUP, client.right + 50, 200);
  EXPECT_EQ(dialog->GetTreeWidth(), client.right - 176 - 8);

  // The tree and the pane follow, a pixel inside their parts.
  const RECT tree = InDialog(dialog->tree().hwnd());
  const RECT pane = InDialog(dialog->pane().hwnd());
  EXPECT_EQ(tree.left, 1);
  EXPECT_EQ(tree.right, dialog->GetTreeWidth() - 1);
  EXPECT_EQ(pane.left, dialog->GetTreeWidth() + 8 + 1);
  EXPECT_EQ(pane.right, client.right - 2);
  EXPECT_EQ(pane.top, 33);
  EXPECT_EQ(pane.bottom, client.bottom - 36);
  EXPECT_EQ(client.right - (dialog->GetTreeWidth() + 8), 176);

  // Pressed anywhere else, the borderless dialog moves with the pointer.
  RECT before{}, after{};
  GetWindowRect(hwnd, &before);
  SendMouseInput(hwnd, WM_LBUTTONDOWN, 400, 505, MK_LBUTTON);
  SendMouseInput(hwnd, WM_MOUSEMOVE, 430, 525, MK_LBUTTON);
  SendMouseInput(hwnd, WM_LBUTTONUP, 400, 505);
  GetWindowRect(hwnd, &after);
  EXPECT_EQ(after.left - before.left, 30);
  EXPECT_EQ(after.top - before.top, 20);
  EXPECT_EQ(dialog->GetTreeWidth(), client.right - 176 - 8);
}

TEST_F(FileSelectDlgTest, ABurstOfDeviceChangesRebuildsTheTreeOnceWithTheNewDrive) {
  ClickPhoto(0);
  const std::u16string stick = Path("media/STICK");
  std::vector<std::u16string> rows = dialog->tree().GetRowFolders();
  EXPECT_EQ(std::find(rows.begin(), rows.end(), stick), rows.end());
  const int reads = volumes->reads;
  volumes->volumes.push_back(MountedVolume{u"STICK", stick});
  volumes->Announce(DBT_DEVICEARRIVAL);  // the drive
  volumes->Announce(DBT_DEVICEARRIVAL);  // its volume
  volumes->Announce(0x0007);             // another device event: no reason to rebuild
  volumes->Announce(DBT_DEVICEARRIVAL);  // its mount
  ASSERT_TRUE(RunUntil([&] { return volumes->reads > reads; }, 10s));
  EXPECT_EQ(volumes->reads, reads + 1);
  // No second rebuild is waiting: the timer is gone.
  EXPECT_FALSE(KillTimer(dialog->hwnd(), CFTFileSelectDlg::kDeviceTimer));
  rows = dialog->tree().GetRowFolders();
  EXPECT_NE(std::find(rows.begin(), rows.end(), stick), rows.end());
  // The rebuild cleared the ticks and shows the same folder again.
  EXPECT_EQ(dialog->pane().GetFolder(), Path("Pictures"));
  EXPECT_TRUE(Ticked().empty());
}

TEST_F(FileSelectDlgTest, AFolderThatVanishedRebuildsTheTreeAndIsNotRemembered) {
  ASSERT_EQ(mkdir(dir.file("Pictures/Old").c_str(), 0755), 0);
  dialog->Refresh();
  ASSERT_EQ(rmdir(dir.file("Pictures/Old").c_str()), 0);
  ClickFolder(Path("Pictures/Old"));
  Settle();
  const std::vector<std::u16string> rows = dialog->tree().GetRowFolders();
  EXPECT_EQ(std::find(rows.begin(), rows.end(), Path("Pictures/Old")), rows.end());
  EXPECT_EQ(dialog->tree().GetSelectedFolder(), Path("Pictures"));
  EXPECT_EQ(dialog->pane().GetPhotoCount(), 3u);
  EXPECT_NE(RegistryStore().Read(CFTFileSelectDlg::kRegistryKey, CFTFileSelectDlg::kRegistryValue), Path("Pictures/Old"));
}
