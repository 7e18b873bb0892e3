#include "ui/UploadStatusBar.h"

#include <cmath>

#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "widgets/Skin.h"

using namespace platform;

namespace {

constexpr gfx::Color kBackground = 0xFFF0F6FE;  // the frame's second brush, 0xFEF6F0 as a COLORREF
constexpr int kSpinner = 18;                    // the spinner's box, pixels
constexpr float kDot = 3.0f;

}  // namespace

CUploadStatusBar::~CUploadStatusBar() { DestroyWindow(hwnd()); }

bool CUploadStatusBar::Create(HWND frame, const RECT& rect) { return Window::Create(frame, rect, WS_CHILD); }

void CUploadStatusBar::Show(int step, std::u16string text) {
  m_nStep = ((step % kSteps) + kSteps) % kSteps;
  m_strText = std::move(text);
  InvalidateRect(hwnd());
}

void CUploadStatusBar::OnPaint() {
  PaintDC dc(hwnd());
  gfx::Canvas& canvas = dc.canvas();
  const gfx::RectF area = skin::ClientArea(hwnd());
  const float w = area.width;
  const float h = area.height;
  skin::DrawBox(canvas, {0, 0, w, h}, skin::kBorder, kBackground);
  // Eight dots round a circle; the step's dot is the darkest, the ones behind it fade.
  const float cx = 8 + kSpinner / 2.0f;
  const float cy = h / 2;
  const float radius = kSpinner / 2.0f - kDot;
  for (int i = 0; i < kSteps; ++i) {
    const double angle = 2 * M_PI * i / kSteps - M_PI / 2;
    const int age = (m_nStep - i + kSteps) % kSteps;
    const uint32_t alpha = 0xFF - static_cast<uint32_t>(age) * 0x1C;
    const float x = cx + radius * static_cast<float>(std::cos(angle));
    const float y = cy + radius * static_cast<float>(std::sin(angle));
    canvas.FillRect({x - kDot / 2, y - kDot / 2, kDot, kDot}, (alpha << 24) | (skin::kAccent & 0x00FFFFFF));
  }
  const float textLeft = 16 + kSpinner;
  canvas.DrawTextLine(m_strText, skin::UiFont(12), {textLeft, 0, w - textLeft - 4, h}, skin::kText);
}

LRESULT CUploadStatusBar::WndProc(UINT message, WPARAM, LPARAM, std::unique_ptr<MessagePayload>&) {
  if (message == WM_PAINT) OnPaint();
  return 0;
}
