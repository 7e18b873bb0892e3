#include "ui/UploadPreview.h"

#include <algorithm>

#include "control/ControlMessages.h"
#include "control/services/Global.h"
#include "control/services/Log.h"
#include "net/DataReport.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Surface.h"
#include "ui/PreviewFiles.h"
#include "ui/PreviewMessages.h"

using namespace platform;
using namespace std::chrono_literals;

namespace {

constexpr int kReportThumbTime = 12;  // data report: milliseconds of one thumbnail

ThumbCaller GridCaller(int gridId) {
  return {"CUploadPreview::CreateThumbBmp", "###CreateThumbBmp takes time[MS] : [%d] %s", gridId};
}

// Style 0 has the narrower per-cell button and no background picture.
int StyleType() { return CGlobal::Instance().GetStyleType(); }

}  // namespace

CUploadPreview::CUploadPreview()
    : CUploadPreview(NewWindowId(), std::make_shared<std::atomic<platform::HWND>>(nullptr)) {}

CUploadPreview::CUploadPreview(int gridId, ReportWindow report)
    : CPreviewWindow("CUploadPreview", GridCaller(gridId),
                     [report](int ms) { PostDataReport(report->load(), kReportThumbTime, ms); }),
      m_nGridId(gridId),
      m_pReportWnd(std::move(report)) {}

CUploadPreview::~CUploadPreview() { DestroyWindow(hwnd()); }

bool CUploadPreview::Create(HWND frame, const RECT& rect) {
  return Window::Create(frame, rect, WS_CHILD | WS_VISIBLE | WS_VSCROLL);
}

// ---- Adding and removing ----------------------------------------------------------------------

void CUploadPreview::AddSelectedFile(const std::vector<std::u16string>& paths) {
  fotaro::Log("CUploadPreview::AddSelectedFile", "entry");
  if (!paths.empty()) {
    ShowHint(false);
    m_list.ClearNewItems();
  }
  for (const std::u16string& path : paths) {
    if (m_list.size() >= m_nUploadLimit) break;
    // The file is read before the lock is taken: the loader never waits for the disk.
    if (PreviewItemPtr item = MakePreviewItem(path)) m_list.Append(std::move(item));
  }
  m_nTotalSizeKiB = m_list.TotalSizeKiB();
  m_loader.Stop();
  CaculatePicRect(0);
  CreateCanvas();
  SetScroll(0);
  StartLoader();
  InvalidateRect(hwnd());
}

void CUploadPreview::DeleteSelected(bool countAsDeleted) {
  const CPreviewList::Removal removal = m_list.RemoveSelected();
  if (removal.count > 0) {
    fotaro::Log("CUploadPreview::DeleteSelected", "DeleteSelected: TotalSize = %d, nBeginDeletePos = %d",
                static_cast<int>(m_nTotalSizeKiB), static_cast<int>(removal.firstPosition));
  }
  if (countAsDeleted) m_nDeletedCount += removal.count;
  ReLayOut();
  if (m_list.size() == 0 && !countAsDeleted) ShowHint(true);
  NotifySelection();
  m_nLastScrollPos = GetScrollPos();
}

void CUploadPreview::SelectAll() {
  if (m_list.SelectAll()) NotifySelection();
  InvalidateRect(hwnd());
}

void CUploadPreview::PastePic() {
  if (!CanChange()) return;
  gfx::Bitmap picture;
  std::vector<std::u16string> names;
  if (GetClipboardImage(&picture)) {
    const std::u16string saved = CPreviewFiles::SaveScreenshot(picture, m_nGridId);
    if (!saved.empty()) NotifyFiles({saved});
  } else if (GetClipboardFiles(&names)) {
    NotifyFiles(CPreviewFiles::GetFilesFromClipBoard(names));
  }
}

void CUploadPreview::OnDropFiles(const DropFiles& drop) {
  if (CanChange()) NotifyFiles(CPreviewFiles::GetFilesFromClipBoard(drop.files));
}

