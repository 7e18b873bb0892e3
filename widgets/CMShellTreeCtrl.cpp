#include "widgets/CMShellTreeCtrl.h"

#include <algorithm>

#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "widgets/Skin.h"

using namespace platform;

namespace {

constexpr gfx::Color kSelectedRow = 0xFFD5E6FA;
constexpr gfx::Color kHotRow = 0xFFEDF4FC;
constexpr int kExpanderSize = 12;
constexpr int kWheelRows = 3;

bool Holds(const CShellTreeNode* folder, const CShellTreeNode* node) {
  for (const CShellTreeNode* at = node ? node->parent : nullptr; at; at = at->parent) {
    if (at == folder) return true;
  }
  return false;
}

}  // namespace

CCMShellTreeCtrl::CCMShellTreeCtrl(std::shared_ptr<VolumeMonitor> volumes)
    : m_volumes(std::move(volumes)),
      m_font(skin::UiFont()),
      m_folderIcon(skin::FolderGlyph(kIconSize)),
      m_driveIcon(skin::DriveGlyph(kIconSize)),
      m_openButton(skin::ExpanderGlyph(kExpanderSize, true)),
      m_closedButton(skin::ExpanderGlyph(kExpanderSize, false)) {}

CCMShellTreeCtrl::~CCMShellTreeCtrl() { DestroyWindow(hwnd()); }

bool CCMShellTreeCtrl::Create(HWND parent, const RECT& rect) {
  return Window::Create(parent, rect, WS_CHILD | WS_VISIBLE | WS_VSCROLL);
}

// ---- The folders ------------------------------------------------------------------------------

void CCMShellTreeCtrl::Fill() {
  DeleteAllItems();
  m_model.Fill(CShellTreeModel::Namespace(*m_volumes));
  RowsChanged();
}

void CCMShellTreeCtrl::DeleteAllItems() {
  if (m_selected) Select(nullptr);
  m_hot = nullptr;
  m_selected = nullptr;
  m_model.Clear();
  ++m_nGeneration;
  RowsChanged();
}

bool CCMShellTreeCtrl::SelectFolder(const std::u16string& path) {
  CShellTreeNode* node = m_model.Find(path);
  if (!node) return false;
  for (CShellTreeNode* folder = node->parent; folder; folder = folder->parent) m_model.Expand(*folder, true);
  RowsChanged();
  const std::u16string folder = node->path;
  Select(node);
  return GetSelectedFolder() == folder;
}

bool CCMShellTreeCtrl::Expand(const std::u16string& path, bool expand) {
  CShellTreeNode* node = m_model.Find(path);
  if (!node) return false;
  if (node->expanded != expand) Toggle(*node);
  return true;
}

bool CCMShellTreeCtrl::IsExpanded(const std::u16string& path) const {
  const auto found = std::find_if(m_rows.begin(), m_rows.end(), [&](const CShellTreeNode* node) { return node->path == path; });
  return found != m_rows.end() && (*found)->expanded;
}

std::u16string CCMShellTreeCtrl::GetSelectedFolder() const { return m_selected ? m_selected->path : std::u16string(); }

std::vector<std::u16string> CCMShellTreeCtrl::GetRowFolders() const {
  std::vector<std::u16string> folders;
  for (const CShellTreeNode* node : m_rows) folders.push_back(node->path);
  return folders;
}

RECT CCMShellTreeCtrl::GetRowRect(size_t index) const {
  RECT client{};
  GetClientRect(hwnd(), &client);
  const int top = static_cast<int>(index) * kRowHeight - GetScrollPos(hwnd(), SB_VERT);
  return RECT{0, top, client.right, top + kRowHeight};
}

