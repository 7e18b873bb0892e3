// Windows with a surface, headless: geometry, scroll bar, painting, input routing, drops and the
// clipboard.

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/win/Clipboard.h"
#include "platform/win/Input.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/PaintDC.h"
#include "platform/win/Surface.h"
#include "platform/win/SyntheticInput.h"
#include "platform/win/Window.h"

using namespace std::chrono_literals;
using namespace platform;

namespace {

struct Received {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Paints its client area in one colour and records what it receives.
class Panel : public Window {
 public:
  explicit Panel(gfx::Color colour = 0xFF336699) : colour(colour) {}
  ~Panel() override { DestroyWindow(hwnd()); }

  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::unique_ptr<MessagePayload>& payload) override {
    received.push_back({message, wParam, lParam});
    switch (message) {
      case WM_PAINT: {
        PaintDC dc(hwnd());
        paints.push_back(dc.rcPaint());
        dc.canvas().FillRect({-1000, -1000, 4000, 4000}, colour);
        return 0;
      }
      case WM_SETCURSOR:
        if (cursor) SetCursor(*cursor);
        return cursor ? 1 : 0;
      case WM_DROPFILES:
        dropped = std::move(static_cast<DropFiles&>(*payload).files);
        return 0;
    }
    return 0;
  }

  std::vector<UINT> Messages(UINT only) const {
    std::vector<UINT> found;
    for (const Received& r : received) {
      if (r.message == only) found.push_back(r.message);
    }
    return found;
  }
  const Received* Last(UINT message) const {
    for (auto it = received.rbegin(); it != received.rend(); ++it) {
      if (it->message == message) return &*it;
    }
    return nullptr;
  }
  std::vector<UINT> Sequence() const {
    std::vector<UINT> sequence;
    for (const Received& r : received) sequence.push_back(r.message);
    return sequence;
  }

  gfx::Color colour;
  std::vector<Received> received;
  std::vector<RECT> paints;
  std::optional<Cursor> cursor;
  std::vector<std::u16string> dropped;
};

// Runs the loop until the windows have no paint left to do.
void Settle() {
  Message message;
  while (PeekMessage(message)) DispatchMessage(message);
}

}  // namespace

TEST(SurfaceTest, ClientAreaExcludesTheScrollBarWhileItShows) {
  Panel top;
  ASSERT_TRUE(top.Create(nullptr, RECT{100, 50, 500, 350}, WS_VISIBLE | WS_VSCROLL, u"top"));
  const Received* size = top.Last(WM_SIZE);
  ASSERT_NE(size, nullptr);
  const int bar = GetSystemMetrics(SM_CXVSCROLL);
  EXPECT_EQ(GET_X_LPARAM(size->lParam), 400 - bar);  // a new scroll bar has a range to scroll
  EXPECT_EQ(GET_Y_LPARAM(size->lParam), 300);

  // A page covering the whole range hides the bar and widens the client area ...
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE;
  info.nMax = 199;
  info.nPage = 300;
  SetScrollInfo(top.hwnd(), SB_VERT, info);
  RECT client;
  ASSERT_TRUE(GetClientRect(top.hwnd(), &client));
  EXPECT_EQ(client.right, 400);
  EXPECT_EQ(GET_X_LPARAM(top.Last(WM_SIZE)->lParam), 400);
  // ... unless the window asks to keep it, disabled.
  info.fMask |= SIF_DISABLENOSCROLL;
  SetScrollInfo(top.hwnd(), SB_VERT, info);
  GetClientRect(top.hwnd(), &client);
  EXPECT_EQ(client.right, 400 - bar);

  // The position stays inside nMin .. nMax - nPage + 1.
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMax = 999;
  info.nPage = 300;
  info.nPos = 5000;
  EXPECT_EQ(SetScrollInfo(top.hwnd(), SB_VERT, info), 700);
  info.fMask = SIF_POS;
  info.nPos = -5;
  EXPECT_EQ(SetScrollInfo(top.hwnd(), SB_VERT, info), 0);

  RECT window;
  ASSERT_TRUE(GetWindowRect(top.hwnd(), &window));
  EXPECT_EQ(window.left, 100);
  EXPECT_EQ(window.bottom, 350);
}

