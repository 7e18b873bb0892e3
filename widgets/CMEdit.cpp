#include "widgets/CMEdit.h"

#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "widgets/Skin.h"

using namespace platform;

namespace {

constexpr float kInset = 3;  // between the border and the text

bool IsHigh(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

size_t CodePoints(const std::u16string& text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!(IsLow(text[i]) && i > 0 && IsHigh(text[i - 1]))) ++count;
  }
  return count;
}

// The first `limit` code points of `text`.
std::u16string Cut(std::u16string text, size_t limit) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsLow(text[i]) && i > 0 && IsHigh(text[i - 1])) continue;
    if (count++ == limit) return text.substr(0, i);
  }
  return text;
}

// The width of `text` as drawn, without the margins the canvas keeps at both ends.
float TextWidth(gfx::Canvas& canvas, std::u16string_view text, const gfx::Font& font) {
  if (text.empty()) return 0;
  return canvas.MeasureText(text, font).width - font.pixelSize() / 3;
}

}  // namespace

CCMEdit::CCMEdit() : m_font(skin::UiFont()) {}

CCMEdit::~CCMEdit() { DestroyWindow(hwnd()); }

bool CCMEdit::Create(HWND parent, const RECT& rect, UINT id, size_t limit) {
  m_nID = id;
  m_nLimit = limit;
  return Window::Create(parent, rect, WS_CHILD);
}

void CCMEdit::Begin(const RECT& rect, std::u16string text) {
  m_strText = Cut(std::move(text), m_nLimit);
  m_nCaret = m_strText.size();
  m_pendingHigh = 0;
  m_fScroll = 0;
  m_bEditing = true;
  MoveWindow(hwnd(), rect.left, rect.top, RectWidth(rect), RectHeight(rect));
  ShowWindow(hwnd(), SW_SHOW);
  InvalidateRect(hwnd());
  SetFocus(hwnd());
}

void CCMEdit::End(UINT notification) {
  if (!m_bEditing) return;
  m_bEditing = false;
  ShowWindow(hwnd(), SW_HIDE);
  PostMessage(GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(static_cast<int>(m_nID), static_cast<int>(notification)),
              reinterpret_cast<LPARAM>(hwnd()));
}

size_t CCMEdit::Previous(size_t at) const {
  if (at == 0) return 0;
  return at >= 2 && IsLow(m_strText[at - 1]) && IsHigh(m_strText[at - 2]) ? at - 2 : at - 1;
}

size_t CCMEdit::Next(size_t at) const {
  if (at >= m_strText.size()) return m_strText.size();
  return at + 1 < m_strText.size() && IsHigh(m_strText[at]) && IsLow(m_strText[at + 1]) ? at + 2 : at + 1;
}

void CCMEdit::OnChar(char16_t unit) {
  switch (unit) {
    case 0x0D: End(EN_COMMIT); return;
    case 0x1B: End(EN_CANCEL); return;
    case 0x08: {
      const size_t from = Previous(m_nCaret);
      m_strText.erase(from, m_nCaret - from);
      m_nCaret = from;
      InvalidateRect(hwnd());
      return;
    }
  }
  if (unit < 0x20 || unit == 0x7F) return;
  if (IsHigh(unit)) {
    m_pendingHigh = unit;
    return;
  }
  std::u16string typed(1, unit);
  if (IsLow(unit)) {
    if (!m_pendingHigh) return;
    typed.insert(typed.begin(), m_pendingHigh);
  }
  m_pendingHigh = 0;
  if (CodePoints(m_strText) >= m_nLimit) return;
  m_strText.insert(m_nCaret, typed);
  m_nCaret += typed.size();
  InvalidateRect(hwnd());
}

void CCMEdit::OnKeyDown(UINT vk) {
  switch (vk) {
    case VK_DELETE: m_strText.erase(m_nCaret, Next(m_nCaret) - m_nCaret); break;
    case VK_LEFT: m_nCaret = Previous(m_nCaret); break;
    case VK_RIGHT: m_nCaret = Next(m_nCaret); break;
    case VK_HOME: m_nCaret = 0; break;
    case VK_END: m_nCaret = m_strText.size(); break;
    default: return;
  }
  InvalidateRect(hwnd());
}

void CCMEdit::OnPaint() {
  PaintDC dc(hwnd());
  RECT client;
  GetClientRect(hwnd(), &client);
  const float w = static_cast<float>(client.right);
  const float h = static_cast<float>(client.bottom);
  gfx::Canvas& canvas = dc.canvas();
  skin::DrawBox(canvas, {0, 0, w, h}, skin::kAccent, 0xFFFFFFFF);

  // Keep the caret inside the box.
  const float inner = w - 2 * kInset;
  const float caret = TextWidth(canvas, std::u16string_view(m_strText).substr(0, m_nCaret), m_font);
  if (caret - m_fScroll > inner - 1) m_fScroll = caret - inner + 1;
  if (caret < m_fScroll) m_fScroll = caret;

  const float margin = m_font.pixelSize() / 6;
  canvas.PushClip({kInset, 1, inner, h - 2});
  const float top = (h - m_font.pixelSize() * 1.2f) / 2;
  canvas.DrawText(m_strText, m_font, {kInset - m_fScroll - margin, top, 1e7f, h}, skin::kText);
  canvas.FillRect({kInset + caret - m_fScroll, 3, 1, h - 6}, skin::kText);
  canvas.PopClip();
}

LRESULT CCMEdit::WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>&) {
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_SETCURSOR:
      SetCursor(Cursor::kIBeam);
      return 1;
    case WM_CHAR:
      if (m_bEditing) OnChar(static_cast<char16_t>(wParam));
      return 0;
    case WM_KEYDOWN:
      if (m_bEditing) OnKeyDown(static_cast<UINT>(wParam));
      return 0;
    case WM_LBUTTONDOWN: {
      // The caret goes to the character boundary nearest the click.
      gfx::Bitmap scratch(1, 1);
      gfx::Canvas measure(scratch);
      const float x = GET_X_LPARAM(lParam) - kInset + m_fScroll;
      size_t best = 0;
      for (size_t at = 0; at <= m_strText.size(); at = Next(at)) {
        const auto width = [&](size_t n) { return TextWidth(measure, std::u16string_view(m_strText).substr(0, n), m_font); };
        if (std::abs(width(at) - x) < std::abs(width(best) - x)) best = at;
        if (at == m_strText.size()) break;
      }
      m_nCaret = best;
      InvalidateRect(hwnd());
      return 0;
    }
    case WM_KILLFOCUS:
      End(EN_COMMIT);
      return 0;
  }
  return 0;
}
