#include "ui/CMPreview.h"

#include <algorithm>
#include <cerrno>
#include <optional>

#include "net/DataReport.h"
#include "platform/CodePage.h"
#include "platform/FolderListing.h"
#include "platform/gfx/ImageFormat.h"
#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Surface.h"
#include "ui/PreviewMessages.h"

using namespace platform;
using namespace std::chrono_literals;

namespace {

constexpr uintptr_t kLoaderTimer = 1;  // 200 ms while the loader could not start yet
constexpr int kReportSelectAll = 9;    // data report: every photo of the pane ticked

ThumbCaller PaneCaller(int paneId) {
  return {"CCMPreview::CreateThumbBmp", "### CreateThumbBmp takes time[MS] : [%d] %s", paneId};
}

// The picture format a file's name promises (by its extension), Unknown for other files.
gfx::ImageFormat FormatOfName(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return gfx::ImageFormat::Unknown;
  return gfx::PictureFormatOfExtension(name.substr(dot + 1));
}

}  // namespace

CCMPreview::CCMPreview() : CPreviewWindow("CCMPreview", PaneCaller(NewWindowId()), [](int) {}) {}

CCMPreview::~CCMPreview() { DestroyWindow(hwnd()); }

bool CCMPreview::Create(HWND dialog, const RECT& rect) {
  return Window::Create(dialog, rect, WS_CHILD | WS_VISIBLE | WS_VSCROLL);
}

// ---- The folder -------------------------------------------------------------------------------

bool CCMPreview::LoadFolder(const std::u16string& folder) {
  m_strFolder = folder;
  const std::string bytes = PathBytes(folder);
  std::vector<FolderEntry> entries;
  int error = 0;
  const bool read = ListFolder(bytes, &entries, &error);
  std::vector<PreviewItemPtr> items;
  for (const FolderEntry& entry : entries) {
    const gfx::ImageFormat format = FormatOfName(entry.name);
    if (entry.folder || format == gfx::ImageFormat::Unknown) continue;
    auto item = std::make_shared<CPreviewItem>();
    item->nId = NewPreviewItemId();
    item->strPath = PathFromBytes(bytes == "/" ? "/" + entry.name : bytes + "/" + entry.name);
    item->strName = PathFromBytes(entry.name);
    item->nFileSize = entry.size;
    item->nFormat = static_cast<int32_t>(format);
    items.push_back(std::move(item));
  }
  Show(std::move(items));
  if (!read && (error == ENOENT || error == ENOTDIR)) PostMessage(GetParent(hwnd()), CM_CMPREVIEW, CMT_CMPREVIEW_FOLDERGONE);
  return read;
}

void CCMPreview::Clear() {
  m_strFolder.clear();
  Show({});
}

void CCMPreview::Show(std::vector<PreviewItemPtr> items) {
  m_loader.Stop();
  m_list.Assign(std::move(items));
  CaculatePicRect(0);
  CreateCanvas();
  SetScroll(0);
  StartLoader();
  if (m_bLoaderPending) SetTimer(hwnd(), kLoaderTimer, 200ms);
  NotifyTicks();
  InvalidateRect(hwnd());
}

bool CCMPreview::StopLoader(std::chrono::milliseconds bound) { return m_loader.Stop(bound); }

// ---- Ticks ------------------------------------------------------------------------------------

void CCMPreview::TickAll(bool tick) {
  const bool changed = tick ? m_list.SelectFirst(m_nTickLimit) : m_list.ClearSelection();
  if (tick) PostDataReport(kReportSelectAll, 1);
  if (changed) NotifyTicks();
  InvalidateRect(hwnd());
}

bool CCMPreview::IsAllTicked() const {
  const size_t tickable = std::min<size_t>(m_list.size(), m_nTickLimit);
  return tickable > 0 && m_list.selection().size() == tickable;
}

std::vector<CCMPreview::PickedFile> CCMPreview::GetTickedFiles() const {
  std::vector<PickedFile> files;
  for (const PreviewItemPtr& item : m_list.items()) {
    if (m_list.IsSelected(*item)) files.push_back(PickedFile{item->strPath, item->nFileSize});
  }
  return files;
}

void CCMPreview::NotifyTicks() { PostMessage(GetParent(hwnd()), CM_CMPREVIEW, CMT_CMPREVIEW_TICKS); }

// ---- Window messages --------------------------------------------------------------------------

void CCMPreview::OnPaint() {
  CPreviewPainter::View view;
  view.showNames = true;
  view.ticks = true;
  PaintView(view);
}

void CCMPreview::OnLButtonDown(POINT client, bool doubleClick) {
  SetFocus(hwnd());
  const std::optional<size_t> hit = CPreviewLayout::HitTest(m_list.items(), ToCanvas(client));
  if (!hit) return;
  const CPreviewItem& item = *m_list.items()[*hit];
  if (doubleClick) {
    const std::u16string path = item.strPath;
    SendMessage(GetParent(hwnd()), CM_CMPREVIEW, CMT_CMPREVIEW_PICKONE, reinterpret_cast<LPARAM>(&path));
    return;
  }
  // A tick past the limit is refused.
  if (!m_list.IsSelected(item) && m_list.selection().size() >= m_nTickLimit) return;
  if (m_list.Toggle(*hit)) NotifyTicks();
  InvalidateRect(hwnd());
}

void CCMPreview::OnKeyDown(UINT vk) {
  if (vk == 'A' && GetKeyState(VK_CONTROL) < 0) TickAll(true);
  if (vk == VK_RETURN) m_bEnterPressed = true;
}

LRESULT CCMPreview::WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>&) {
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_DESTROY:
      KillTimer(hwnd(), kLoaderTimer);
      m_loader.Stop();
      return 0;
    case WM_SIZE: RecalcAndRedraw(0); return 0;
    case WM_PAINT: OnPaint(); return 0;
    case WM_TIMER:
      if (wParam != kLoaderTimer) return 0;
      if (m_bLoaderPending) StartLoader();
      if (!m_bLoaderPending) KillTimer(hwnd(), kLoaderTimer);
      return 0;
    case WM_VSCROLL: OnVScroll(LOWORD(wParam), static_cast<int16_t>(HIWORD(wParam))); return 0;
    case WM_MOUSEWHEEL: OnMouseWheel(static_cast<int16_t>(HIWORD(wParam))); return 0;
    case WM_LBUTTONDOWN: OnLButtonDown(point, false); return 0;
    case WM_LBUTTONDBLCLK: OnLButtonDown(point, true); return 0;
    case WM_KEYDOWN: OnKeyDown(static_cast<UINT>(wParam)); return 0;
    case WM_KEYUP:
      // Enter pressed and released over photos asks for OK.
      if (wParam == VK_RETURN && m_bEnterPressed && m_list.size() > 0) {
        PostMessage(GetParent(hwnd()), CM_CMPREVIEW, CMT_CMPREVIEW_OK);
      }
      if (wParam == VK_RETURN) m_bEnterPressed = false;
      return 0;
  }
  return 0;
}
