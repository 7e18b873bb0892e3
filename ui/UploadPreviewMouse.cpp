// CUploadPreview, second part: what the mouse does in the grid: selecting, the rubber band,
// dragging photos to another place, caption editing and the tool tip of the photo under the
// pointer.

#include <algorithm>

#include "control/services/Log.h"
#include "net/DataReport.h"
#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Surface.h"
#include "ui/UploadPreview.h"

using namespace platform;
using namespace std::chrono_literals;

namespace {
constexpr int kReportCaption = 4;    // data report: a caption was set
constexpr int kReportDragSort = 10;  // data report: a drag moved photos
}  // namespace

void CUploadPreview::OnLButtonDown(POINT client, WPARAM keys) {
  SetFocus(hwnd());
  const POINT point = ToCanvas(client);
  m_ptDown = point;
  SetCapture(hwnd());
  const bool ctrl = keys & MK_CONTROL;
  const bool shift = keys & MK_SHIFT;
  bool changed = false;
  const std::optional<size_t> hit = CPreviewLayout::HitTest(m_list.items(), point);
  if (!hit) {
    m_bRubberBand = true;
    m_ptBandEnd = point;
    changed = m_list.ClearSelection();
    KillTimer(hwnd(), kHoverTimer);
    m_toolTip.Hide();
    SetTimer(hwnd(), kBandTimer, 100ms);
  } else if (CanChange() && m_list.items()[*hit]->bShowBtn && PtInRect(m_list.items()[*hit]->rcBtn, point)) {
    // The turn button: the photo turns, nothing else happens.
    ReleaseCapture();
    RotatePhoto(m_list.items()[*hit]->strPath);
    return;
  } else {
    const CPreviewItem& item = *m_list.items()[*hit];
    if (shift) {
      changed = m_list.SelectRange(*hit);
    } else if (ctrl) {
      changed = m_list.Toggle(*hit);
    } else if (!m_list.IsSelected(item)) {
      changed = m_list.SelectOnly(*hit);
    } else if (!m_bUploadMode && CPreviewLayout::InCaptionClickBand(item.rcPic, point)) {
      m_captionArmed = item.nId;
    }
    m_bDragCandidate = true;
  }
  if (changed) NotifySelection();
  InvalidateRect(hwnd());
}

void CUploadPreview::SetHot(std::optional<uint64_t> item) {
  if (item == m_hot) return;
  m_hot = item;
  InvalidateRect(hwnd());
}

void CUploadPreview::OnMouseMove(POINT client, WPARAM keys) {
  const std::optional<size_t> under = CPreviewLayout::HitTest(m_list.items(), ToCanvas(client));
  SetHot(under ? std::optional<uint64_t>(m_list.items()[*under]->nId) : std::nullopt);
  if (m_bDragging) {
    CaculateDragShadow(client);
  } else if (m_bRubberBand) {
    UpdateRubberBand();
  } else if (m_bDragCandidate && !m_bDragPending && (keys & MK_LBUTTON)) {
    const POINT point = ToCanvas(client);
    if (point.x == m_ptDown.x && point.y == m_ptDown.y) return;
    // A press held on a photo that moves becomes a drag after a moment.
    m_bDragPending = true;
    SetCursor(Cursor::kSizeAll);
    SetTimer(hwnd(), kDragStartTimer, 350ms);
  }
}

void CUploadPreview::OnLButtonUp() {
  KillTimer(hwnd(), kDragStartTimer);
  if (m_bDragging) {
    Drop();
  } else if (m_bRubberBand) {
    m_bRubberBand = false;
    KillTimer(hwnd(), kBandTimer);
    SetTimer(hwnd(), kHoverRestartTimer, 200ms);
    InvalidateRect(hwnd());
  } else if (m_captionArmed) {
    BeginCaptionEdit(*m_captionArmed);
  }
  m_captionArmed.reset();
  m_bDragCandidate = false;
  m_bDragPending = false;
  if (GetCapture() == hwnd()) ReleaseCapture();
}

void CUploadPreview::CancelGestures() {
  if (!m_bDragging && !m_bRubberBand && !m_bDragCandidate) return;
  for (uintptr_t timer : {kBandTimer, kDragTimer, kDragStartTimer}) KillTimer(hwnd(), timer);
  if (m_bDragging || m_bRubberBand) SetTimer(hwnd(), kHoverRestartTimer, 200ms);
  m_bDragging = m_bRubberBand = m_bDragCandidate = m_bDragPending = false;
  m_captionArmed.reset();
  m_nDropIndex = -1;
  m_rcDropMarker.reset();
  if (GetCapture() == hwnd()) ReleaseCapture();
  InvalidateRect(hwnd());
}

