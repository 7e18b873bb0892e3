// CUploaderFrame: the window, the grid's notifications, adding and removing photos, keys, timers.
// The batch itself is in UploaderFrameBatch.cpp.

#include "ui/UploaderFrame.h"

#include <algorithm>

#include "control/ControlMessages.h"
#include "control/services/Log.h"
#include "engine/SlientUploader.h"
#include "engine/UploadMgrMessage.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "ui/FTFileSelectDlg.h"
#include "ui/FrameTexts.h"
#include "ui/PreviewMessages.h"
#include "widgets/CMMessageDlg.h"

using namespace platform;
using namespace std::chrono_literals;

namespace {

constexpr char kPreviewScope[] = "CFTUploader::OnCM_CMPreview";

std::u16string Text(const char16_t* text) { return text ? std::u16string(text) : std::u16string(); }

}  // namespace

CUploaderFrame::CUploaderFrame() = default;

// The dialog's type is complete here.
CUploaderFrame::~CUploaderFrame() {
  *m_pAlive = false;
  DestroyWindow(hwnd());
}

// ---- The frame interface ------------------------------------------------------------------------

bool CUploaderFrame::SetUploadLimit(int32_t count) {
  if (count < 0) return false;
  if (IsWindow(m_grid.hwnd())) m_grid.SetUploadLimit(static_cast<uint32_t>(count));
  if (m_pFileDialog && IsWindow(m_pFileDialog->hwnd())) m_pFileDialog->SetUploadLimit(static_cast<uint32_t>(count));
  return CUploaderBase::SetUploadLimit(count);
}

int32_t CUploaderFrame::MessageBox(const char16_t* text, const char16_t* caption, const char16_t* button1,
                                   const char16_t* button2, const char16_t* button3, int32_t type, int32_t flag,
                                   HWND parent) {
  std::vector<std::u16string> buttons{Text(button1), Text(button2), Text(button3)};
  buttons.resize(static_cast<size_t>(CCMMessageDlg::ButtonCount(type)));
  CCMMessageDlg dialog(Text(text), Text(caption), std::move(buttons), flag);
  return Ask(dialog, parent).value_or(CCMMessageDlg::kClosed);
}

std::optional<int> CUploaderFrame::Ask(CCMMessageDlg& dialog) { return Ask(dialog, hwnd()); }

std::optional<int> CUploaderFrame::Ask(CCMMessageDlg& dialog, HWND owner) {
  const std::shared_ptr<bool> alive = m_pAlive;
  fotaro::Log("CUploaderFrame::Ask", "%s", dialog.text());
  m_pOpenDialog = &dialog;
  const int answer = dialog.DoModal(owner);
  if (!*alive) return std::nullopt;
  m_pOpenDialog = nullptr;
  if (!IsWindow(hwnd())) return std::nullopt;
  return answer;
}

std::optional<int> CUploaderFrame::Notice(const std::u16string& text, const std::u16string& caption, int32_t flag) {
  CCMMessageDlg dialog(text, caption, {std::u16string(frame_text::kOk)}, flag);
  return Ask(dialog);
}

void CUploaderFrame::ShowTipsMsg(const char16_t* text) {
  const std::u16string ok(frame_text::kOk);
  MessageBox(text, frame_text::kTip.data(), ok.c_str(), frame_text::kNo.data(), frame_text::kCancel.data(), 3, 0,
             hwnd());
}

int32_t CUploaderFrame::GetPhotoCount() {
  return IsWindow(m_grid.hwnd()) ? static_cast<int32_t>(m_grid.GetPhotoCount()) : 0;
}

void CUploaderFrame::AddPhoto(int32_t type) {
  fotaro::Log("CFTUploader::AddPhoto", "nType = %d", type);
  if (!IsWindow(hwnd())) return;
  if (!m_pFileDialog) {
    auto dialog = std::make_unique<CFTFileSelectDlg>();
    if (!dialog->Create(hwnd(), CFTFileSelectDlg::kWidth, CFTFileSelectDlg::kHeight)) return;
    dialog->SetUploadLimit(static_cast<uint32_t>(std::max(0, m_nUploadLimit)));
    m_pFileDialog = std::move(dialog);
  }
  m_pFileDialog->Refresh();
  m_pFileDialog->ShowCentred();
  EnableWindow(hwnd(), false);
  // The dialog's thumbnails are the ones the user waits for now.
  m_grid.PauseLoader(true);
}