void CCMShellTreeCtrl::Select(CShellTreeNode* node) {
  if (node == m_selected) return;
  // The parent acts before the change (it must not change the tree then) and after it.
  const HWND parent = GetParent(hwnd());
  const uint64_t generation = m_nGeneration;
  SendMessage(parent, CM_SHELLTREE_SELCHANGING);
  // A nested loop in the parent's handling (a message box) may have rebuilt the tree: `node` is
  // gone then, and the rebuild made its own selection.
  if (generation != m_nGeneration) return;
  CShellTreeNode* old = m_selected;
  m_selected = node;
  if (node) {
    if (old && !Holds(old, node)) m_model.Expand(*old, false);
    m_model.Expand(*node, true);
  }
  RowsChanged();
  EnsureVisible(node);
  const std::u16string folder = GetSelectedFolder();
  SendMessage(parent, CM_SHELLTREE_SELCHANGED, 0, reinterpret_cast<LPARAM>(&folder));
}

void CCMShellTreeCtrl::Toggle(CShellTreeNode& node) {
  m_model.Expand(node, !node.expanded);
  RowsChanged();
  // Closing a folder that holds the selection selects the folder itself.
  if (!node.expanded && Holds(&node, m_selected)) Select(&node);
}

// ---- Rows and scrolling -----------------------------------------------------------------------

void CCMShellTreeCtrl::RowsChanged() {
  m_rows = m_model.Rows();
  if (std::find(m_rows.begin(), m_rows.end(), m_hot) == m_rows.end()) m_hot = nullptr;
  RECT client{};
  GetClientRect(hwnd(), &client);
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE;
  info.nMin = 0;
  info.nMax = std::max(0, static_cast<int>(m_rows.size()) * kRowHeight - 1);
  info.nPage = static_cast<UINT>(std::max(0, client.bottom));
  SetScrollInfo(hwnd(), SB_VERT, info);
  InvalidateRect(hwnd());
}

int CCMShellTreeCtrl::RowIndex(const CShellTreeNode* node) const {
  const auto found = std::find(m_rows.begin(), m_rows.end(), node);
  return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
}

CShellTreeNode* CCMShellTreeCtrl::RowAt(int y) const {
  if (y < 0) return nullptr;
  const size_t index = static_cast<size_t>((y + GetScrollPos(hwnd(), SB_VERT)) / kRowHeight);
  return index < m_rows.size() ? m_rows[index] : nullptr;
}

void CCMShellTreeCtrl::EnsureVisible(const CShellTreeNode* node) {
  const int index = RowIndex(node);
  if (index < 0) return;
  RECT client{};
  GetClientRect(hwnd(), &client);
  const int top = index * kRowHeight;
  const int pos = GetScrollPos(hwnd(), SB_VERT);
  if (top < pos) ScrollTo(top);
  if (top + kRowHeight > pos + client.bottom) ScrollTo(top + kRowHeight - client.bottom);
}

void CCMShellTreeCtrl::ScrollTo(int pos) {
  SCROLLINFO info;
  info.fMask = SIF_POS;
  info.nPos = pos;
  SetScrollInfo(hwnd(), SB_VERT, info);
  InvalidateRect(hwnd());
}

// ---- Painting and input -----------------------------------------------------------------------

