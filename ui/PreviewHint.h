#pragma once
// CPreviewHint: what an empty grid shows: the picture and text that invite the user to add
// photos, two add-photos buttons, the "back" button and, when allowed, the "how to drag" button.
// Its buttons' commands go on to the grid (its parent) as WM_COMMAND with the ids below.

#include "widgets/CMButton.h"

class CPreviewHint : public platform::Window {
 public:
  static constexpr platform::UINT kAddPicture = 201;  // the big picture: add photos
  static constexpr platform::UINT kAddButton = 202;   // "添加照片"
  static constexpr platform::UINT kBack = 203;        // "返回"
  static constexpr platform::UINT kHowToDrag = 204;   // "如何拖拽照片?"
  static constexpr int kWidth = 360;
  static constexpr int kHeight = 230;

  ~CPreviewHint() override;
  bool Create(platform::HWND grid);
  // Centres the hint in a client area of `width` x `height`.
  void Centre(int width, int height);
  void ShowHowToDrag(bool show);

  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

 private:
  CCMButton m_addPicture, m_addButton, m_back, m_howToDrag;
};
