#pragma once
// CCMDropDown: a drop-down list box: a box that shows the current choice and opens its list
// (CCMPopupList) under itself when clicked. A choice from the list becomes the current one and the
// parent gets WM_COMMAND with MAKEWPARAM(id, CBN_SELCHANGE).

#include <string>
#include <vector>

#include "widgets/CMPopupList.h"

class CCMDropDown : public platform::Window {
 public:
  CCMDropDown();
  ~CCMDropDown() override;

  bool Create(platform::HWND parent, const platform::RECT& rect, platform::UINT id, std::vector<std::u16string> items);
  int GetCurSel() const { return m_nCurrent; }
  void SetCurSel(int index);
  // Opens or closes the list.
  void ShowList(bool show);
  bool IsListShown() const { return m_list.IsShown(); }
  CCMPopupList& list() { return m_list; }

  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

 private:
  void OnPaint();

  platform::UINT m_nID = 0;
  int m_nCurrent = 0;
  CCMPopupList m_list;
};