void CCMShellTreeCtrl::OnPaint() {
  PaintDC dc(hwnd());
  gfx::Canvas& canvas = dc.canvas();
  RECT client{};
  GetClientRect(hwnd(), &client);
  canvas.FillRect({0, 0, static_cast<float>(client.right), static_cast<float>(client.bottom)}, 0xFFFFFFFF);
  const int pos = GetScrollPos(hwnd(), SB_VERT);
  const size_t first = static_cast<size_t>(std::max(0, pos / kRowHeight));
  for (size_t i = first; i < m_rows.size(); ++i) {
    const CShellTreeNode& node = *m_rows[i];
    const float top = static_cast<float>(static_cast<int>(i) * kRowHeight - pos);
    if (top >= client.bottom) break;
    const gfx::RectF row{0, top, static_cast<float>(client.right), float{kRowHeight}};
    if (&node == m_selected) {
      canvas.FillRect(row, kSelectedRow);
    } else if (&node == m_hot) {
      canvas.FillRect(row, kHotRow);
    }
    const int x = ButtonLeft(node);
    if (node.hasChildren) {
      canvas.DrawImage(node.expanded ? m_openButton : m_closedButton, x + (kButtonWidth - kExpanderSize) / 2,
                       static_cast<int>(top) + (kRowHeight - kExpanderSize) / 2);
    }
    const bool drive = node.kind == CShellTreeNode::Kind::kVolume || node.kind == CShellTreeNode::Kind::kFileSystem;
    const int iconLeft = x + kButtonWidth + 2;
    canvas.DrawImage(drive ? m_driveIcon : m_folderIcon, iconLeft, static_cast<int>(top) + (kRowHeight - kIconSize) / 2);
    const float textLeft = static_cast<float>(iconLeft + kIconSize + 2);
    canvas.DrawTextLine(node.name, m_font, {textLeft, top, std::max(0.0f, row.width - textLeft - 2), row.height},
                        skin::kText);
  }
}

void CCMShellTreeCtrl::OnLButtonDown(POINT point) {
  SetFocus(hwnd());
  CShellTreeNode* node = RowAt(point.y);
  if (!node) return;
  const int button = ButtonLeft(*node);
  if (node->hasChildren && point.x >= button && point.x < button + kButtonWidth) {
    Toggle(*node);
  } else {
    Select(node);
  }
}

void CCMShellTreeCtrl::OnMouseMove(POINT point) {
  CShellTreeNode* hot = RowAt(point.y);
  if (hot == m_hot) return;
  m_hot = hot;
  InvalidateRect(hwnd());
}

void CCMShellTreeCtrl::OnKeyDown(UINT vk) {
  if (m_rows.empty()) return;
  const int last = static_cast<int>(m_rows.size()) - 1;
  const int at = RowIndex(m_selected);
  RECT client{};
  GetClientRect(hwnd(), &client);
  const int page = std::max(1, client.bottom / kRowHeight);
  switch (vk) {
    case VK_UP: Select(m_rows[std::max(0, at - 1)]); break;
    case VK_DOWN: Select(m_rows[std::min(last, at + 1)]); break;
    case VK_PRIOR: Select(m_rows[std::max(0, at - page)]); break;
    case VK_NEXT: Select(m_rows[std::min(last, at + page)]); break;
    case VK_HOME: Select(m_rows.front()); break;
    case VK_END: Select(m_rows.back()); break;
    case VK_LEFT:
      if (!m_selected) break;
      if (m_selected->expanded) {
        Toggle(*m_selected);
      } else if (m_selected->parent) {
        Select(m_selected->parent);
      }
      break;
    case VK_RIGHT:
      if (!m_selected || !m_selected->hasChildren) break;
      if (!m_selected->expanded) {
        Toggle(*m_selected);
      } else if (!m_selected->children.empty()) {
        Select(m_selected->children.front().get());
      }
      break;
  }
}

LRESULT CCMShellTreeCtrl::WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>&) {
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_SIZE: RowsChanged(); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: OnLButtonDown(point); return 0;
    case WM_MOUSEMOVE: OnMouseMove(point); return 0;
    case WM_MOUSELEAVE:
      m_hot = nullptr;
      InvalidateRect(hwnd());
      return 0;
    case WM_KEYDOWN: OnKeyDown(static_cast<UINT>(wParam)); return 0;
    case WM_VSCROLL:
      if (const auto pos = ScrollRequestPos(hwnd(), LOWORD(wParam), static_cast<int16_t>(HIWORD(wParam)), kRowHeight)) {
        ScrollTo(*pos);
      }
      return 0;
    case WM_MOUSEWHEEL:
      ScrollTo(GetScrollPos(hwnd(), SB_VERT) - static_cast<int16_t>(HIWORD(wParam)) * kWheelRows * kRowHeight / WHEEL_DELTA);
      return 0;
  }
  return 0;
}