void CUploadPreview::CaculateDragShadow(POINT client) {
  RECT view{};
  GetClientRect(hwnd(), &view);
  if (client.y >= view.bottom) PostMessage(hwnd(), WM_VSCROLL, SB_LINEDOWN);
  if (client.y < 0) PostMessage(hwnd(), WM_VSCROLL, SB_LINEUP);
  const auto slot = CPreviewLayout::FindDropSlot(m_list.items(), ToCanvas(client), Columns());
  if (slot) {
    m_nDropIndex = slot->index;
    RECT marker = slot->marker;
    OffsetRect(marker, 0, -GetScrollPos());
    m_rcDropMarker = marker;
  }
  InvalidateRect(hwnd());
}

void CUploadPreview::Drop() {
  KillTimer(hwnd(), kDragTimer);
  const int dropIndex = m_nDropIndex;
  m_bDragging = false;
  m_nDropIndex = -1;
  m_rcDropMarker.reset();
  if (m_list.MoveSelection(dropIndex)) PostDataReport(ReportWnd(), kReportDragSort, 1);
  SetTimer(hwnd(), kHoverRestartTimer, 200ms);
  InvalidateRect(hwnd());
}

void CUploadPreview::UpdateRubberBand() {
  POINT pointer;
  GetCursorPos(&pointer);
  ScreenToClient(hwnd(), &pointer);
  RECT view{};
  GetClientRect(hwnd(), &view);
  // Beyond the top or bottom edge the band scrolls the grid a line at a time (with its timer).
  if (pointer.y < 0) OnVScroll(SB_LINEUP, 0);
  if (pointer.y >= view.bottom) OnVScroll(SB_LINEDOWN, 0);
  m_ptBandEnd = ToCanvas(pointer);
  const RECT band{std::min(m_ptDown.x, m_ptBandEnd.x), std::min(m_ptDown.y, m_ptBandEnd.y),
                  std::max(m_ptDown.x, m_ptBandEnd.x) + 1, std::max(m_ptDown.y, m_ptBandEnd.y) + 1};
  if (m_list.SelectInRect(band)) NotifySelection();
  InvalidateRect(hwnd());
}

void CUploadPreview::BeginCaptionEdit(uint64_t itemId) {
  const PreviewItemPtr item = FindItem(itemId);
  if (!item) return;
  RECT box{item->rcPic.left, item->rcPic.bottom + 5, item->rcPic.right, item->rcPic.bottom + 25};
  OffsetRect(box, 0, -GetScrollPos());
  m_captionEditing = itemId;
  m_edit.Begin(box, item->strDesc);
}

void CUploadPreview::EndCaptionEdit(bool commit) {
  if (!m_captionEditing) return;
  const PreviewItemPtr item = FindItem(*m_captionEditing);
  m_captionEditing.reset();
  if (!commit || !item || item->strDesc == m_edit.text()) return;
  item->strDesc = m_edit.text();
  fotaro::Log("CUploadPreview::EndCaptionEdit", "%s", item->strDesc);
  PostDataReport(ReportWnd(), kReportCaption, 1);
  InvalidateRect(hwnd());
}

void CUploadPreview::UpdateToolTip() {
  POINT pointer;
  GetCursorPos(&pointer);
  const POINT screen = pointer;
  ScreenToClient(hwnd(), &pointer);
  RECT view{};
  GetClientRect(hwnd(), &view);
  std::optional<size_t> hit;
  if (PtInRect(view, pointer) && !m_captionEditing) hit = CPreviewLayout::HitTest(m_list.items(), ToCanvas(pointer));
  if (!hit) {
    m_hovered.reset();
    m_toolTip.Hide();
    return;
  }
  const CPreviewItem& item = *m_list.items()[*hit];
  // The tip shows once the pointer has rested on a photo for a tick.
  if (m_hovered == item.nId) {
    if (!m_toolTip.IsShown()) m_toolTip.Show(item.strName, POINT{screen.x + 12, screen.y + 20});
    return;
  }
  m_hovered = item.nId;
  m_toolTip.Hide();
}
