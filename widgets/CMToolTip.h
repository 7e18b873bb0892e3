#pragma once
// CCMToolTip: a small window of one line of text that floats over the others near the pointer. It
// belongs to an owner window (and goes with it); Show places it and sizes it to its text.

#include <string>

#include "platform/gfx/Canvas.h"
#include "platform/win/Window.h"

class CCMToolTip : public platform::Window {
 public:
  // The widest tip; longer texts end with an ellipsis.
  static constexpr int kMaxWidth = 400;

  CCMToolTip();
  ~CCMToolTip() override;

  bool Create(platform::HWND owner);
  // Shows `text` with the tip's top-left corner at `screen` (screen coordinates).
  void Show(std::u16string text, platform::POINT screen);
  void Hide();
  bool IsShown() const;
  const std::u16string& text() const { return m_strText; }

  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

 private:
  std::u16string m_strText;
  platform::gfx::Font m_font;
};
