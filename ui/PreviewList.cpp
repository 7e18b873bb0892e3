#include "ui/PreviewList.h"

#include <algorithm>

using platform::RECT;

void CPreviewList::ClearNewItems() {
  Lock lock(m_lock);
  m_newItems.clear();
}

void CPreviewList::Append(PreviewItemPtr item) {
  Lock lock(m_lock);
  m_newItems.push_back(item);
  m_items.push_back(std::move(item));
}

void CPreviewList::Assign(std::vector<PreviewItemPtr> items) {
  Lock lock(m_lock);
  m_items = std::move(items);
  m_newItems.clear();
  m_selection.clear();
}

int64_t CPreviewList::TotalSizeKiB() const {
  Lock lock(m_lock);
  int64_t total = 0;
  for (const PreviewItemPtr& item : m_items) total += item->nFileSize / 1024;
  return total;
}

bool CPreviewList::IsSelected(const CPreviewItem& item) const {
  return std::find(m_selection.begin(), m_selection.end(), item.nId) != m_selection.end();
}

bool CPreviewList::SetSelection(std::vector<uint64_t> selection) {
  Lock lock(m_lock);
  if (selection == m_selection) return false;
  m_selection = std::move(selection);
  return true;
}

bool CPreviewList::SelectOnly(size_t index) { return SetSelection({m_items.at(index)->nId}); }

bool CPreviewList::Toggle(size_t index) {
  std::vector<uint64_t> selection = m_selection;
  const uint64_t id = m_items.at(index)->nId;
  auto it = std::find(selection.begin(), selection.end(), id);
  if (it != selection.end()) {
    selection.erase(it);
  } else {
    selection.push_back(id);
  }
  return SetSelection(std::move(selection));
}

bool CPreviewList::SelectRange(size_t clicked) {
  std::vector<size_t> positions;
  for (size_t i = 0; i < m_items.size(); ++i) {
    if (IsSelected(*m_items[i])) positions.push_back(i);
  }
  if (positions.empty()) return SelectOnly(clicked);
  const size_t lo = positions.front();
  const size_t hi = positions.back();
  size_t first = clicked, last = lo;  // clicked <= lo
  if (lo < clicked && hi >= clicked) {
    first = lo;
    last = clicked;
  } else if (hi < clicked) {
    first = hi;
    last = clicked;
  }
  std::vector<uint64_t> selection;
  for (size_t i = first; i <= last; ++i) selection.push_back(m_items[i]->nId);
  return SetSelection(std::move(selection));
}

bool CPreviewList::SelectAll() { return SelectFirst(m_items.size()); }

bool CPreviewList::SelectFirst(size_t count) {
  std::vector<uint64_t> selection;
  for (size_t i = 0; i < m_items.size() && i < count; ++i) selection.push_back(m_items[i]->nId);
  return SetSelection(std::move(selection));
}

bool CPreviewList::SelectInRect(const RECT& band) {
  std::vector<uint64_t> selection;
  RECT meet;
  for (const PreviewItemPtr& item : m_items) {
    if (platform::IntersectRect(&meet, item->rcPic, band)) selection.push_back(item->nId);
  }
  return SetSelection(std::move(selection));
}

bool CPreviewList::ClearSelection() { return SetSelection({}); }

int CPreviewList::SelectionKind() const {
  if (m_selection.empty()) return 0;
  for (const PreviewItemPtr& item : m_items) {
    if (IsSelected(*item) && item->nFormat != 1) return 1;
  }
  return 2;
}

CPreviewList::Removal CPreviewList::RemoveSelected() {
  Lock lock(m_lock);
  Removal removal;
  for (size_t i = 0; i < m_items.size();) {
    if (!IsSelected(*m_items[i])) {
      ++i;
      continue;
    }
    if (removal.count++ == 0) removal.firstPosition = i;
    m_items.erase(m_items.begin() + static_cast<ptrdiff_t>(i));
  }
  m_selection.clear();
  m_newItems.clear();
  return removal;
}

bool CPreviewList::Remove(const std::u16string& path) {
  Lock lock(m_lock);
  auto it = std::find_if(m_items.begin(), m_items.end(), [&](const PreviewItemPtr& item) { return item->strPath == path; });
  if (it == m_items.end()) return false;
  const uint64_t id = (*it)->nId;
  m_items.erase(it);
  m_selection.erase(std::remove(m_selection.begin(), m_selection.end(), id), m_selection.end());
  m_newItems.erase(std::remove_if(m_newItems.begin(), m_newItems.end(), [id](const PreviewItemPtr& item) { return item->nId == id; }),
                   m_newItems.end());
  return true;
}

void CPreviewList::Clear() {
  Lock lock(m_lock);
  m_items.clear();
  m_newItems.clear();
  m_selection.clear();
}

bool CPreviewList::MoveSelection(int dropIndex) {
  Lock lock(m_lock);
  if (m_selection.empty() || dropIndex < 0) return false;
  size_t drop = std::min(static_cast<size_t>(dropIndex), m_items.size());
  std::vector<std::pair<RECT, RECT>> slots;  // each position's cell and button before the move
  for (const PreviewItemPtr& item : m_items) slots.emplace_back(item->rcPic, item->rcBtn);

  std::vector<PreviewItemPtr> moving;
  for (uint64_t id : m_selection) {
    auto it = std::find_if(m_items.begin(), m_items.end(), [id](const PreviewItemPtr& item) { return item->nId == id; });
    if (it == m_items.end()) continue;
    if (static_cast<size_t>(it - m_items.begin()) < drop) --drop;
    moving.push_back(*it);
    m_items.erase(it);
  }
  m_items.insert(m_items.begin() + static_cast<ptrdiff_t>(drop), moving.begin(), moving.end());

  bool moved = false;
  for (size_t i = 0; i < m_items.size(); ++i) {
    CPreviewItem& item = *m_items[i];
    if (item.rcPic != slots[i].first) moved = true;
    item.rcPic = slots[i].first;
    item.rcBtn = slots[i].second;
  }
  return moved;
}
