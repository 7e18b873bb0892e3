#pragma once
// CUploaderFrame: what the control's two uploader frames share. A frame is the child window that
// the control creates inside itself; it owns one uploader (the settings, the upload queue, the
// upload manager, CUploaderBase), hosts the thumbnail grid, and turns the user's actions and the
// manager's messages into batches, screen updates, questions and the control's events.
//
// The frame classes (CFTUploader, CKestrelUploaderDlg) add their own controls, layout and
// painting, and the few places where their batches differ (the end of a batch, what goes to the
// manager before one).
//
// Messages the frame handles: the grid's notifications (CM_CMPREVIEW) and delete command, the
// commands of its buttons, the manager's CM_UPLOADMGR (whose payloads it frees), keys, timers 1
// (the tip) and 2 (the animation, every 150 ms while uploading). It tells the control with
// CM_FTUPLOADER (control/ControlMessages.h), posted to its parent, the control's window; its
// grid, manager and strategies report to that window too.
//
// Questions are modal message dialogs (widgets/CMMessageDlg.h) owned by the frame window; the
// frame's destruction ends one that is open, and the frame then does nothing more for it.
//
// Photos come from the file selection dialog (AddPhoto; CFTFileSelectDlg, made on first use and
// kept hidden between uses, the frame disabled while it shows), from the grid (paste, drop) and
// from the page.
//
// Threads: everything runs on the control's thread; the engine's results arrive as messages.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "control/UploaderBase.h"
#include "engine/ThreadPoolLease.h"
#include "platform/win/Window.h"
#include "ui/UploadPreview.h"
#include "ui/UploadProgress.h"
#include "widgets/CMToolTip.h"

class CCMMessageDlg;
class CFTFileSelectDlg;
struct UploadInfo;

class CUploaderFrame : public CUploaderBase, public platform::Window {
 public:
  // Timers of the frame window.
  static constexpr uintptr_t kTipTimer = 1;        // closes the tip once the focus has left it
  static constexpr uintptr_t kAnimationTimer = 2;  // 150 ms while uploading: the next animation step
  static constexpr int kAnimationSteps = 8;
  // Display modes.
  static constexpr int kModeIdle = 0;
  static constexpr int kModeUploading = 2;
  // Button states of the refresh.
  static constexpr int kButtonsNoPhotos = 0;
  static constexpr int kButtonsReady = 1;
  static constexpr int kButtonsUploading = 2;
  // Commands of the frame's buttons and of the grid.
  static constexpr platform::UINT kCmdPrepareUpload = 103;
  static constexpr platform::UINT kCmdAddPhoto = 104;
  static constexpr platform::UINT kCmdSortByName = 105;
  static constexpr platform::UINT kCmdSortByTime = 106;
  static constexpr platform::UINT kCmdDelete = 107;
  static constexpr platform::UINT kCmdStop = 109;

  CUploaderFrame();
  ~CUploaderFrame() override;

  // CUploaderBase: the operations that need the frame's window.
  bool SetUploadLimit(int32_t count) override;
  int32_t MessageBox(const char16_t* text, const char16_t* caption, const char16_t* button1, const char16_t* button2,
                     const char16_t* button3, int32_t type, int32_t flag, platform::HWND parent) override;
  std::u16string GetExtraText() override { return {}; }
  void AddPhoto(int32_t type) override;
  void StartUpload() override;
  void StopUpload(int32_t confirm) override;
  void ShowTipsMsg(const char16_t* text) override;
  int32_t GetPhotoCount() override;
  bool LeaveControl() override;
  bool UploadInUploadFrame(bool bOnlySelected) override;
  bool IsFrameCreated() override { return platform::IsWindow(hwnd()); }
  void OnUserChanged() override;
  platform::HWND CreateFrameWnd(platform::HWND parent, const platform::RECT& rect) override;
  void MoveFrameWnd(const platform::RECT& rect) override;
  void ShowFrameWnd() override;
  void StartUploadSliently() override;

  // What the frame shows, for its painting and for tests.
  CUploadPreview& grid() { return m_grid; }
  const std::vector<std::u16string>& files() const { return m_files; }
  int displayMode() const { return m_nDisplayMode; }
  bool IsUploading() const { return m_bUploading; }
  int animationStep() const { return m_nAnimationStep; }
  const CUploadProgress& progress() const { return m_progress; }
  CCMToolTip& toolTip() { return m_toolTip; }
  // The file selection dialog, once AddPhoto has made it; null before.
  CFTFileSelectDlg* fileDialog() { return m_pFileDialog.get(); }

  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

