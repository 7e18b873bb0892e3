#include "ui/FTFileSelectDlg.h"

#include <cmath>
#include <cstdio>

#include "control/services/Global.h"
#include "control/services/Log.h"
#include "platform/CodePage.h"
#include "platform/Paths.h"
#include "platform/RegistryStore.h"
#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "widgets/Skin.h"

using namespace platform;
using gfx::RectF;

namespace {

constexpr int kButtonWidth = 72;  // the standard width of OK and Cancel
constexpr int kBoxSize = 13;
constexpr int kCloseSize = 15;
constexpr gfx::Color kFaintText = 0xFF6C6F6E;
constexpr gfx::Color kTreeEdge = 0xFFE6E6E6;
constexpr std::chrono::milliseconds kHandOverStop{400};  // the pane's loader stops this fast at the most

// A COLORREF (0x00BBGGRR) as an opaque colour of the canvas.
gfx::Color FromColorRef(uint32_t colour) {
  return 0xFF000000u | (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

RectF ToRectF(const RECT& r) {
  return {static_cast<float>(r.left), static_cast<float>(r.top), static_cast<float>(RectWidth(r)),
          static_cast<float>(RectHeight(r))};
}

void SetFaces(CCMButton& button, const skin::ButtonFaces& faces) {
  button.SetImage(CCMButton::kNormal, faces.normal);
  button.SetImage(CCMButton::kHover, faces.hover);
  button.SetImage(CCMButton::kPressed, faces.pressed);
  button.SetImage(CCMButton::kDisabled, faces.disabled);
}

std::vector<std::u16string> TickedPaths(const CCMPreview& pane) {
  std::vector<std::u16string> paths;
  for (const CCMPreview::PickedFile& file : pane.GetTickedFiles()) paths.push_back(file.path);
  return paths;
}

}  // namespace

CFTFileSelectDlg::CFTFileSelectDlg(std::shared_ptr<VolumeMonitor> volumes)
    : m_volumes(std::move(volumes)),
      m_tree(m_volumes),
      m_titleFont(skin::UiFont(14)),
      m_textFont(skin::UiFont(12)),
      m_boxTicked(skin::CheckBox(kBoxSize, true)),
      m_boxUnticked(skin::CheckBox(kBoxSize, false)) {}

CFTFileSelectDlg::~CFTFileSelectDlg() { DestroyWindow(hwnd()); }

bool CFTFileSelectDlg::Create(HWND owner, int width, int height) {
  m_hOwner = owner;
  return Window::Create(owner, RECT{0, 0, width, height}, WS_BORDERLESS, u"添加照片");
}

void CFTFileSelectDlg::SetUploadLimit(uint32_t limit) { m_pane.SetUploadLimit(limit); }

void CFTFileSelectDlg::Refresh() {
  SetAllTicked(false);
  m_pane.TickAll(false);
  RebuildTree();
}

void CFTFileSelectDlg::ShowCentred() {
  RECT owner{}, self{};
  GetWindowRect(hwnd(), &self);
  if (GetWindowRect(m_hOwner, &owner)) {
    MoveWindow(hwnd(), owner.left + (RectWidth(owner) - RectWidth(self)) / 2,
               owner.top + (RectHeight(owner) - RectHeight(self)) / 2, RectWidth(self), RectHeight(self));
  }
  ShowWindow(hwnd(), SW_SHOW);
  SetFocus(m_pane.hwnd());
}

std::u16string CFTFileSelectDlg::GetStatusText() const {
  int64_t bytes = 0;
  const std::vector<CCMPreview::PickedFile> ticked = m_pane.GetTickedFiles();
  for (const CCMPreview::PickedFile& file : ticked) bytes += file.size;
  // Megabytes with two decimals, rounded, whatever the locale's decimal point.
  const long long hundredths = std::llround(static_cast<double>(bytes) * 100 / (1024.0 * 1024.0));
  char text[96];
  std::snprintf(text, sizeof text, "已选%d/%d，共%lld.%02lldM", static_cast<int>(ticked.size()),
                static_cast<int>(m_pane.GetPhotoCount()), hundredths / 100, hundredths % 100);
  return FromUtf8(text);
}

// ---- Creation and layout ----------------------------------------------------------------------

void CFTFileSelectDlg::OnCreate() {
  RECT rc{};
  GetClientRect(hwnd(), &rc);
  const int h = rc.bottom;
  m_background = skin::DialogBackground(rc.right, h, kTitleHeight, kBottomHeight);
  m_tree.Create(hwnd(), RECT{});
  m_pane.Create(hwnd(), RECT{});
  LayOut();

  m_selectAll.Create(hwnd(), RECT{208, h - 24, 208 + kBoxSize, h - 24 + kBoxSize}, kSelectAll);
  m_selectAll.SetBackColor(0xFFFFFFFF);
  SetAllTicked(false);

  const RECT ok{rc.right - 2 * kButtonWidth - 26, h - 30, rc.right - kButtonWidth - 22, h - 6};
  m_ok.Create(hwnd(), ok, kOK, u"确定");
  SetFaces(m_ok, skin::PushButtonFaces(RectWidth(ok), RectHeight(ok), skin::kAccent));
  m_ok.SetTextColor(0xFFFFFFFF);
  m_ok.SetBackColor(skin::kPanel);
  const RECT cancel{rc.right - kButtonWidth - 16, h - 30, rc.right - 16, h - 6};
  m_cancel.Create(hwnd(), cancel, kCancel, u"取消");
  SetFaces(m_cancel, skin::PushButtonFaces(RectWidth(cancel), RectHeight(cancel), 0xFFFFFFFF));
  m_cancel.SetTextColor(0xFF333333);
  m_cancel.SetBackColor(skin::kPanel);

  m_close.Create(hwnd(), RECT{rc.right - 27, 9, rc.right - 27 + kCloseSize, 9 + kCloseSize}, kCancel);
  m_close.SetImage(CCMButton::kNormal, skin::CloseGlyph(kCloseSize, 0xFF999999));
  m_close.SetImage(CCMButton::kHover, skin::CloseGlyph(kCloseSize, 0xFF333333));
  m_close.SetBackColor(skin::kPanel);

  m_volumes->Register(hwnd());
  RebuildTree();
}

void CFTFileSelectDlg::OnDestroy() {
  m_volumes->Unregister(hwnd());
  KillTimer(hwnd(), kDeviceTimer);
  if (GetCapture() == hwnd()) ReleaseCapture();
}

void CFTFileSelectDlg::LayOut() {
  RECT rc{};
  GetClientRect(hwnd(), &rc);
  RECT tree{rc.left, rc.top + kTitleHeight, rc.left + m_nTreeWidth, rc.bottom - kBottomHeight};
  RECT pane{m_nTreeWidth + kSplitterWidth, rc.top + kTitleHeight, rc.right - 1, rc.bottom - kBottomHeight};
  InflateRect(tree, -1, -1);
  InflateRect(pane, -1, -1);
  MoveWindow(m_tree.hwnd(), tree.left, tree.top, RectWidth(tree), RectHeight(tree));
  MoveWindow(m_pane.hwnd(), pane.left, pane.top, RectWidth(pane), RectHeight(pane));
  InvalidateRect(hwnd());
}

void CFTFileSelectDlg::RebuildTree() {
  m_bRebuilding = true;
  m_tree.DeleteAllItems();
  m_bRebuilding = false;
  m_tree.Fill();
  const std::u16string pictures = PathFromBytes(paths::PicturesFolder());
  const std::optional<std::u16string> last = RegistryStore().Read(kRegistryKey, kRegistryValue);
  if (!(last && m_tree.SelectFolder(*last)) && !m_tree.SelectFolder(pictures)) {
    m_tree.SelectFolder(PathFromBytes(paths::Home()));
  }
  m_tree.Expand(pictures, true);
  if (m_tree.GetSelectedFolder().empty()) m_pane.Clear();
}

// ---- Painting ---------------------------------------------------------------------------------

void CFTFileSelectDlg::OnPaint() {
  PaintDC dc(hwnd());
  gfx::Canvas& canvas = dc.canvas();
  RECT rc{};
  GetClientRect(hwnd(), &rc);
  const float h = static_cast<float>(rc.bottom);
  canvas.FillRect(ToRectF(rc), 0xFFFFFFFF);
  canvas.DrawImage(m_background, ToRectF(rc));
  canvas.DrawText(u"添加照片", m_titleFont, {14, 10, 300, 20},
                  FromColorRef(CGlobal::Instance().GetStyleColours().crTitle));
  canvas.DrawTextLine(GetStatusText(), m_textFont, {static_cast<float>(rc.left + 258), h - 23, 155, 14}, kFaintText);
  canvas.DrawTextLine(u"全选", m_textFont, {225, h - 23, 30, 14}, kFaintText);
  canvas.FillRect({static_cast<float>(m_nTreeWidth - 1), static_cast<float>(kTitleHeight), 1,
                   h - kTitleHeight - kBottomHeight},
                  kTreeEdge);
}

// ---- Commands and notifications ---------------------------------------------------------------

void CFTFileSelectDlg::SetAllTicked(bool ticked) {
  m_bAllTicked = ticked;
  m_selectAll.SetImage(CCMButton::kNormal, ticked ? m_boxTicked : m_boxUnticked);
}

void CFTFileSelectDlg::SendFiles(WPARAM code, const std::vector<std::u16string>& files) {
  SendMessage(m_hOwner, CM_CMPREVIEW, code, reinterpret_cast<LPARAM>(&files));
}

void CFTFileSelectDlg::OnCommand(UINT id) {
  switch (id) {
    case kSelectAll:
      SetAllTicked(!m_bAllTicked);
      m_pane.TickAll(m_bAllTicked);
      InvalidateRect(hwnd());
      break;
    case kOK: OnOK(); break;
    case kCancel: OnCancel(); break;
    case kRefresh: Refresh(); break;
  }
}

void CFTFileSelectDlg::OnOK() {
  const std::vector<std::u16string> files = TickedPaths(m_pane);
  if (files.empty()) return;
  fotaro::Log("CFTFileSelectDlg::OnOK", "%d photos", static_cast<int>(files.size()));
  SendMessage(m_hOwner, CM_FILESELECTDLG, CMT_FILESELECTDLG_DONE);
  m_pane.Clear();
  ShowWindow(hwnd(), SW_HIDE);
  SendFiles(CMT_FILESELECTDLG_OK, files);
}

void CFTFileSelectDlg::OnCancel() {
  PostMessage(m_hOwner, CM_CMPREVIEW, CMT_FILESELECTDLG_CANCEL);
  PostMessage(m_hOwner, CM_FILESELECTDLG, CMT_FILESELECTDLG_DONE);
  ShowWindow(hwnd(), SW_HIDE);
  m_pane.Clear();
}

void CFTFileSelectDlg::OnSelChanging() {
  if (m_bRebuilding || m_pane.GetTickedCount() == 0) return;
  // The ticks of the folder being left go to the frame now, before the pane shows another.
  m_pane.StopLoader(kHandOverStop);
  SendFiles(CMT_UPLOADPREVIEW_ADDFILES, TickedPaths(m_pane));
}

void CFTFileSelectDlg::OnSelChanged(const std::u16string& folder) {
  if (m_bRebuilding) return;
  if (folder.empty()) {
    m_pane.Clear();
  } else if (m_pane.LoadFolder(folder)) {
    // Only a folder that could be read is worth opening again next time.
    RegistryStore().Write(kRegistryKey, kRegistryValue, folder);
  }
  SetAllTicked(false);
  InvalidateRect(hwnd());
}

void CFTFileSelectDlg::OnPaneNotify(WPARAM code, LPARAM lParam) {
  switch (code) {
    case CMT_CMPREVIEW_TICKS:
      SetAllTicked(m_pane.IsAllTicked());
      EnableWindow(m_ok.hwnd(), true);
      InvalidateRect(hwnd());
      break;
    case CMT_CMPREVIEW_OK: OnOK(); break;
    case CMT_CMPREVIEW_PICKONE: {
      const auto* file = reinterpret_cast<const std::u16string*>(lParam);
      if (file && !file->empty()) SendFiles(CMT_UPLOADPREVIEW_ADDFILES, {*file});
      break;
    }
    case CMT_CMPREVIEW_FOLDERGONE: Refresh(); break;
  }
}

void CFTFileSelectDlg::OnDeviceChange(WPARAM event) {
  // A burst of changes (a drive, its volumes, their mounts) rebuilds the tree once, after the last.
  if (event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE) SetTimer(hwnd(), kDeviceTimer, kDeviceDelay);
}

void CFTFileSelectDlg::OnTimer(uintptr_t id) {
  if (id != kDeviceTimer) return;
  KillTimer(hwnd(), kDeviceTimer);
  Refresh();
}

// ---- The mouse: the splitter and dragging the dialog ------------------------------------------

bool CFTFileSelectDlg::InSplitter(POINT point) const {
  return point.x >= m_nTreeWidth && point.x < m_nTreeWidth + kSplitterWidth;
}

void CFTFileSelectDlg::OnLButtonDown(POINT point) {
  if (!InSplitter(point)) {
    StartWindowMove(hwnd());
    return;
  }
  m_bDragging = true;
  m_nGrabOffset = point.x - m_nTreeWidth;
  SetCapture(hwnd());
}

void CFTFileSelectDlg::OnMouseMove(POINT point) {
  if (!m_bDragging) return;
  RECT rc{};
  GetClientRect(hwnd(), &rc);
  if (!PtInRect(rc, point)) return;
  // The tree keeps at least 191 pixels and the pane at least 176.
  int width = point.x - m_nGrabOffset;
  if (width < kTreeWidth) {
    width = kTreeWidth;
  } else if (rc.right - width - kSplitterWidth < kPaneMinWidth) {
    width = rc.right - kPaneMinWidth - kSplitterWidth;
  }
  if (width == m_nTreeWidth) return;
  m_nTreeWidth = width;
  LayOut();
}

bool CFTFileSelectDlg::OnSetCursor() {
  POINT pointer{};
  GetCursorPos(&pointer);
  ScreenToClient(hwnd(), &pointer);
  RECT rc{};
  GetClientRect(hwnd(), &rc);
  if (!m_bDragging && !(InSplitter(pointer) && pointer.y >= 35 && pointer.y <= rc.bottom - 40)) return false;
  SetCursor(Cursor::kSizeWE);
  return true;
}

LRESULT CFTFileSelectDlg::WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>&) {
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_CREATE: OnCreate(); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_PAINT: OnPaint(); return 0;
    case WM_CLOSE: OnCancel(); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam)); return 0;
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_DEVICECHANGE: OnDeviceChange(wParam); return 0;
    case CM_SHELLTREE_SELCHANGING: OnSelChanging(); return 0;
    case CM_SHELLTREE_SELCHANGED: OnSelChanged(*reinterpret_cast<const std::u16string*>(lParam)); return 0;
    case CM_CMPREVIEW: OnPaneNotify(wParam, lParam); return 0;
    case WM_LBUTTONDOWN: OnLButtonDown(point); return 0;
    case WM_MOUSEMOVE: OnMouseMove(point); return 0;
    case WM_LBUTTONUP:
      if (m_bDragging) ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED: m_bDragging = false; return 0;
    case WM_SETCURSOR: return OnSetCursor() ? 1 : 0;
  }
  return 0;
}
