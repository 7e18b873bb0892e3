#pragma once
// CPreviewLoader: the thread that makes a grid's thumbnails (imaging/ThumbBmp.h), one photo at a
// time, at idle priority, while the user keeps working. It never paints: it stores each thumbnail
// in its photo under the list lock and asks the window to repaint that cell.
//
// It walks the photos from the first one (or, when the window asked for it after a scroll, from
// the first one in view) to the end, then once more over the photos it skipped, and ends when
// every laid-out photo has been tried. The list lock is never held while a photo is decoded, so
// user actions wait for at most one list step, never for a thumbnail.

#include <atomic>
#include <functional>

#include "imaging/ThumbBmp.h"
#include "platform/win/Types.h"
#include "ui/PreviewList.h"
#include "widgets/CMThreadModel.h"

class CPreviewLoader : public CCMThreadModel {
 public:
  // Called on the loader thread with the milliseconds one thumbnail took.
  using TimeReport = std::function<void(int milliseconds)>;

  CPreviewLoader(CPreviewList& list, ThumbCaller caller, TimeReport report);
  ~CPreviewLoader() override;

  // Starts a walk from the first photo, repainting in `window`; false when the thread could not start.
  bool Start(platform::HWND window);
  // Stops the walk, waiting at most `bound`. True when the thread has ended.
  bool Stop(std::chrono::milliseconds bound = kStopBound);
  // While paused, the walk waits (looking at its stop event every 50 ms) before its next photo.
  // Any thread.
  void SetPaused(bool paused) { m_bPaused.store(paused); }
  bool IsPaused() const { return m_bPaused.load(); }

 private:
  void Run() override;
  // The next photo to load from `m_next` on, wrapping once; null when none is left. Under the lock.
  PreviewItemPtr NextUnloaded();
  // Where to go on after the window asked to start at a scroll position. Under the lock.
  size_t FirstInView(int scrollPos) const;

  CPreviewList& m_list;
  platform::HWND m_hWnd = nullptr;  // set before the thread starts
  const ThumbCaller m_caller;
  const TimeReport m_report;
  size_t m_next = 0;  // loader thread only
  std::atomic<bool> m_bPaused{false};
};
