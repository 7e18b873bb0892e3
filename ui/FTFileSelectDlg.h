#pragma once
// CFTFileSelectDlg: the photo picker that an uploader frame opens to add photos from the disk. A
// borderless top-level window of its own design, owned by the frame: a folder tree on the left
// (CCMShellTreeCtrl), the thumbnails of the chosen folder's pictures on the right (CCMPreview),
// with an 8-pixel splitter between them, a select-all box, a status line ("已选3/12，共7.25M"),
// OK, Cancel and a close button. Any free spot of the dialog drags it. It opens on the folder used
// last (kept in the registry store), else the pictures folder.
//
// How a frame uses it: it creates the dialog once, hidden, and passes its upload limit; for each
// request it calls Refresh, ShowCentred and disables itself. The dialog tells the frame (the
// owner) with these messages:
// - CM_CMPREVIEW (WM_USER + 11) code CMT_FILESELECTDLG_OK, sent, lParam a const
//   std::vector<std::u16string>* valid during the call: OK pressed with these photos ticked. It
//   follows CM_FILESELECTDLG / CMT_FILESELECTDLG_DONE (sent too).
// - CM_CMPREVIEW code CMT_UPLOADPREVIEW_ADDFILES (7), sent, lParam as above: the photos ticked in
//   a folder the user is leaving (sent before the tree moves on, so the ticks are not lost), or the
//   one photo the user double-clicked.
// - CM_CMPREVIEW code CMT_FILESELECTDLG_CANCEL with lParam 0, posted: Cancel or close pressed; then
//   CM_FILESELECTDLG / CMT_FILESELECTDLG_DONE, posted.
// - CM_FILESELECTDLG (WM_USER + 15) code CMT_FILESELECTDLG_DONE: the dialog is finished; the frame
//   hides it (it has hidden itself already) and enables itself again.
// OK with nothing ticked does nothing: the dialog stays open and the frame hears nothing.
//
// Commands (WM_COMMAND ids): 300 the select-all box, 303 OK, 304 Cancel and close, 306 refresh.
// Device changes (a USB stick arriving or going) rebuild the tree 3 seconds after the last one.
//
// Threads: the thread that creates the dialog (the frame's) only; the pane has its own loader.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/gfx/Canvas.h"
#include "platform/win/VolumeMonitor.h"
#include "platform/win/Window.h"
#include "ui/CMPreview.h"
#include "ui/PreviewMessages.h"
#include "widgets/CMButton.h"
#include "widgets/CMShellTreeCtrl.h"

constexpr platform::WPARAM CMT_FILESELECTDLG_CANCEL = 0;  // CM_CMPREVIEW: Cancel or close
constexpr platform::WPARAM CMT_FILESELECTDLG_OK = 2;      // CM_CMPREVIEW: OK with the ticked photos
constexpr platform::UINT CM_FILESELECTDLG = platform::WM_USER + 15;
constexpr platform::WPARAM CMT_FILESELECTDLG_DONE = 5;

class CFTFileSelectDlg : public platform::Window {
 public:
  // The size the frames create it at.
  static constexpr int kWidth = 820;
  static constexpr int kHeight = 520;
  // Commands.
  static constexpr platform::UINT kSelectAll = 300;
  static constexpr platform::UINT kOK = 303;
  static constexpr platform::UINT kCancel = 304;
  static constexpr platform::UINT kRefresh = 306;
  // The folder tree's width at creation, the splitter's, and the least width the pane keeps.
  static constexpr int kTreeWidth = 191;
  static constexpr int kSplitterWidth = 8;
  static constexpr int kPaneMinWidth = 176;
  static constexpr int kTitleHeight = 32;   // above the tree and the pane
  static constexpr int kBottomHeight = 35;  // below them: the box, the status line, the buttons
  // Timer 1: the tree is rebuilt once this long after the last device change.
  static constexpr uintptr_t kDeviceTimer = 1;
  static constexpr std::chrono::milliseconds kDeviceDelay{3000};
  // Where the last folder is kept in the registry store.
  static constexpr char16_t kRegistryKey[] = u"Software\\Brennik\\OrniFotaroEx\\FileSelectDlg";
  static constexpr char16_t kRegistryValue[] = u"LastFolder";

  // The tree lists the volumes of `volumes` and hears of their changes.
  explicit CFTFileSelectDlg(std::shared_ptr<platform::VolumeMonitor> volumes = platform::SystemVolumeMonitor());
  ~CFTFileSelectDlg() override;

  // Creates the dialog, hidden, as a top-level window of `width` x `height` owned by `owner` (it
  // goes when the owner goes), with the tree filled and the last folder shown.
  bool Create(platform::HWND owner, int width = kWidth, int height = kHeight);
  // The most photos that can be ticked at once.
  void SetUploadLimit(uint32_t limit);
  // Command 306: unticks everything and rebuilds the tree, showing the last folder again.
  void Refresh();
  // Centres the dialog over its owner, shows it and gives the pane the focus.
  void ShowCentred();

  CCMShellTreeCtrl& tree() { return m_tree; }
  CCMPreview& pane() { return m_pane; }
  int GetTreeWidth() const { return m_nTreeWidth; }
  bool IsSelectAllTicked() const { return m_bAllTicked; }
  // The status line as it is painted.
  std::u16string GetStatusText() const;

  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

 private:
  void OnCreate();
  void OnDestroy();
  void OnPaint();
  void OnCommand(platform::UINT id);
  void OnOK();
  void OnCancel();
  void OnSelChanging();
  void OnSelChanged(const std::u16string& folder);
  void OnPaneNotify(platform::WPARAM code, platform::LPARAM lParam);
  void OnDeviceChange(platform::WPARAM event);
  void OnTimer(uintptr_t id);
  void OnLButtonDown(platform::POINT point);
  void OnMouseMove(platform::POINT point);
  bool OnSetCursor();

  // Places the tree and the pane for the current tree width.
  void LayOut();
  void RebuildTree();
  void SetAllTicked(bool ticked);
  // Sends the ticked photos (or `files`) to the owner as CM_CMPREVIEW with `code`.
  void SendFiles(platform::WPARAM code, const std::vector<std::u16string>& files);
  bool InSplitter(platform::POINT point) const;

  const std::shared_ptr<platform::VolumeMonitor> m_volumes;
  platform::HWND m_hOwner = nullptr;
  CCMShellTreeCtrl m_tree;
  CCMPreview m_pane;
  CCMButton m_selectAll, m_ok, m_cancel, m_close;
  platform::gfx::Font m_titleFont;
  platform::gfx::Font m_textFont;
  platform::gfx::Bitmap m_background;
  platform::gfx::Bitmap m_boxTicked, m_boxUnticked;
  int m_nTreeWidth = kTreeWidth;
  bool m_bAllTicked = false;    // the select-all box
  bool m_bDragging = false;     // the splitter is being dragged
  int m_nGrabOffset = 0;        // where in the splitter it was grabbed
  bool m_bRebuilding = false;   // the tree's notifications are ignored meanwhile
};