 protected:
  // The frame class's own controls, made after the grid; its painting; what its buttons show in
  // each button state (kButtons...).
  virtual void CreateControls() = 0;
  virtual void Paint(platform::gfx::Canvas& canvas, const platform::RECT& client) = 0;
  virtual void SetButtonState(int state) = 0;
  // The display mode changed (the animation and the progress show in mode kModeUploading).
  virtual void OnDisplayMode() {}
  // What a batch in which every photo was uploaded posts as CM_FTUPLOADER code 4.
  virtual platform::LPARAM AllUploadedEnd() const { return 0; }
  // Called before every batch starts.
  virtual void BeforeBatch() {}
  // A command of the frame class's own controls; false when it is not one.
  virtual bool OnFrameCommand(platform::UINT id, platform::UINT notification) {
    (void)id;
    (void)notification;
    return false;
  }

  // Posts CM_FTUPLOADER `code` to the control's window.
  void PostToControl(platform::WPARAM code, platform::LPARAM value = 0,
                     std::unique_ptr<platform::MessagePayload> payload = nullptr);
  // The control's window: the frame window's parent.
  platform::HWND ControlWnd() const;
  // Asks a question in a modal message dialog owned by the frame. Nothing when the frame (or its
  // window) went away meanwhile: the caller then stops at once, touching nothing of the frame.
  std::optional<int> Ask(CCMMessageDlg& dialog);
  // The same with the dialog owned by `owner` (null: the window that has the focus).
  std::optional<int> Ask(CCMMessageDlg& dialog, platform::HWND owner);
  // A notice with one "确定" button.
  std::optional<int> Notice(const std::u16string& text, const std::u16string& caption, int32_t flag = 0);
  void CloseTip();
  void SetDisplayMode(int mode);
  // The refresh (grid notification 0): the button state and OnSink_UploadSelect.
  void Refresh();
  // The button state for the photos in the grid and the batch.
  void UpdateButtons();

 private:
  void OnCreate();
  void OnDestroy();
  void OnPaint();
  void OnTimer(uintptr_t id);
  void OnCommand(platform::UINT id, platform::UINT notification);
  void OnKeyUp(platform::UINT vk);
  void OnCM_CMPreview(platform::WPARAM code, platform::LPARAM value);
  // The file dialog is finished: it hides and the frame takes input again.
  void OnFileDialogDone();
  void OnUploadMgr(platform::WPARAM code, platform::MessagePayload* payload);
  void OnUploadResult(const UploadInfo& result, const std::u16string& fileKey);
  void OnBatchEnd(platform::WPARAM code);

  // Adds what the user chose, by the adding rule (files already there are skipped; at the limit a
  // message says so), hands the new files to the grid and refreshes. False when the frame went
  // away while the message showed (the caller then touches nothing of the frame).
  bool AddFiles(const std::vector<std::u16string>& paths);
  // Files that are no longer there are named in a message and left out.
  void AddExistingFiles(const std::vector<std::u16string>& paths);
  void DeleteSelected();
  void RemoveFile(const std::u16string& path);
  // The end of a batch: tells the page, and after failures asks whether to send the failed photos
  // again. True when the user had them sent again; nothing when the frame went away while asking
  // (the caller then touches nothing of the frame).
  std::optional<bool> PopupMsgBoxAfterUpload(bool allOk);
  // Display mode 2 with its timer, the grid in upload mode and the progress started again.
  void EnterUploadDisplay();
  void LeaveUploadDisplay();
  // Ends the batch in the frame (display, grid) without asking: StopUpload(0).
  void StopWithoutAsking();
  // The photo of the grid that `fileKey` (the file compressed, maybe a rotated copy) stands for.
  std::u16string GridPathOf(const std::u16string& fileKey) const;
  // The -401 dialog: the reason, the album and the register page as a link. False when the frame
  // went away meanwhile.
  bool ShowUploadError(const UploadInfo& result);

  CUploadPreview m_grid;
  CCMToolTip m_toolTip;
  std::unique_ptr<CFTFileSelectDlg> m_pFileDialog;  // made on the first AddPhoto, kept hidden between uses
  std::vector<std::u16string> m_files;  // the photos, in the grid's order
  CUploadProgress m_progress;
  std::unique_ptr<CThreadPoolLease> m_pools;  // while the window exists
  int m_nDisplayMode = kModeIdle;
  int m_nAnimationStep = 0;
  bool m_bUploading = false;  // a batch of the frame is running
  CCMMessageDlg* m_pOpenDialog = nullptr;
  // Cleared when the frame goes: a question that was open then returns to a frame that is gone.
  std::shared_ptr<bool> m_pAlive = std::make_shared<bool>(true);
};
