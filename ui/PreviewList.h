#pragma once
// CPreviewList: the photos of a thumbnail grid in upload order, the photos of the last add, the
// selection in the order it was made, and the list lock.
//
// Threads: only the window thread changes the list (adds, removes, moves, selects, lays out), and
// it holds the lock while it does; it may read what only it writes without the lock. The loader
// thread reads the list and sets thumbnails only while holding the lock. The lock is re-entrant:
// the window thread holds it across several of these calls.

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

#include "ui/PreviewItem.h"

class CPreviewList {
 public:
  using Lock = std::lock_guard<std::recursive_mutex>;

  // The list lock.
  std::recursive_mutex& mutex() const { return m_lock; }

  std::vector<PreviewItemPtr>& items() { return m_items; }
  const std::vector<PreviewItemPtr>& items() const { return m_items; }
  size_t size() const { return m_items.size(); }
  // The photos added by the last add.
  const std::vector<PreviewItemPtr>& newItems() const { return m_newItems; }
  void ClearNewItems();
  void Append(PreviewItemPtr item);
  // Replaces every photo by `items`; the selection and the new photos are cleared.
  void Assign(std::vector<PreviewItemPtr> items);

  // Σ (file size / 1024) over the photos, each truncated.
  int64_t TotalSizeKiB() const;

  // Selection. Each returns whether the selection changed.
  const std::vector<uint64_t>& selection() const { return m_selection; }
  bool IsSelected(const CPreviewItem& item) const;
  bool SelectOnly(size_t index);
  bool Toggle(size_t index);
  // Shift+click at `clicked`: with lo and hi the lowest and highest selected positions, lo..clicked
  // when lo < clicked <= hi, hi..clicked when hi < clicked, clicked..lo when clicked <= lo (in list
  // order); the clicked photo alone without a selection.
  bool SelectRange(size_t clicked);
  bool SelectAll();
  // The first `count` photos (all of them when there are fewer).
  bool SelectFirst(size_t count);
  // The photos whose cells meet `band` (canvas coordinates), in list order.
  bool SelectInRect(const platform::RECT& band);
  bool ClearSelection();
  // 0 nothing selected, 1 a selected photo is not a GIF, 2 only GIFs are selected.
  int SelectionKind() const;

  // Removes the selected photos and clears the selection and the new photos. Returns how many went
  // and the list position of the first one.
  struct Removal {
    size_t count = 0;
    size_t firstPosition = 0;
  };
  Removal RemoveSelected();

  // Removes the photo of `path` (and its place in the selection); false when there is none.
  bool Remove(const std::u16string& path);
  // Removes every photo.
  void Clear();
  // Sorts the photos by `less`, keeping the order of equal ones; the cells stay where they are (the
  // caller lays them out again).
  template <class Less>
  void Sort(Less less) {
    Lock lock(m_lock);
    std::stable_sort(m_items.begin(), m_items.end(), less);
  }

  // Moves the selected photos, in selection order, to stand before the photo at `dropIndex` as
  // the list was (after the last one for the photo count). Every position keeps the cell and
  // button of the photo that stood there; returns whether any photo's cell changed.
  bool MoveSelection(int dropIndex);

  // What the window thread tells the loader, under the lock: the scroll position, and where to go
  // on loading (a scroll position, -1 when nowhere).
  int m_nScrollPos = 0;
  int m_nRestartPos = -1;
  int m_nClientHeight = 0;

 private:
  bool SetSelection(std::vector<uint64_t> selection);

  mutable std::recursive_mutex m_lock;
  std::vector<PreviewItemPtr> m_items;
  std::vector<PreviewItemPtr> m_newItems;
  std::vector<uint64_t> m_selection;  // item ids, in the order they were selected
};
