#pragma once
// CCMCheckBox: a box that a click ticks or unticks, with its text beside it. Each click also posts
// WM_COMMAND with MAKEWPARAM(id, BN_CLICKED) to the parent.

#include <string>

#include "platform/win/Window.h"

class CCMCheckBox : public platform::Window {
 public:
  ~CCMCheckBox() override;

  bool Create(platform::HWND parent, const platform::RECT& rect, platform::UINT id, std::u16string text);
  void SetText(std::u16string text);
  bool GetCheck() const { return m_bChecked; }
  void SetCheck(bool checked);

  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

 private:
  void OnPaint();

  platform::UINT m_nID = 0;
  std::u16string m_strText;
  bool m_bChecked = false;
};