void CUploadPreview::NotifyFiles(const std::vector<std::u16string>& files) {
  if (files.empty()) return;
  SendMessage(GetParent(hwnd()), CM_CMPREVIEW, CMT_UPLOADPREVIEW_ADDFILES, reinterpret_cast<LPARAM>(&files));
}

void CUploadPreview::NotifySelection() {
  PostMessage(GetParent(hwnd()), CM_CMPREVIEW, CMT_UPLOADPREVIEW_SELCHANGED, m_list.SelectionKind());
}

void CUploadPreview::ShowHint(bool show) {
  ShowWindow(m_hint.hwnd(), show ? SW_SHOW : SW_HIDE);
  if (!show) m_hint.ShowHowToDrag(false);
}

bool CUploadPreview::IsHintShown() const { return IsWindowVisible(m_hint.hwnd()); }

void CUploadPreview::SetShowFlashBtn(bool show) {
  if (StyleType() != 0) return;
  fotaro::Log("CUploadPreview::SetShowFlashBtn", "m_bAlreadyUploaded = %d, bShow = %d, m_bCanShowFlashBtn = %d",
              m_bAlreadyUploaded ? 1 : 0, show ? 1 : 0, m_bCanShowFlashBtn ? 1 : 0);
  const bool hide = m_list.size() > 0 || m_bAlreadyUploaded || !show || !m_bCanShowFlashBtn;
  m_hint.ShowHowToDrag(!hide);
}

// ---- Upload marks -----------------------------------------------------------------------------

PreviewItemPtr CUploadPreview::FindItem(const std::u16string& path) const {
  for (const PreviewItemPtr& item : m_list.items()) {
    if (item->strPath == path) return item;
  }
  return nullptr;
}

PreviewItemPtr CUploadPreview::FindItem(uint64_t id) const {
  for (const PreviewItemPtr& item : m_list.items()) {
    if (item->nId == id) return item;
  }
  return nullptr;
}

void CUploadPreview::SetUploadPercent(const std::u16string& path, int percent) {
  if (PreviewItemPtr item = FindItem(path)) {
    item->nPercent = std::clamp(percent, 0, 100);
    item->strError.clear();
    InvalidateRect(hwnd());
  }
}

void CUploadPreview::AdvanceUploadPercent(const std::u16string& path, int percent) {
  const PreviewItemPtr item = FindItem(path);
  if (item && item->strError.empty() && percent > item->nPercent) SetUploadPercent(path, percent);
}

void CUploadPreview::SetUploadError(const std::u16string& path, const std::u16string& text) {
  if (PreviewItemPtr item = FindItem(path)) {
    item->nPercent = -1;
    item->strError = text;
    InvalidateRect(hwnd());
  }
}

std::vector<std::u16string> CUploadPreview::GetSelectedFiles() const {
  std::vector<std::u16string> files;
  for (const PreviewItemPtr& item : m_list.items()) {
    if (m_list.IsSelected(*item)) files.push_back(item->strPath);
  }
  return files;
}

void CUploadPreview::ClearUploadMarks() {
  for (const PreviewItemPtr& item : m_list.items()) {
    item->nPercent = -1;
    item->strError.clear();
  }
  InvalidateRect(hwnd());
}

std::vector<std::u16string> CUploadPreview::GetFiles() const {
  std::vector<std::u16string> files;
  for (const PreviewItemPtr& item : m_list.items()) files.push_back(item->strPath);
  return files;
}

// ---- Layout and scrolling ---------------------------------------------------------------------

bool CUploadPreview::NarrowButtons() const { return StyleType() == 0; }

// Not before the child windows exist.
bool CUploadPreview::CanvasReady() const { return IsWindow(m_hint.hwnd()); }

// The caption box does not scroll with its photo: editing ends.
void CUploadPreview::OnScrolling() {
  if (m_edit.editing()) SetFocus(hwnd());
}

