#include "ui/PreviewLoader.h"

#include <chrono>

#include "control/services/Log.h"
#include "platform/win/Surface.h"
#include "ui/PreviewLayout.h"

using namespace platform;

CPreviewLoader::CPreviewLoader(CPreviewList& list, ThumbCaller caller, TimeReport report)
    : m_list(list), m_caller(caller), m_report(std::move(report)) {}

CPreviewLoader::~CPreviewLoader() { EndThread(); }

bool CPreviewLoader::Start(HWND window) {
  if (IsThreadRunning()) return false;
  m_hWnd = window;
  m_next = 0;
  return StartThread();
}

bool CPreviewLoader::Stop(std::chrono::milliseconds bound) { return StopThread(bound); }

size_t CPreviewLoader::FirstInView(int scrollPos) const {
  const RECT client{0, 0, 1 << 20, m_list.m_nClientHeight};
  const auto& items = m_list.items();
  for (size_t i = 0; i < items.size(); ++i) {
    RECT cell = items[i]->rcPic;
    OffsetRect(cell, 0, -scrollPos);
    InflateRect(cell, 0, RectHeight(cell) / 2);
    RECT meet;
    if (IntersectRect(&meet, cell, client)) return i;
  }
  return 0;
}

PreviewItemPtr CPreviewLoader::NextUnloaded() {
  const auto& items = m_list.items();
  const size_t count = items.size();
  for (size_t step = 0; step < count; ++step) {
    const size_t at = (m_next + step) % count;
    const PreviewItemPtr& item = items[at];
    if (item->bLoaded || IsRectEmpty(item->rcPic) || item->strPath.empty()) continue;
    m_next = at + 1;
    return item;
  }
  return nullptr;
}

void CPreviewLoader::Run() {
  {
    // Photos without a thumbnail are tried again; those with one keep it (and show it meanwhile).
    CPreviewList::Lock lock(m_list.mutex());
    for (const PreviewItemPtr& item : m_list.items()) item->bLoaded = !item->thumb.empty();
  }
  fotaro::Log("CUploadPreview::Run", "entry2");
  // Waiting on the stop event is the pause between two photos.
  while (!StopEvent().Wait(std::chrono::milliseconds(1))) {
    if (m_bPaused.load()) {
      StopEvent().Wait(std::chrono::milliseconds(50));
      continue;
    }
    PreviewItemPtr item;
    {
      CPreviewList::Lock lock(m_list.mutex());
      if (m_list.m_nRestartPos >= 0) {
        m_next = FirstInView(m_list.m_nRestartPos);
        m_list.m_nRestartPos = -1;
      }
      item = NextUnloaded();
      if (!item) break;
    }
    const auto start = std::chrono::steady_clock::now();
    gfx::Bitmap thumb;
    int rotated = 0;
    const bool made = CreateThumbBmp(item->sourcePath(), CPreviewLayout::kCellWidth, CPreviewLayout::kCellHeight,
                                     m_caller, &thumb, &rotated);
    const auto taken = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    if (made) m_report(static_cast<int>(taken.count()));
    RECT area;
    {
      CPreviewList::Lock lock(m_list.mutex());
      if (made) item->thumb = std::move(thumb);
      item->bLoaded = true;
      area = RECT{item->rcPic.left, item->rcPic.top - 5, item->rcPic.right + 10, item->rcPic.bottom + 40};
      OffsetRect(area, 0, -m_list.m_nScrollPos);
    }
    InvalidateRect(m_hWnd, &area);
  }
}
