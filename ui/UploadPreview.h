#pragma once
// CUploadPreview: the thumbnail grid of the uploader frame. A scrolling child window that shows
// every photo chosen for upload as a cell with its thumbnail and caption, in upload order; the
// user selects photos with the mouse and keys, reorders them by dragging, deletes them, edits
// their captions and pastes or drops more. A loader thread makes the thumbnails meanwhile.
//
// The frame (the parent) hears of it through CM_CMPREVIEW notifications and WM_COMMAND
// IDC_UPLOADPREVIEW_DELETE (PreviewMessages.h); the control's window gets the data reports
// (caption set, photos moved by a drag, time of one thumbnail) and CM_NOTIFYVIEW.
//
// Threads: everything here runs on the window's thread, except the loader (PreviewLoader.h).

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win/Message.h"
#include "ui/PreviewHint.h"
#include "ui/PreviewWindow.h"
#include "widgets/CMEdit.h"
#include "widgets/CMPopupList.h"
#include "widgets/CMToolTip.h"

class CUploadPreview : public CPreviewWindow {
 public:
  // Timers of the window.
  static constexpr uintptr_t kHoverTimer = 1;         // 200 ms: the tool tip of the photo under the pointer
  static constexpr uintptr_t kBandTimer = 2;          // 100 ms while a rubber band is drawn: scrolls
  static constexpr uintptr_t kDragTimer = 3;          // 200 ms while dragging: the drop marker, scrolling
  static constexpr uintptr_t kDragStartTimer = 4;     // 350 ms once: a held press on a photo becomes a drag
  static constexpr uintptr_t kHoverRestartTimer = 5;  // once: hover tracking again after a drag or band
  static constexpr size_t kCaptionLimit = 30;         // characters of a caption
  static constexpr platform::UINT kCaptionEditId = 300;
  static constexpr platform::UINT kMenuId = 301;

  CUploadPreview();
  ~CUploadPreview() override;

  // The grid as a visible child of `frame` at `rect`.
  bool Create(platform::HWND frame, const platform::RECT& rect);

  // Appends the photos, as far as the photo limit allows, and restarts the loader.
  void AddSelectedFile(const std::vector<std::u16string>& paths);
  // Removes the selected photos. With `countAsDeleted` each one counts as deleted and an emptied
  // grid does not show its hint.
  void DeleteSelected(bool countAsDeleted);
  void SelectAll();
  // Adds what the clipboard holds: a picture (saved as a screenshot) or picture files.
  void PastePic();

  // What the frame allows: adding, deleting, dragging and pasting photos.
  void SetAllowAdd(bool allow) { m_bAllowAdd = allow; }
  // Upload mode, while the frame uploads the photos: they stay as they are (nothing is added,
  // deleted, moved, turned, captioned or selected all) and show their upload overlays.
  void SetUploadMode(bool uploading);
  bool IsUploadMode() const { return m_bUploadMode; }
  // The control's window, which the grid's data reports and CM_NOTIFYVIEW go to; until set, the
  // process's control window.
  void SetReportWnd(platform::HWND control) { m_pReportWnd->store(control); }
  // The most photos the grid takes; no limit until set.
  void SetUploadLimit(uint32_t limit) { m_nUploadLimit = limit; }
  // The empty grid's "how to drag" button (for style 0 only): shown only while the grid is empty,
  // nothing was uploaded yet, the frame allows it and `show` asks for it.
  void SetShowFlashBtn(bool show);
  void SetAlreadyUploaded(bool uploaded) { m_bAlreadyUploaded = uploaded; }
  void SetCanShowFlashBtn(bool can) { m_bCanShowFlashBtn = can; }

  // The upload overlay of the photo `path`: its progress (100 shows it as uploaded) or its error.
  void SetUploadPercent(const std::u16string& path, int percent);
  // The progress of an attempt, which only goes forward (its reports may overtake one another).
  void AdvanceUploadPercent(const std::u16string& path, int percent);
  void SetUploadError(const std::u16string& path, const std::u16string& text);
  void ClearUploadMarks();
  // The photo being handed to compression (it shows 0 %), and the one whose upload starts (scrolled
  // into view).
  void SetPreparingFile(const std::u16string& path);
  void SetCurrentFile(const std::u16string& path);

  // Takes out one photo, or all of them.
  void RemoveFile(const std::u16string& path);
  void Clear();
  // Ends what the mouse is doing (a drag, a rubber band, a caption being edited).
  void EndGestures();
  void ScrollToTop() { ScrollTo(0); }

  // Sort orders: by the time the photo was taken (its EXIF date, else the file's creation time),
  // by file name, or as the photos were added.
  static constexpr int kSortByTime = 1;
  static constexpr int kSortByName = 2;
  static constexpr int kSortAsAdded = 3;
  void SetSortOrder(int order);
  int GetSortOrder() const { return m_nSortOrder; }

