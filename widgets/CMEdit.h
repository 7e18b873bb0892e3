#pragma once
// CCMEdit: a one-line text box for short texts (a photo's caption). It is hidden until Begin; then
// typed characters go in at the caret, Backspace and Delete remove one, Left, Right, Home and End
// move the caret, and the text never grows past its limit of characters (Unicode code points).
// Editing ends with Enter or with the loss of the focus (the parent gets WM_COMMAND with
// EN_COMMIT) or with Escape (EN_CANCEL); either way the box hides and the notification is posted
// once, so the parent may move the focus or destroy the box while handling it.

#include <string>

#include "platform/gfx/Canvas.h"
#include "platform/win/Window.h"

constexpr platform::UINT EN_COMMIT = 0x0701;
constexpr platform::UINT EN_CANCEL = 0x0702;

class CCMEdit : public platform::Window {
 public:
  CCMEdit();
  ~CCMEdit() override;

  // A hidden child of `parent` at `rect`.
  bool Create(platform::HWND parent, const platform::RECT& rect, platform::UINT id, size_t limit);

  // Shows the box at `rect` with `text` (cut to the limit), the caret at its end, and takes the focus.
  void Begin(const platform::RECT& rect, std::u16string text);
  bool editing() const { return m_bEditing; }
  const std::u16string& text() const { return m_strText; }

  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

 private:
  void End(platform::UINT notification);
  void OnChar(char16_t unit);
  void OnKeyDown(platform::UINT vk);
  void OnPaint();
  // Moves the caret one code point back or forward.
  size_t Previous(size_t at) const;
  size_t Next(size_t at) const;

  platform::UINT m_nID = 0;
  size_t m_nLimit = 0;
  std::u16string m_strText;
  size_t m_nCaret = 0;       // in UTF-16 units, always at a code point's start
  char16_t m_pendingHigh = 0;  // the first half of a character typed as two units
  bool m_bEditing = false;
  float m_fScroll = 0;       // how far the text is shifted left to keep the caret in view
  platform::gfx::Font m_font;
};
