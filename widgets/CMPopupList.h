#pragma once
// CCMPopupList: a list of choices that floats over the other windows (a drop-down list, a menu).
// A click on a row, or Enter on the highlighted one, chooses it: the list hides and posts
// WM_COMMAND to its owner with MAKEWPARAM(id, CBN_SELCHANGE) and the row's index as lParam. Esc
// hides it without a choice.

#include <string>
#include <vector>

#include "platform/win/Window.h"

constexpr platform::UINT CBN_SELCHANGE = 1;

class CCMPopupList : public platform::Window {
 public:
  static constexpr int kRowHeight = 24;

  CCMPopupList();
  ~CCMPopupList() override;

  // A hidden list owned by `owner`, which gets its choices as command `id`.
  bool Create(platform::HWND owner, platform::UINT id);
  void SetItems(std::vector<std::u16string> items);
  const std::vector<std::u16string>& items() const { return m_items; }
  // Shows the list with its top-left corner at `screen`, `width` pixels wide, `current` highlighted.
  void Show(platform::POINT screen, int width, int current);
  void Hide();
  bool IsShown() const;
  // Chooses row `index`, as a click on it does.
  void Choose(int index);

  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

 private:
  void OnPaint();
  int RowAt(int y) const;

  platform::HWND m_hOwner = nullptr;
  platform::UINT m_nID = 0;
  std::vector<std::u16string> m_items;
  int m_nHot = -1;
};