TEST(SurfaceTest, ChildGeometryIsRelativeToTheParentsClientArea) {
  Panel top, child;
  ASSERT_TRUE(top.Create(nullptr, RECT{100, 50, 500, 350}, WS_VISIBLE));
  ASSERT_TRUE(child.Create(top.hwnd(), RECT{10, 20, 110, 70}, WS_CHILD | WS_VISIBLE));
  POINT p{5, 5};
  ASSERT_TRUE(ClientToScreen(child.hwnd(), &p));
  EXPECT_EQ(p.x, 115);
  EXPECT_EQ(p.y, 75);
  ASSERT_TRUE(ScreenToClient(top.hwnd(), &p));
  EXPECT_EQ(p.x, 15);
  EXPECT_EQ(p.y, 25);

  ASSERT_TRUE(MoveWindow(child.hwnd(), 0, 0, 50, 40));
  EXPECT_EQ(GET_X_LPARAM(child.Last(WM_SIZE)->lParam), 50);
  EXPECT_TRUE(ShowWindow(top.hwnd(), SW_HIDE));  // it was visible
  EXPECT_FALSE(IsWindowVisible(child.hwnd()));  // a hidden parent hides its children

  Panel orphan;
  EXPECT_FALSE(orphan.Create(nullptr, RECT{0, 0, 10, 10}, WS_CHILD));  // a child needs a parent
  Panel messageOnly;
  ASSERT_TRUE(messageOnly.Create());
  RECT none;
  EXPECT_FALSE(GetClientRect(messageOnly.hwnd(), &none));
  EXPECT_FALSE(InvalidateRect(messageOnly.hwnd()));
}

TEST(SurfaceTest, InvalidationsFromAnyThreadCollectIntoOnePaintOfTheirUnion) {
  Panel top;
  ASSERT_TRUE(top.Create(nullptr, RECT{0, 0, 200, 100}, WS_VISIBLE));
  Settle();
  top.paints.clear();

  const HWND hwnd = top.hwnd();
  std::thread worker([hwnd] {
    RECT a{10, 10, 20, 20};
    RECT b{50, 40, 60, 300};  // reaches past the client area: clipped
    InvalidateRect(hwnd, &a);
    InvalidateRect(hwnd, &b);
  });
  worker.join();
  Settle();
  ASSERT_EQ(top.paints.size(), 1u);
  EXPECT_EQ(top.paints[0], (RECT{10, 10, 60, 100}));

  // A hidden window is not painted; showing it paints all of it.
  ShowWindow(hwnd, SW_HIDE);
  InvalidateRect(hwnd);
  Settle();
  EXPECT_EQ(top.paints.size(), 1u);
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  ASSERT_EQ(top.paints.size(), 2u);
  EXPECT_EQ(top.paints[1], (RECT{0, 0, 200, 100}));
}

TEST(SurfaceTest, PaintingIsClippedToTheUpdateAreaAndCaptureComposesVisibleChildren) {
  Panel top(0xFFFF0000), shown(0xFF00FF00), hidden(0xFF0000FF);
  ASSERT_TRUE(top.Create(nullptr, RECT{0, 0, 100, 80}, WS_VISIBLE));
  ASSERT_TRUE(shown.Create(top.hwnd(), RECT{10, 10, 30, 30}, WS_CHILD | WS_VISIBLE));
  ASSERT_TRUE(hidden.Create(top.hwnd(), RECT{50, 10, 70, 30}, WS_CHILD));
  gfx::Bitmap shot;
  ASSERT_TRUE(CaptureWindow(top.hwnd(), &shot));
  ASSERT_EQ(shot.width(), 100);
  EXPECT_EQ(shot.at(0, 0), 0xFFFF0000u);
  EXPECT_EQ(shot.at(15, 15), 0xFF00FF00u);
  EXPECT_EQ(shot.at(60, 15), 0xFFFF0000u);

  top.colour = 0xFF000000;
  RECT corner{90, 70, 100, 80};
  InvalidateRect(top.hwnd(), &corner);
  ASSERT_TRUE(CaptureWindow(top.hwnd(), &shot));
  EXPECT_EQ(shot.at(95, 75), 0xFF000000u);
  EXPECT_EQ(shot.at(85, 75), 0xFFFF0000u);  // outside the update area: untouched
}

