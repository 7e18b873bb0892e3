#pragma once
// CCMPreview: the thumbnail pane of the file selection dialog, a twin of the uploader frame's grid
// (the same cells, layout, painting and loader thread) that shows the pictures of one folder and
// lets the user tick the ones to add. Each cell shows its file's name and a tick box; a click on a
// photo ticks or unticks it, Ctrl+A ticks them all, a double click picks that one photo at once and
// Enter asks for OK. The ticks are the list's selection.
//
// The dialog (the parent) hears of it through CM_CMPREVIEW (WM_USER + 11) with these codes:

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/PreviewWindow.h"

constexpr platform::WPARAM CMT_CMPREVIEW_TICKS = 0;       // posted: the ticks changed
constexpr platform::WPARAM CMT_CMPREVIEW_OK = 8;          // posted: Enter: take the ticked photos
constexpr platform::WPARAM CMT_CMPREVIEW_PICKONE = 9;     // sent: lParam const std::u16string*, one photo
constexpr platform::WPARAM CMT_CMPREVIEW_FOLDERGONE = 11;  // posted: the folder shown no longer exists

class CCMPreview : public CPreviewWindow {
 public:
  // A ticked photo and its size in bytes.
  struct PickedFile {
    std::u16string path;
    int64_t size = 0;
  };

  CCMPreview();
  ~CCMPreview() override;

  // The pane as a visible child of `dialog` at `rect`.
  bool Create(platform::HWND dialog, const platform::RECT& rect);

  // Shows the pictures directly in `folder` (by file name, the picture formats of
  // platform/gfx/ImageFormat.h), none ticked, and starts making their thumbnails. False when the
  // folder cannot be read; when it no longer exists, the parent also gets CMT_CMPREVIEW_FOLDERGONE.
  bool LoadFolder(const std::u16string& folder);
  // Shows nothing.
  void Clear();
  const std::u16string& GetFolder() const { return m_strFolder; }

  // Ticks every photo (as far as the tick limit allows) or none. Ticking all counts as the user's
  // select-all (data report 9).
  void TickAll(bool tick);
  bool IsAllTicked() const;
  // The ticked photos in the pane's order.
  std::vector<PickedFile> GetTickedFiles() const;
  size_t GetTickedCount() const { return m_list.selection().size(); }
  // The most photos that can be ticked at once; no limit until set.
  void SetUploadLimit(uint32_t limit) { m_nTickLimit = limit; }

  // Stops the thumbnail loader, waiting at most `bound`; true when it has ended.
  bool StopLoader(std::chrono::milliseconds bound);

  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

 private:
  void OnPaint();
  void OnLButtonDown(platform::POINT client, bool doubleClick);
  void OnKeyDown(platform::UINT vk);
  void Show(std::vector<PreviewItemPtr> items);
  void NotifyTicks();

  std::u16string m_strFolder;
  uint32_t m_nTickLimit = UINT32_MAX;
  bool m_bEnterPressed = false;
};
