#pragma once
// CUploadStatusBar: the strip an uploader frame shows while it uploads: a spinner of eight steps
// that the frame's animation timer turns, and a line saying how far the batch has got.

#include <string>

#include "platform/win/Window.h"

class CUploadStatusBar : public platform::Window {
 public:
  static constexpr int kSteps = 8;

  ~CUploadStatusBar() override;
  // A hidden child of `frame`.
  bool Create(platform::HWND frame, const platform::RECT& rect);
  // The spinner's step (0..7) and the line.
  void Show(int step, std::u16string text);
  int step() const { return m_nStep; }
  const std::u16string& text() const { return m_strText; }

  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

 private:
  void OnPaint();

  int m_nStep = 0;
  std::u16string m_strText;
};
