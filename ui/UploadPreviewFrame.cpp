// CUploadPreview, third part: what the frame asks of the grid around a batch: upload mode and the
// marks of the photos being uploaded, taking photos out, the sort order, the turned photos.

#include <unistd.h>

#include <algorithm>

#include "imaging/PhotoRotation.h"
#include "platform/CodePage.h"
#include "platform/win/Input.h"
#include "platform/win/Surface.h"
#include "ui/UploadPreview.h"

using namespace platform;

void CUploadPreview::SetUploadMode(bool uploading) {
  if (uploading) EndGestures();
  m_bUploadMode = uploading;
  InvalidateRect(hwnd());
}

void CUploadPreview::SetPreparingFile(const std::u16string& path) { SetUploadPercent(path, 0); }

void CUploadPreview::SetCurrentFile(const std::u16string& path) {
  const PreviewItemPtr item = FindItem(path);
  if (!item) return;
  RECT client{};
  GetClientRect(hwnd(), &client);
  const int top = GetScrollPos();
  const int bottom = top + client.bottom;
  const int cellBottom = item->rcPic.bottom + CPreviewLayout::kCaptionHeight;
  if (item->rcPic.top < top) {
    ScrollTo(item->rcPic.top - CPreviewLayout::kTopMargin);
  } else if (cellBottom > bottom) {
    ScrollTo(cellBottom - client.bottom + CPreviewLayout::kTopMargin);
  }
}

void CUploadPreview::EndGestures() {
  CancelGestures();
  if (m_captionEditing) SetFocus(hwnd());  // the caption box ends its editing as it loses the focus
}

void CUploadPreview::ReLayOut() {
  m_nTotalSizeKiB = m_list.TotalSizeKiB();
  const int oldCanvas = m_nCanvasHeight;
  CaculatePicRect(0);
  CreateCanvas();
  int pos = GetScrollPos();
  if (m_nCanvasHeight < oldCanvas) pos = std::max(0, pos - (oldCanvas - m_nCanvasHeight));
  SetScroll(pos);
  InvalidateRect(hwnd());
}

void CUploadPreview::RemoveFile(const std::u16string& path) {
  if (!m_list.Remove(path)) return;
  ReLayOut();
  if (m_list.size() == 0) ShowHint(true);
}

void CUploadPreview::Clear() {
  m_loader.Stop();
  m_list.Clear();
  ReLayOut();
  ShowHint(true);
  NotifySelection();
}

void CUploadPreview::SetSortOrder(int order) {
  if (order != kSortByTime && order != kSortByName && order != kSortAsAdded) return;
  m_nSortOrder = order;
  switch (order) {
    case kSortByTime:
      m_list.Sort([](const PreviewItemPtr& a, const PreviewItemPtr& b) {
        const std::u16string& ta = a->strExifTime.empty() ? a->strCreateTime : a->strExifTime;
        const std::u16string& tb = b->strExifTime.empty() ? b->strCreateTime : b->strExifTime;
        return ta < tb;
      });
      break;
    case kSortByName:
      m_list.Sort([](const PreviewItemPtr& a, const PreviewItemPtr& b) { return a->strName < b->strName; });
      break;
    default:
      m_list.Sort([](const PreviewItemPtr& a, const PreviewItemPtr& b) { return a->nId < b->nId; });
      break;
  }
  ReLayOut();
}

const std::vector<std::u16string>& CUploadPreview::SortOrderNames() {
  static const std::vector<std::u16string> names{u"按拍摄时间排序", u"按文件名排序", u"按添加顺序排列"};
  return names;
}

bool CUploadPreview::RotatePhoto(const std::u16string& path) {
  const PreviewItemPtr item = FindItem(path);
  if (!item || !item->bShowBtn || !CanChange()) return false;
  const int turns = (item->nRotation + 1) % 4;
  std::u16string turned;
  // Four turns give the photo back as it is; otherwise the copy turned so far turns once more.
  if (turns != 0 && !RotatePhotoFile(item->sourcePath(), item->strName, 1, &turned)) return false;
  const std::u16string earlier = item->strSrcPath;
  m_loader.Stop();
  {
    CPreviewList::Lock lock(m_list.mutex());
    item->strSrcPath = turned;
    item->nRotation = turns;
    item->thumb = {};
    item->bLoaded = false;
  }
  if (!earlier.empty()) unlink(PathBytes(earlier).c_str());  // the copy of the last turn
  StartLoader();
  InvalidateRect(hwnd());
  return true;
}

int CUploadPreview::CountRotated() const {
  CPreviewList::Lock lock(m_list.mutex());
  return static_cast<int>(std::count_if(m_list.items().begin(), m_list.items().end(),
                                        [](const PreviewItemPtr& item) { return item->nRotation % 4 != 0; }));
}
