#pragma once
// CCMButton: an owner-drawn push button. It shows one picture per state (normal, hover, pressed,
// disabled; a state without a picture shows the normal one), stretched over the button, and its
// text centred over it in the text colour. A click (pressed and released over the button) posts
// WM_COMMAND with MAKEWPARAM(id, BN_CLICKED) and the button's handle to the parent; the parent
// may hide or destroy the button while handling it. Over the button the pointer is a hand.

#include <array>
#include <string>

#include "platform/gfx/Canvas.h"
#include "platform/win/Window.h"

class CCMButton : public platform::Window {
 public:
  enum State { kNormal, kHover, kPressed, kDisabled };

  CCMButton();
  ~CCMButton() override;

  // A child of `parent` at `rect`, visible unless `visible` is false.
  bool Create(platform::HWND parent, const platform::RECT& rect, platform::UINT id, std::u16string text = {},
              bool visible = true);

  void SetImage(State state, platform::gfx::Bitmap image);
  void SetText(std::u16string text);
  void SetTextColor(platform::gfx::Color colour);
  // What shows where the pictures leave the button transparent (the parent's colour there).
  void SetBackColor(platform::gfx::Color colour);
  void SetFont(const platform::gfx::Font& font);

  platform::UINT id() const { return m_nID; }
  State state() const;

  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

 private:
  void OnPaint();
  void SetFlags(bool hover, bool pressed);

  platform::UINT m_nID = 0;
  std::u16string m_strText;
  std::array<platform::gfx::Bitmap, 4> m_images;
  platform::gfx::Color m_crText = 0xFF333333;
  platform::gfx::Color m_crBack = 0xFFFFFFFF;
  platform::gfx::Font m_font;
  bool m_bHover = false;    // the pointer is over the button
  bool m_bPressed = false;  // the left button went down on it and is still held
};