void CUploaderFrame::OnFileDialogDone() {
  if (m_pFileDialog) ShowWindow(m_pFileDialog->hwnd(), SW_HIDE);
  EnableWindow(hwnd(), true);
  m_grid.PauseLoader(false);
}

void CUploaderFrame::OnUserChanged() {
  if (m_pFileDialog && IsWindow(m_pFileDialog->hwnd())) m_pFileDialog->Refresh();
}

HWND CUploaderFrame::CreateFrameWnd(HWND parent, const RECT& rect) {
  if (!Create(parent, rect, WS_CHILD | WS_VISIBLE)) return nullptr;
  return hwnd();
}

void CUploaderFrame::MoveFrameWnd(const RECT& rect) {
  MoveWindow(hwnd(), rect.left, rect.top, RectWidth(rect), RectHeight(rect));
  RECT client{};
  GetClientRect(hwnd(), &client);
  Layout(client);
}

void CUploaderFrame::ShowFrameWnd() { ShowWindow(hwnd(), SW_SHOW); }

void CUploaderFrame::StartUploadSliently() {
  std::vector<std::u16string> photos = m_grid.GetFiles();
  fotaro::Log("CFTUploader::StartUploadSliently", "Image Number: %d", static_cast<int>(photos.size()));
  m_grid.Clear();
  m_files.clear();
  UploadSilently(std::move(photos));
}

HWND CUploaderFrame::ControlWnd() const { return GetParent(hwnd()); }

void CUploaderFrame::PostToControl(WPARAM code, LPARAM value, std::unique_ptr<MessagePayload> payload) {
  PostMessage(ControlWnd(), CM_FTUPLOADER, code, value, std::move(payload));
}

// ---- The window ---------------------------------------------------------------------------------

void CUploaderFrame::OnCreate() {
  m_hFrameWnd = hwnd();
  m_uploadMgr.SetNotifyWnd(hwnd());
  // What the batch's workers report goes to this frame's control, not to whichever control of the
  // process started last.
  m_uploadMgr.SetReportWnd(ControlWnd());
  if (!IsWindow(m_uploadMgr.hwnd())) m_uploadMgr.Create(hwnd());
  m_pools = std::make_unique<CThreadPoolLease>();
  RECT client{};
  GetClientRect(hwnd(), &client);
  RECT inner = client;
  InflateRect(inner, -1, -1);
  m_grid.Create(hwnd(), inner);
  m_grid.SetReportWnd(ControlWnd());
  m_grid.SetUploadLimit(static_cast<uint32_t>(std::max(0, m_nUploadLimit)));
  m_toolTip.Create(hwnd());
  CreateControls();
  Layout(client);
  SetDisplayMode(kModeIdle);
  SetButtonState(kButtonsNoPhotos);
}

void CUploaderFrame::OnDestroy() {
  KillTimer(hwnd(), kTipTimer);
  KillTimer(hwnd(), kAnimationTimer);
  if (m_pOpenDialog) m_pOpenDialog->Close();
  // The silent uploader and the batch stop before the pools they run on may go.
  m_pSilent.reset();
  m_pFileDialog.reset();
  m_uploadMgr.Shutdown();
  m_bUploading = false;
  m_pools.reset();
  m_hFrameWnd = nullptr;
}

void CUploaderFrame::OnPaint() {
  PaintDC dc(hwnd());
  RECT client{};
  GetClientRect(hwnd(), &client);
  Paint(dc.canvas(), client);
}

void CUploaderFrame::SetDisplayMode(int mode) {
  m_nDisplayMode = mode;
  if (mode == kModeUploading) {
    SetTimer(hwnd(), kAnimationTimer, 150ms);
  } else {
    KillTimer(hwnd(), kAnimationTimer);
  }
  OnDisplayMode();
  InvalidateRect(hwnd());
}

