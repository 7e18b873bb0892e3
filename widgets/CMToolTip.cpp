#include "widgets/CMToolTip.h"

#include <algorithm>
#include <cmath>

#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "widgets/Skin.h"

using namespace platform;

namespace {
constexpr gfx::Color kTipBack = 0xFFFFFFF0;
constexpr int kPadding = 4;
}  // namespace

CCMToolTip::CCMToolTip() : m_font(skin::UiFont()) {}

CCMToolTip::~CCMToolTip() { DestroyWindow(hwnd()); }

bool CCMToolTip::Create(HWND owner) { return Window::Create(owner, RECT{0, 0, 1, 1}, WS_POPUP); }

void CCMToolTip::Show(std::u16string text, POINT screen) {
  m_strText = std::move(text);
  gfx::Bitmap scratch(1, 1);
  const gfx::SizeF size = gfx::Canvas(scratch).MeasureText(m_strText, m_font);
  const int width = std::min(kMaxWidth, static_cast<int>(std::ceil(size.width)) + 2 * kPadding);
  const int height = static_cast<int>(std::ceil(size.height)) + 2 * kPadding;
  MoveWindow(hwnd(), screen.x, screen.y, width, height);
  InvalidateRect(hwnd());
  ShowWindow(hwnd(), SW_SHOW);
}

void CCMToolTip::Hide() { ShowWindow(hwnd(), SW_HIDE); }

bool CCMToolTip::IsShown() const { return IsWindowVisible(hwnd()); }

LRESULT CCMToolTip::WndProc(UINT message, WPARAM, LPARAM, std::unique_ptr<MessagePayload>&) {
  if (message != WM_PAINT) return 0;
  PaintDC dc(hwnd());
  RECT client;
  GetClientRect(hwnd(), &client);
  const float w = static_cast<float>(client.right);
  const float h = static_cast<float>(client.bottom);
  gfx::Canvas& canvas = dc.canvas();
  skin::DrawBox(canvas, {0, 0, w, h}, skin::kBorder, kTipBack);
  canvas.DrawTextLine(m_strText, m_font, {float{kPadding}, 0, w - 2 * kPadding, h}, skin::kText);
  return 0;
}