  // Turns the photo a quarter turn clockwise, as its turn button does: the grid shows and the
  // frame uploads a turned copy of it (in the working folder); four turns give the photo back.
  // False when the photo cannot be turned (a GIF, during an upload, a file that cannot be read).
  bool RotatePhoto(const std::u16string& path);
  // Pauses the loader (while another window's loader should have the processor), or lets it go on.
  void PauseLoader(bool paused) { m_loader.SetPaused(paused); }
  bool IsLoaderPaused() const { return m_loader.IsPaused(); }
  // The photos the user turned (their rotation is not 0).
  int CountRotated() const;
  // The names of the sort orders, for the grid's menu and the frames' lists (order n at n - 1).
  static const std::vector<std::u16string>& SortOrderNames();
  // The grid's menu (its right button): the sort orders; a choice goes to the frame as
  // notification 13 with the order.
  CCMPopupList& menu() { return m_menu; }

  // The empty grid's invitation to add photos shows.
  bool IsHintShown() const;
  // The photos' files in upload order, and those of the selected photos.
  std::vector<std::u16string> GetFiles() const;
  std::vector<std::u16string> GetSelectedFiles() const;
  int64_t GetTotalSizeKiB() const { return m_nTotalSizeKiB; }
  size_t GetDeletedCount() const { return m_nDeletedCount; }

  // The drop marker for the pointer at `client` while photos are dragged.
  void CaculateDragShadow(platform::POINT client);
  int GetDropIndex() const { return m_nDropIndex; }
  const std::optional<platform::RECT>& GetDropMarker() const { return m_rcDropMarker; }

  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

 private:
  using ReportWindow = std::shared_ptr<std::atomic<platform::HWND>>;
  // The loader's reports read the control's window through `report`, which outlives the grid.
  CUploadPreview(int gridId, ReportWindow report);
  void OnCreate();
  void OnDestroy();
  void OnSize();
  void OnPaint();
  void OnTimer(uintptr_t id);
  void OnCommand(platform::WPARAM wParam, platform::LPARAM lParam);
  void OnKeyDown(platform::UINT vk);
  void OnKeyUp(platform::UINT vk);
  void OnLButtonDown(platform::POINT client, platform::WPARAM keys);
  void OnMouseMove(platform::POINT client, platform::WPARAM keys);
  void OnLButtonUp();
  void OnMouseLeave();
  // The photo under the pointer (none: nullopt), whose turn button shows.
  void SetHot(std::optional<uint64_t> item);
  void OnDropFiles(const platform::DropFiles& drop);

  bool NarrowButtons() const override;
  bool CanvasReady() const override;
  void OnScrolling() override;
  // Adding, deleting, moving and turning photos are allowed now.
  bool CanChange() const { return m_bAllowAdd && !m_bUploadMode; }
  platform::HWND ReportWnd() const { return m_pReportWnd->load(); }
  void ReLayOut();
  void Drop();
  void CancelGestures();
  void UpdateRubberBand();
  void BeginCaptionEdit(uint64_t itemId);
  void EndCaptionEdit(bool commit);
  void UpdateToolTip();
  void NotifySelection();
  void NotifyFiles(const std::vector<std::u16string>& files);
  void ShowHint(bool show);
  PreviewItemPtr FindItem(const std::u16string& path) const;
  PreviewItemPtr FindItem(uint64_t id) const;

  const int m_nGridId;  // names this grid in its temporary files
  CPreviewHint m_hint;
  CCMEdit m_edit;
  CCMToolTip m_toolTip;
  CCMPopupList m_menu;

  int64_t m_nTotalSizeKiB = 0;
  size_t m_nDeletedCount = 0;
  uint32_t m_nUploadLimit = UINT32_MAX;
  bool m_bAllowAdd = true;
  bool m_bUploadMode = false;
  int m_nSortOrder = kSortAsAdded;
  const ReportWindow m_pReportWnd;
  bool m_bAlreadyUploaded = false;
  bool m_bCanShowFlashBtn = false;
  bool m_bEnterPressed = false;

  // The gestures of the left button.
  platform::POINT m_ptDown;            // canvas coordinates
  bool m_bDragCandidate = false;       // pressed on a photo: a drag may begin
  bool m_bDragPending = false;         // the press moved: the drag begins when kDragStartTimer fires
  bool m_bDragging = false;
  bool m_bRubberBand = false;
  platform::POINT m_ptBandEnd;         // the band's far corner, canvas coordinates
  std::optional<uint64_t> m_captionArmed;  // the photo whose caption a release will edit
  std::optional<uint64_t> m_captionEditing;
  int m_nDropIndex = -1;
  std::optional<platform::RECT> m_rcDropMarker;  // client coordinates
  std::optional<uint64_t> m_hovered;   // the photo under the pointer at the last hover tick
  std::optional<uint64_t> m_hot;       // the photo under the pointer now: its turn button shows
};