void CUploaderFrame::CloseTip() {
  KillTimer(hwnd(), kTipTimer);
  m_toolTip.Hide();
}

void CUploaderFrame::OnTimer(uintptr_t id) {
  if (id == kAnimationTimer) {
    m_nAnimationStep = (m_nAnimationStep + 1) % kAnimationSteps;
    OnDisplayMode();
  } else if (id == kTipTimer) {
    // The tip stays while the focus is in the frame (or one of its children).
    HWND focus = GetFocus();
    while (focus && focus != hwnd()) focus = GetParent(focus);
    if (!focus) CloseTip();
  }
}

void CUploaderFrame::Refresh() {
  int64_t total = 0;
  int32_t count = 0;
  {
    CPreviewList::Lock lock(m_grid.list().mutex());
    for (const PreviewItemPtr& item : m_grid.list().items()) total += std::max<int64_t>(1, item->nFileSize / 1024);
    count = static_cast<int32_t>(m_grid.list().size());
  }
  UpdateButtons();
  PostToControl(FTUPLOADER_UPLOADSELECT, 0,
                std::make_unique<FTUploaderSelection>(static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX)), count));
}

void CUploaderFrame::UpdateButtons() {
  SetButtonState(m_grid.GetPhotoCount() == 0 ? kButtonsNoPhotos : m_bUploading ? kButtonsUploading : kButtonsReady);
}

// ---- Adding and removing photos -----------------------------------------------------------------

bool CUploaderFrame::AddFiles(const std::vector<std::u16string>& paths) {
  std::vector<std::u16string> added;
  for (const std::u16string& path : paths) {
    if (std::find(m_files.begin(), m_files.end(), path) != m_files.end()) continue;
    if (static_cast<int64_t>(m_files.size()) >= m_nUploadLimit) {
      if (!Notice(frame_text::Format(frame_text::kUploadLimit, m_nUploadLimit), std::u16string(frame_text::kAddPhotos))) {
        return false;
      }
      break;
    }
    m_files.push_back(path);
    added.push_back(path);
  }
  if (!added.empty()) m_grid.AddSelectedFile(added);
  InvalidateRect(hwnd());
  Refresh();
  return true;
}

void CUploaderFrame::AddExistingFiles(const std::vector<std::u16string>& paths) {
  std::vector<std::u16string> existing;
  int missing = 0;
  for (const std::u16string& path : paths) {
    fotaro::Log(kPreviewScope, "CheckFile: ");
    if (platform::IsRegularFile(PathBytes(path))) {
      fotaro::Log(kPreviewScope, "FileExists: %s", path);
      existing.push_back(path);
    } else {
      fotaro::Log(kPreviewScope, "FileNotExists: ");
      ++missing;
    }
  }
  if (!AddFiles(existing)) return;
  if (missing > 0 && IsWindow(hwnd())) {
    Notice(frame_text::Format(frame_text::kFilesGone, missing), std::u16string(frame_text::kAddPhotos));
  }
}

void CUploaderFrame::DeleteSelected() {
  if (m_bUploading) return;  // the photos of a running batch stay
  for (const std::u16string& path : m_grid.GetSelectedFiles()) {
    m_files.erase(std::remove(m_files.begin(), m_files.end(), path), m_files.end());
  }
  m_grid.DeleteSelected(false);
  PostMessage(hwnd(), CM_CMPREVIEW, 0);
}

void CUploaderFrame::RemoveFile(const std::u16string& path) {
  m_files.erase(std::remove(m_files.begin(), m_files.end(), path), m_files.end());
  m_grid.RemoveFile(path);
}

// ---- Messages -----------------------------------------------------------------------------------

void CUploaderFrame::OnCommand(UINT id, UINT notification) {
  if (OnFrameCommand(id, notification)) return;
  switch (id) {
    case kCmdPrepareUpload:
      m_grid.EndGestures();
      PostToControl(FTUPLOADER_PREPARETOUPLOAD, static_cast<LPARAM>(m_grid.GetPhotoCount()));
      break;
    case kCmdAddPhoto: PostToControl(FTUPLOADER_PREPARETOADDPHOTO); break;
    case kCmdSortByName: m_grid.SetSortOrder(CUploadPreview::kSortByName); break;
    case kCmdSortByTime: m_grid.SetSortOrder(CUploadPreview::kSortByTime); break;
    case kCmdDelete: DeleteSelected(); break;
    case kCmdStop: StopUpload(1); break;
    default: break;
  }
}

