#pragma once
// CCMShellTreeCtrl: a folder tree, the left side of the file selection dialog. Its rows are the
// folders of CShellTreeModel: the home, pictures and documents folders, the mounted volumes and the
// file system at the top, their subfolders below, read when a folder is first opened.
//
// It looks and behaves like a classic tree view with buttons (also at the top level), an always
// visible selection across the full row, hot tracking of the row under the pointer, and single
// expansion: selecting a folder opens it and closes the folder selected before (unless it holds
// the new one). A click on a row's button opens or closes it, a click elsewhere on the row selects
// it. Keys: Up
// and Down move the selection, Left closes a folder or goes to its parent, Right opens a folder or
// goes to its first subfolder, Home and End, Page Up and Page Down.
//
// The parent hears of every change of the selection, by the user or by a call, with two messages
// sent to it (so that it can act before and after the change; it may rebuild the tree then, but
// only through DeleteAllItems or Fill):
// - CM_SHELLTREE_SELCHANGING: the selection is about to change;
// - CM_SHELLTREE_SELCHANGED: lParam is a const std::u16string* naming the folder now selected
//   (empty when none is), valid during the call.
//
// Threads: the window's thread only.

#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/win/VolumeMonitor.h"
#include "platform/win/Window.h"
#include "widgets/ShellTreeModel.h"

constexpr platform::UINT CM_SHELLTREE_SELCHANGING = platform::WM_USER + 8;
constexpr platform::UINT CM_SHELLTREE_SELCHANGED = platform::WM_USER + 9;

class CCMShellTreeCtrl : public platform::Window {
 public:
  static constexpr int kRowHeight = 22;
  static constexpr int kIndent = 16;   // per level
  static constexpr int kButtonWidth = 14;
  static constexpr int kIconSize = 16;

  // The tree lists the volumes of `volumes`.
  explicit CCMShellTreeCtrl(std::shared_ptr<platform::VolumeMonitor> volumes);
  ~CCMShellTreeCtrl() override;

  // A visible child of `parent` at `rect`, empty until Fill.
  bool Create(platform::HWND parent, const platform::RECT& rect);

  // Fills the tree from the top of the namespace (CShellTreeModel::Namespace) as it is now,
  // deleting every folder it held first. Nothing is selected afterwards.
  void Fill();
  // Deletes every folder. When one was selected, the parent is told of the change to none.
  void DeleteAllItems();

  // Selects folder `path`, opening the folders above it. False, leaving the selection as it was,
  // when the tree holds no such folder (it is hidden, gone, or under no top folder), or when the
  // parent rebuilt the tree while it was told of the change.
  bool SelectFolder(const std::u16string& path);
  // Opens or closes folder `path`; false when the tree holds no such folder.
  bool Expand(const std::u16string& path, bool expand);
  bool IsExpanded(const std::u16string& path) const;

  // The selected folder; empty when none is.
  std::u16string GetSelectedFolder() const;
  // The folders of the rows as shown, top to bottom (open folders' subfolders included).
  std::vector<std::u16string> GetRowFolders() const;
  // Where row `index` of the rows is drawn, in client coordinates (it may lie outside the view).
  platform::RECT GetRowRect(size_t index) const;

  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

 private:
  void Select(CShellTreeNode* node);
  void Toggle(CShellTreeNode& node);
  // After folders opened or closed: the scroll range, and the selection kept in view.
  void RowsChanged();
  void EnsureVisible(const CShellTreeNode* node);
  void ScrollTo(int pos);
  int RowIndex(const CShellTreeNode* node) const;
  CShellTreeNode* RowAt(int y) const;
  // The button of a row lies from here, in client coordinates.
  static int ButtonLeft(const CShellTreeNode& node) { return 4 + node.depth * kIndent; }

  void OnPaint();
  void OnLButtonDown(platform::POINT point);
  void OnMouseMove(platform::POINT point);
  void OnKeyDown(platform::UINT vk);

  std::shared_ptr<platform::VolumeMonitor> m_volumes;
  CShellTreeModel m_model;
  std::vector<CShellTreeNode*> m_rows;  // the rows shown, kept in step with the model
  CShellTreeNode* m_selected = nullptr;
  CShellTreeNode* m_hot = nullptr;      // the row under the pointer
  uint64_t m_nGeneration = 0;           // counts the times every folder was deleted
  platform::gfx::Font m_font;
  platform::gfx::Bitmap m_folderIcon, m_driveIcon, m_openButton, m_closedButton;
};