// ---- Window messages --------------------------------------------------------------------------

void CUploadPreview::OnCreate() {
  m_hint.Create(hwnd());
  m_edit.Create(hwnd(), RECT{}, kCaptionEditId, kCaptionLimit);
  m_toolTip.Create(hwnd());
  m_menu.Create(hwnd(), kMenuId);
  m_menu.SetItems(SortOrderNames());
  DragAcceptFiles(hwnd(), true);
  SetTimer(hwnd(), kHoverTimer, 200ms);
  StartLoader();
}

void CUploadPreview::OnDestroy() {
  for (uintptr_t timer : {kHoverTimer, kBandTimer, kDragTimer, kDragStartTimer, kHoverRestartTimer}) {
    KillTimer(hwnd(), timer);
  }
  DragAcceptFiles(hwnd(), false);
  m_loader.Stop();
}

void CUploadPreview::OnSize() {
  RECT client{};
  GetClientRect(hwnd(), &client);
  fotaro::Log("CUploadPreview::OnSize", "CaculatePicRect: OnSize - rcClient.Width() = %d, Height = %d",
              static_cast<int>(client.right), static_cast<int>(client.bottom));
  CaculatePicRect(0);
  CreateCanvas();
  SetScroll(GetScrollPos());
  m_hint.Centre(client.right, client.bottom);
  fotaro::Log("CUploadPreview::OnSize", "CaculatePicRect: OnSize Exit");
}

void CUploadPreview::OnPaint() {
  CPreviewPainter::View view;
  view.stretchBackground = StyleType() != 1;
  view.rotateButtons = CanChange();
  view.hot = m_hot;
  view.dropMarker = m_rcDropMarker;
  if (m_bRubberBand) {
    RECT band{std::min(m_ptDown.x, m_ptBandEnd.x), std::min(m_ptDown.y, m_ptBandEnd.y),
              std::max(m_ptDown.x, m_ptBandEnd.x) + 1, std::max(m_ptDown.y, m_ptBandEnd.y) + 1};
    OffsetRect(band, 0, -GetScrollPos());
    view.rubberBand = band;
  }
  PaintView(view);
}

void CUploadPreview::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  const HWND frame = GetParent(hwnd());
  switch (id) {
    case CPreviewHint::kAddPicture:
    case CPreviewHint::kAddButton: PostMessage(frame, CM_CMPREVIEW, CMT_UPLOADPREVIEW_ADDPHOTO); break;
    case CPreviewHint::kBack: PostMessage(frame, CM_CMPREVIEW, CMT_UPLOADPREVIEW_BACK); break;
    case CPreviewHint::kHowToDrag: PostMessage(frame, CM_CMPREVIEW, CMT_UPLOADPREVIEW_HOWTODRAG); break;
    case kCaptionEditId: EndCaptionEdit(HIWORD(wParam) == EN_COMMIT); break;
    case kMenuId: PostMessage(frame, CM_CMPREVIEW, CMT_UPLOADPREVIEW_MENU, lParam + 1); break;
  }
}

void CUploadPreview::OnKeyDown(UINT vk) {
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const HWND frame = GetParent(hwnd());
  const WPARAM deleteCommand = MAKEWPARAM(IDC_UPLOADPREVIEW_DELETE, 0);
  switch (vk) {
    case VK_DELETE:
      if (m_bUploadMode) break;
      if (shift) {
        SelectAll();
        if (CanChange()) SendMessage(frame, WM_COMMAND, deleteCommand, reinterpret_cast<LPARAM>(hwnd()));
      } else if (CanChange()) {
        PostMessage(frame, WM_COMMAND, deleteCommand, reinterpret_cast<LPARAM>(hwnd()));
      }
      break;
    case 'V':
      if (ctrl) {
        fotaro::Log("CUploadPreview::OnKeyDown", "CUploadPreview PastePic");
        PastePic();
      }
      break;
    case 'A':
      if (ctrl && !m_bUploadMode) SelectAll();
      break;
    case VK_RETURN: m_bEnterPressed = true; break;
    case VK_ESCAPE: CancelGestures(); break;
  }
}

