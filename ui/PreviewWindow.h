#pragma once
// CPreviewWindow: what every thumbnail grid window shares: its photos (CPreviewList) and their
// loader thread, the cells laid out for the window's width, the canvas height, the vertical scroll
// range and scrolling (bar, wheel), and painting through CPreviewPainter. The uploader frame's
// grid (CUploadPreview) and the file dialog's pane (CCMPreview) add what the user does in them.
//
// Threads: the window's thread, except the loader (PreviewLoader.h).

#include <string>

#include "imaging/ThumbBmp.h"
#include "platform/win/Window.h"
#include "ui/PreviewLayout.h"
#include "ui/PreviewList.h"
#include "ui/PreviewLoader.h"
#include "ui/PreviewPainter.h"

class CPreviewWindow : public platform::Window {
 public:
  static constexpr int kLine = 42;  // pixels of one scroll line

  // Layout: cells from list position `start` on, the canvas height, the scroll range.
  void CaculatePicRect(size_t start);
  void CreateCanvas();
  void SetScroll(int pos);
  void RecalcAndRedraw(size_t start);
  // Whether the vertical scroll bar shows, and where (client coordinates of the window's rectangle).
  bool IsVScrollBarVisible(platform::RECT* bar) const;
  int GetCanvasHeight() const { return m_nCanvasHeight; }
  int GetScrollPos() const;

  size_t GetPhotoCount() const { return m_list.size(); }
  const CPreviewList& list() const { return m_list; }

  // A new id for a window whose loader writes temporary files: the files of two windows never
  // share a name.
  static int NewWindowId();

 protected:
  // `className` names the window in the log ("CUploadPreview"); the loader makes thumbnails as
  // `caller` and reports the time of each with `report`.
  CPreviewWindow(const char* className, ThumbCaller caller, CPreviewLoader::TimeReport report);
  ~CPreviewWindow() override;

  CPreviewLayout::Columns Columns() const;
  platform::POINT ToCanvas(platform::POINT client) const;

  // Starts the loader from the first photo. When it cannot start yet (a photo that took long to
  // decode keeps the last walk going past its stop bound), m_bLoaderPending says so and the window
  // tries again on one of its timers.
  void StartLoader();
  // Scrolls to `pos` and lets the loader go on with the photos then in view.
  void ScrollTo(int pos);
  void OnVScroll(int code, int thumb);
  void OnMouseWheel(int delta);
  // Paints the window's update area; `view` brings what the subclass adds (scroll position and
  // client area are filled in here).
  void PaintView(CPreviewPainter::View view);

  // The small per-cell button of style 0.
  virtual bool NarrowButtons() const { return false; }
  // The canvas is computed only once the window's own children exist.
  virtual bool CanvasReady() const { return true; }
  // Called before every scroll.
  virtual void OnScrolling() {}

  CPreviewList m_list;
  CPreviewLoader m_loader;
  CPreviewPainter m_painter;
  int m_nCanvasHeight = 0;
  int m_nLastScrollPos = 0;
  bool m_bLoaderPending = false;

 private:
  const std::string m_strSetScrollScope;
  const std::string m_strScrollBarScope;
};