TEST(SurfaceTest, MouseInputFollowsCaptureHoverAndCursorRules) {
  Panel top, child;
  ASSERT_TRUE(top.Create(nullptr, RECT{100, 100, 300, 300}, WS_VISIBLE));
  ASSERT_TRUE(child.Create(top.hwnd(), RECT{20, 20, 60, 60}, WS_CHILD | WS_VISIBLE));

  // WM_SETCURSOR comes before each move; an unanswered one shows the arrow.
  child.cursor = Cursor::kHand;
  SendMouseInput(child.hwnd(), WM_MOUSEMOVE, 5, 6, 0);
  EXPECT_EQ(child.Sequence().back(), WM_MOUSEMOVE);
  EXPECT_EQ(child.received[child.received.size() - 2].message, WM_SETCURSOR);

  // Moving from the child to its parent: the child is told it was left.
  SendMouseInput(top.hwnd(), WM_MOUSEMOVE, 5, 5, 0);
  EXPECT_EQ(child.Messages(WM_MOUSELEAVE).size(), 1u);

  // With the capture, the child gets the parent's mouse messages in its own coordinates.
  SetCapture(child.hwnd());
  SendMouseInput(top.hwnd(), WM_LBUTTONUP, 10, 15, MK_SHIFT);
  const Received* up = child.Last(WM_LBUTTONUP);
  ASSERT_NE(up, nullptr);
  EXPECT_EQ(GET_X_LPARAM(up->lParam), -10);
  EXPECT_EQ(GET_Y_LPARAM(up->lParam), -5);
  EXPECT_TRUE(GetKeyState(VK_SHIFT) < 0);
  EXPECT_EQ(top.Last(WM_LBUTTONUP), nullptr);
  ReleaseCapture();
  EXPECT_NE(child.Last(WM_CAPTURECHANGED), nullptr);
  POINT pointer;
  GetCursorPos(&pointer);
  EXPECT_EQ(pointer.x, 110);
  EXPECT_EQ(pointer.y, 115);

  // A disabled window takes no input.
  EnableWindow(child.hwnd(), false);
  SendMouseInput(child.hwnd(), WM_LBUTTONDOWN, 1, 1, MK_LBUTTON);
  EXPECT_EQ(child.Last(WM_LBUTTONDOWN), nullptr);

  // The wheel goes to the nearest window with a scroll bar.
  Panel list, item;
  ASSERT_TRUE(list.Create(top.hwnd(), RECT{100, 0, 200, 200}, WS_CHILD | WS_VISIBLE | WS_VSCROLL));
  ASSERT_TRUE(item.Create(list.hwnd(), RECT{0, 0, 20, 20}, WS_CHILD | WS_VISIBLE));
  SendWheelInput(item.hwnd(), 3, 3, -WHEEL_DELTA);
  const Received* wheel = list.Last(WM_MOUSEWHEEL);
  ASSERT_NE(wheel, nullptr);
  EXPECT_EQ(static_cast<int16_t>(HIWORD(wheel->wParam)), -WHEEL_DELTA);
  EXPECT_EQ(item.Last(WM_MOUSEWHEEL), nullptr);
}