void CUploadPreview::OnKeyUp(UINT vk) {
  if (vk != VK_RETURN) return;
  if (m_bEnterPressed && m_list.size() > 0) PostMessage(GetParent(hwnd()), CM_CMPREVIEW, CMT_UPLOADPREVIEW_ENTER);
  m_bEnterPressed = false;
}

void CUploadPreview::OnMouseLeave() {
  m_toolTip.Hide();
  m_hovered.reset();
  SetHot(std::nullopt);
  POINT pointer;
  GetCursorPos(&pointer);
  ScreenToClient(hwnd(), &pointer);
  RECT client{};
  GetClientRect(hwnd(), &client);
  if (PtInRect(client, pointer)) return;  // over a child window
  HWND control = ReportWnd();
  if (!control) control = CGlobal::Instance().GetControlWnd();
  PostMessage(control, CM_NOTIFYVIEW, NOTIFYVIEW_GIVEUPFOCUS, 0, std::make_unique<NotifyViewValue>(100));
}

void CUploadPreview::OnTimer(uintptr_t id) {
  switch (id) {
    case kHoverTimer:
      if (m_bLoaderPending) StartLoader();
      UpdateToolTip();
      break;
    case kBandTimer: UpdateRubberBand(); break;
    case kDragTimer: {
      POINT pointer;
      GetCursorPos(&pointer);
      ScreenToClient(hwnd(), &pointer);
      CaculateDragShadow(pointer);
      break;
    }
    case kDragStartTimer:
      KillTimer(hwnd(), kDragStartTimer);
      m_captionArmed.reset();
      if (m_bDragCandidate && CanChange()) {
        m_bDragging = true;
        KillTimer(hwnd(), kHoverTimer);
        m_toolTip.Hide();
        SetCursor(Cursor::kSizeAll);
        SetTimer(hwnd(), kDragTimer, 200ms);
      }
      break;
    case kHoverRestartTimer:
      KillTimer(hwnd(), kHoverRestartTimer);
      SetTimer(hwnd(), kHoverTimer, 200ms);
      break;
  }
}

LRESULT CUploadPreview::WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>& payload) {
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_CREATE: OnCreate(); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_SIZE: OnSize(); return 0;
    case WM_PAINT: OnPaint(); return 0;
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_VSCROLL: OnVScroll(LOWORD(wParam), static_cast<int16_t>(HIWORD(wParam))); return 0;
    case WM_MOUSEWHEEL: OnMouseWheel(static_cast<int16_t>(HIWORD(wParam))); return 0;
    case WM_COMMAND: OnCommand(wParam, lParam); return 0;
    case WM_RBUTTONUP: {
      POINT screen = point;
      ClientToScreen(hwnd(), &screen);
      m_menu.Show(screen, 140, m_nSortOrder - 1);
      return 0;
    }
    case WM_KEYDOWN: OnKeyDown(static_cast<UINT>(wParam)); return 0;
    case WM_KEYUP: OnKeyUp(static_cast<UINT>(wParam)); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: OnLButtonDown(point, wParam); return 0;
    case WM_MOUSEMOVE: OnMouseMove(point, wParam); return 0;
    case WM_LBUTTONUP: OnLButtonUp(); return 0;
    case WM_CAPTURECHANGED: CancelGestures(); return 0;
    case WM_MOUSELEAVE: OnMouseLeave(); return 0;
    case WM_SETCURSOR:
      if (!m_bDragging) return 0;
      SetCursor(Cursor::kSizeAll);
      return 1;
    case WM_DROPFILES:
      if (payload) OnDropFiles(static_cast<const DropFiles&>(*payload));
      return 0;
  }
  return 0;
}
