#pragma once
// CCMMessageDlg: the modal message dialog of the uploader frames. A top-level window owned by the
// window that asks, showing a caption, a text of a few lines, an optional link and up to three
// buttons. DoModal disables the owner's top-level window and runs a nested message loop (every
// window keeps painting and working) until a button is pressed, the dialog is closed (its close
// box, Esc, or Close) or its window goes with its owner.
//
// The answer is the index of the pressed button (0, 1, 2), or kClosed.
//
// Tests answer a dialog through its shown hook: the hook runs inside the dialog's loop once the
// dialog shows, sees what it asks and answers it with Press or Close, as a user would.
//
// Threads: the owner's thread only.

#include <functional>
#include <string>
#include <vector>

#include "platform/win/Window.h"
#include "widgets/CMButton.h"

class CCMMessageDlg : public platform::Window {
 public:
  static constexpr int kClosed = -1;
  static constexpr int kWidth = 360;
  static constexpr int kHeight = 170;
  // How many of the given buttons show, by the dialog's type: 1 all three, 2 the first two, 3 the
  // first only (a notice). Empty captions are left out.
  static int ButtonCount(int32_t type);

  // `flag` non-zero marks a failure: the caption shows in the warning colour.
  CCMMessageDlg(std::u16string text, std::u16string caption, std::vector<std::u16string> buttons, int32_t flag = 0);
  ~CCMMessageDlg() override;

  void SetSize(int width, int height);
  // A link under the text, in the area (18, 80) to (width - 20, 125): a click on it calls `open`;
  // the pointer over it is a hand.
  void SetLink(std::u16string text, std::function<void()> open);

  // Shows the dialog centred over `owner` (null: the window that has the focus, if any) and runs
  // its loop. Returns the answer.
  int DoModal(platform::HWND owner);
  // The answer a user gives by pressing button `index`, or by closing the dialog.
  void Press(int index);
  void Close();
  // Follows the link, as a click on it does.
  void OpenLink();

  const std::u16string& text() const { return m_strText; }
  const std::u16string& caption() const { return m_strCaption; }
  const std::vector<std::u16string>& buttons() const { return m_buttonTexts; }
  const std::u16string& linkText() const { return m_strLink; }
  platform::HWND button(int index) const;

  // Called with every dialog that shows, from inside its loop; null removes the hook.
  using ShownHook = std::function<void(CCMMessageDlg&)>;
  static void SetShownHook(ShownHook hook);

  platform::LRESULT WndProc(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam,
                            std::unique_ptr<platform::MessagePayload>& payload) override;

 private:
  void OnCreate();
  void OnPaint();
  platform::RECT LinkRect() const;

  std::u16string m_strText;
  std::u16string m_strCaption;
  std::vector<std::u16string> m_buttonTexts;
  const bool m_bWarning;
  int m_nWidth = kWidth;
  int m_nHeight = kHeight;
  std::u16string m_strLink;
  std::function<void()> m_openLink;
  std::vector<std::unique_ptr<CCMButton>> m_buttons;
  int m_nAnswer = kClosed;
  bool m_bAnswered = false;
};