void CUploaderFrame::OnKeyUp(UINT vk) {
  if (!IsWindow(m_grid.hwnd()) || GetKeyState(VK_CONTROL) >= 0) return;
  if (vk != 'A' && vk != 'V') return;
  if (m_bUploading) {
    // Nothing changes during an upload; the user is told why.
    POINT at{20, 20};
    ClientToScreen(hwnd(), &at);
    m_toolTip.Show(std::u16string(frame_text::kBusy), at);
    SetTimer(hwnd(), kTipTimer, 300ms);
    return;
  }
  if (vk == 'A') {
    fotaro::Log("CFTUploader::OnKeyUp", "CFTUploader SelectAll");
    m_grid.SelectAll();
  } else {
    fotaro::Log("CFTUploader::OnKeyUp", "CFTUploader PastePic");
    m_grid.PastePic();
  }
}

void CUploaderFrame::OnCM_CMPreview(WPARAM code, LPARAM value) {
  if (!IsWindow(ControlWnd())) return;
  fotaro::Log(kPreviewScope, "wParam = %d", static_cast<int>(code));
  switch (code) {
    case 0: Refresh(); break;
    case CMT_FILESELECTDLG_OK:
      OnFileDialogDone();
      if (const auto* files = reinterpret_cast<const std::vector<std::u16string>*>(value)) AddFiles(*files);
      break;
    case 3:
      if (const auto* path = reinterpret_cast<const std::u16string*>(value)) {
        m_files.erase(std::remove(m_files.begin(), m_files.end(), *path), m_files.end());
      }
      break;
    case CMT_UPLOADPREVIEW_ADDPHOTO: PostToControl(FTUPLOADER_PREPARETOADDPHOTO); break;
    case CMT_UPLOADPREVIEW_BACK: PostToControl(FTUPLOADER_COMPLETE, 0); break;
    case CMT_UPLOADPREVIEW_ADDFILES:
      if (const auto* files = reinterpret_cast<const std::vector<std::u16string>*>(value)) AddExistingFiles(*files);
      break;
    case CMT_UPLOADPREVIEW_ENTER:
      if (!m_bUploading) PostToControl(FTUPLOADER_PREPARETOUPLOAD, static_cast<LPARAM>(m_grid.GetPhotoCount()));
      break;
    case CMT_UPLOADPREVIEW_NEXT:
      if (m_bUploading) StartUpload();
      break;
    case CMT_UPLOADPREVIEW_HOWTODRAG: PostToControl(FTUPLOADER_HOWTODRAG); break;
    case CMT_UPLOADPREVIEW_SHOWGIF:
      fotaro::Log(kPreviewScope, "CMT_UPLOADPREVIEW_SHOWGIF");
      fotaro::Log(kPreviewScope, "current file: %s", m_uploadMgr.GetCurrentFile());
      break;
    case CMT_UPLOADPREVIEW_MENU: m_grid.SetSortOrder(static_cast<int>(value)); break;
    default: break;
  }
}

LRESULT CUploaderFrame::WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>& payload) {
  switch (message) {
    case WM_CREATE: OnCreate(); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_SIZE: {
      RECT client{0, 0, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      Layout(client);
      return 0;
    }
    case WM_PAINT: OnPaint(); return 0;
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_KEYUP: OnKeyUp(static_cast<UINT>(wParam)); return 0;
    case CM_CMPREVIEW: OnCM_CMPreview(wParam, lParam); return 0;
    case CM_UPLOADMGR: OnUploadMgr(wParam, payload.get()); return 0;
    case CM_FILESELECTDLG:
      if (wParam == CMT_FILESELECTDLG_DONE) OnFileDialogDone();
      return 0;
  }
  return 0;
}