TEST(SurfaceTest, KeysGoToTheFocusWindowAndFocusChangesAreAnnounced) {
  Panel a, b;
  ASSERT_TRUE(a.Create(nullptr, RECT{0, 0, 10, 10}, WS_VISIBLE));
  ASSERT_TRUE(b.Create(nullptr, RECT{0, 0, 10, 10}, WS_VISIBLE));
  SendKeyInput(VK_DELETE, true);  // no focus window: nobody gets it
  EXPECT_EQ(a.Last(WM_KEYDOWN), nullptr);

  SetFocus(a.hwnd());
  SendKeyInput(VK_CONTROL, true);
  SendKeyInput('V', true);
  SendTextInput(u"字");
  EXPECT_TRUE(GetKeyState(VK_CONTROL) < 0);
  ASSERT_NE(a.Last(WM_KEYDOWN), nullptr);
  EXPECT_EQ(a.Last(WM_KEYDOWN)->wParam, WPARAM{'V'});
  EXPECT_EQ(a.Last(WM_CHAR)->wParam, WPARAM{u'字'});
  SendKeyInput(VK_CONTROL, false);
  EXPECT_FALSE(GetKeyState(VK_CONTROL) < 0);

  EXPECT_EQ(SetFocus(b.hwnd()), a.hwnd());
  EXPECT_EQ(a.Last(WM_KILLFOCUS)->wParam, reinterpret_cast<WPARAM>(b.hwnd()));
  EXPECT_EQ(b.Last(WM_SETFOCUS)->wParam, reinterpret_cast<WPARAM>(a.hwnd()));
  DestroyWindow(b.hwnd());
  EXPECT_EQ(GetFocus(), nullptr);  // a window that goes takes the focus with it
}

TEST(SurfaceTest, DroppedFilesReachOnlyWindowsThatTakeThem) {
  Panel top;
  ASSERT_TRUE(top.Create(nullptr, RECT{0, 0, 100, 100}, WS_VISIBLE));
  EXPECT_FALSE(SendDropFilesInput(top.hwnd(), {u"/tmp/a.jpg"}, 5, 5));
  ASSERT_TRUE(DragAcceptFiles(top.hwnd(), true));
  EXPECT_TRUE(SendDropFilesInput(top.hwnd(), {u"/tmp/a.jpg", u"/tmp/b.png"}, 5, 5));
  EXPECT_EQ(top.dropped, (std::vector<std::u16string>{u"/tmp/a.jpg", u"/tmp/b.png"}));
}

TEST(SurfaceTest, HeadlessClipboardHoldsOneThingAtATime) {
  ASSERT_TRUE(SetClipboardFiles({u"/photos/1.jpg", u"/photos/2.jpg"}));
  std::vector<std::u16string> files;
  gfx::Bitmap image;
  EXPECT_FALSE(GetClipboardImage(&image));
  ASSERT_TRUE(GetClipboardFiles(&files));
  EXPECT_EQ(files.size(), 2u);

  ASSERT_TRUE(SetClipboardImage(gfx::Bitmap(3, 2, 0xFF123456)));
  EXPECT_FALSE(GetClipboardFiles(&files));
  ASSERT_TRUE(GetClipboardImage(&image));
  EXPECT_EQ(image.at(2, 1), 0xFF123456u);
  SetClipboardText(u"text");
  EXPECT_FALSE(GetClipboardImage(&image));
}

TEST(SurfaceTest, ANestedLoopInsideAHandlerKeepsOtherWindowsPainting) {
  Panel top, other;
  ASSERT_TRUE(top.Create(nullptr, RECT{0, 0, 50, 50}, WS_VISIBLE));
  ASSERT_TRUE(other.Create(nullptr, RECT{0, 0, 50, 50}, WS_VISIBLE));
  Settle();
  other.paints.clear();
  // A modal wait inside a message handler, as a message box runs one.
  class Modal : public Window {
   public:
    explicit Modal(Panel& watched) : watched(watched) {}
    ~Modal() override { DestroyWindow(hwnd()); }
    LRESULT WndProc(UINT message, WPARAM, LPARAM, std::unique_ptr<MessagePayload>&) override {
      if (message == WM_USER) {
        InvalidateRect(watched.hwnd());
        painted = RunUntil([&] { return !watched.paints.empty(); }, 5s);
      }
      return 0;
    }
    Panel& watched;
    bool painted = false;
  } modal(other);
  ASSERT_TRUE(modal.Create());
  PostMessage(modal.hwnd(), WM_USER);
  Settle();
  EXPECT_TRUE(modal.painted);
}
