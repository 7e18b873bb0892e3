// Input from the display: GTK events of a surface's widgets become the layer's input (InputRouter.h).

#include <gdk/gdkkeysyms.h>

#include "platform/CodePage.h"
#include "platform/win/GtkLoop.h"
#include "platform/win/GtkSurface.h"
#include "platform/win/InputRouter.h"
#include "platform/win/MessageLoop.h"

namespace platform::detail {

namespace {

WPARAM KeyFlags(guint state) {
  WPARAM keys = 0;
  if (state & GDK_SHIFT_MASK) keys |= MK_SHIFT;
  if (state & GDK_CONTROL_MASK) keys |= MK_CONTROL;
  if (state & GDK_BUTTON1_MASK) keys |= MK_LBUTTON;
  if (state & GDK_BUTTON2_MASK) keys |= MK_MBUTTON;
  if (state & GDK_BUTTON3_MASK) keys |= MK_RBUTTON;
  return keys;
}

WPARAM ButtonFlag(guint button) {
  switch (button) {
    case 1: return MK_LBUTTON;
    case 2: return MK_MBUTTON;
    case 3: return MK_RBUTTON;
  }
  return 0;
}

POINT EventPoint(double x, double y) { return POINT{static_cast<int32_t>(x), static_cast<int32_t>(y)}; }

gboolean ButtonPressed(GtkWidget*, GdkEventButton* event, gpointer data) {
  const bool left = event->button == 1;
  if ((!left && event->button != 3) || event->type == GDK_3BUTTON_PRESS) return TRUE;
  UINT message = left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN;
  if (event->type == GDK_2BUTTON_PRESS) {
    if (!left) return TRUE;
    message = WM_LBUTTONDBLCLK;
  }
  DirectDispatch direct;
  RouteMouse(static_cast<GtkSurface*>(data)->hwnd, message, EventPoint(event->x, event->y),
             KeyFlags(event->state) | ButtonFlag(event->button));
  return TRUE;
}

gboolean ButtonReleased(GtkWidget*, GdkEventButton* event, gpointer data) {
  if (event->button != 1 && event->button != 3) return TRUE;
  DirectDispatch direct;
  RouteMouse(static_cast<GtkSurface*>(data)->hwnd, event->button == 1 ? WM_LBUTTONUP : WM_RBUTTONUP,
             EventPoint(event->x, event->y), KeyFlags(event->state) & ~ButtonFlag(event->button));
  return TRUE;
}

gboolean PointerMoved(GtkWidget*, GdkEventMotion* event, gpointer data) {
  DirectDispatch direct;
  RouteMouse(static_cast<GtkSurface*>(data)->hwnd, WM_MOUSEMOVE, EventPoint(event->x, event->y), KeyFlags(event->state));
  return TRUE;
}

gboolean WheelTurned(GtkWidget*, GdkEventScroll* event, gpointer data) {
  int delta = 0;
  if (event->direction == GDK_SCROLL_UP) delta = WHEEL_DELTA;
  if (event->direction == GDK_SCROLL_DOWN) delta = -WHEEL_DELTA;
  if (event->direction == GDK_SCROLL_SMOOTH && event->delta_y != 0) delta = static_cast<int>(-event->delta_y * WHEEL_DELTA);
  if (delta == 0) return TRUE;
  DirectDispatch direct;
  RouteWheel(static_cast<GtkSurface*>(data)->hwnd, EventPoint(event->x, event->y), delta, KeyFlags(event->state));
  return TRUE;
}

gboolean PointerLeft(GtkWidget*, GdkEventCrossing* event, gpointer) {
  // Moving into a child widget of the window is not leaving it.
  if (event->detail == GDK_NOTIFY_INFERIOR) return FALSE;
  DirectDispatch direct;
  RoutePointerLeft();
  return FALSE;
}

// The VK_ code of a key, 0 for keys the layer does not name.
UINT KeyCode(guint keyval) {
  if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return 'A' + (keyval - GDK_KEY_a);
  if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return 'A' + (keyval - GDK_KEY_A);
  if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return '0' + (keyval - GDK_KEY_0);
  switch (keyval) {
    case GDK_KEY_BackSpace: return VK_BACK;
    case GDK_KEY_Tab: case GDK_KEY_ISO_Left_Tab: return VK_TAB;
    case GDK_KEY_Return: case GDK_KEY_KP_Enter: return VK_RETURN;
    case GDK_KEY_Shift_L: case GDK_KEY_Shift_R: return VK_SHIFT;
    case GDK_KEY_Control_L: case GDK_KEY_Control_R: return VK_CONTROL;
    case GDK_KEY_Alt_L: case GDK_KEY_Alt_R: return VK_MENU;
    case GDK_KEY_Escape: return VK_ESCAPE;
    case GDK_KEY_space: return VK_SPACE;
    case GDK_KEY_Page_Up: return VK_PRIOR;
    case GDK_KEY_Page_Down: return VK_NEXT;
    case GDK_KEY_End: return VK_END;
    case GDK_KEY_Home: return VK_HOME;
    case GDK_KEY_Left: return VK_LEFT;
    case GDK_KEY_Up: return VK_UP;
    case GDK_KEY_Right: return VK_RIGHT;
    case GDK_KEY_Down: return VK_DOWN;
    case GDK_KEY_Delete: case GDK_KEY_KP_Delete: return VK_DELETE;
  }
  return 0;
}

// Keys that type a control character rather than text.
char16_t ControlCharacter(UINT vk) {
  switch (vk) {
    case VK_BACK: return 0x08;
    case VK_TAB: return 0x09;
    case VK_RETURN: return 0x0D;
    case VK_ESCAPE: return 0x1B;
  }
  return 0;
}

gboolean KeyChanged(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* native = static_cast<GtkSurface*>(data);
  const bool down = event->type == GDK_KEY_PRESS;
  DirectDispatch direct;
  SetModifiers(event->state & GDK_SHIFT_MASK, event->state & GDK_CONTROL_MASK);
  const UINT vk = KeyCode(event->keyval);
  if (vk) RouteKey(vk, down, native->hwnd);
  // Typed text comes through the input method (its commit signal); control keys do not.
  const bool typed = native->im && gtk_im_context_filter_keypress(native->im, event);
  if (!typed && down && ControlCharacter(vk)) RouteChar(ControlCharacter(vk), native->hwnd);
  return TRUE;
}

void TextCommitted(GtkIMContext*, gchar* text, gpointer data) {
  DirectDispatch direct;
  for (char16_t unit : FromUtf8(text)) RouteChar(unit, static_cast<GtkSurface*>(data)->hwnd);
}

void WindowRealized(GtkWidget* window, gpointer data) {
  auto* native = static_cast<GtkSurface*>(data);
  gtk_im_context_set_client_window(native->im, gtk_widget_get_window(window));
}

gboolean FocusChanged(GtkWidget*, GdkEventFocus* event, gpointer data) {
  auto* native = static_cast<GtkSurface*>(data);
  if (event->in) gtk_im_context_focus_in(native->im);
  else gtk_im_context_focus_out(native->im);
  return FALSE;
}

int ScrollCode(GtkScrollType scroll) {
  switch (scroll) {
    case GTK_SCROLL_STEP_BACKWARD: case GTK_SCROLL_STEP_UP: return SB_LINEUP;
    case GTK_SCROLL_STEP_FORWARD: case GTK_SCROLL_STEP_DOWN: return SB_LINEDOWN;
    case GTK_SCROLL_PAGE_BACKWARD: case GTK_SCROLL_PAGE_UP: return SB_PAGEUP;
    case GTK_SCROLL_PAGE_FORWARD: case GTK_SCROLL_PAGE_DOWN: return SB_PAGEDOWN;
    case GTK_SCROLL_START: return SB_TOP;
    case GTK_SCROLL_END: return SB_BOTTOM;
    default: return SB_THUMBTRACK;
  }
}

// The user works the scroll bar: the window is asked (WM_VSCROLL) and moves it itself.
gboolean ScrollRequested(GtkRange*, GtkScrollType scroll, gdouble value, gpointer data) {
  auto* native = static_cast<GtkSurface*>(data);
  if (native->settingScrollBar) return FALSE;
  DirectDispatch direct;
  const int position = static_cast<int>(std::clamp(value, -32768.0, 32767.0));
  SendMessage(native->hwnd, WM_VSCROLL, MAKEWPARAM(ScrollCode(scroll), position));
  return TRUE;
}

void FilesDropped(GtkWidget*, GdkDragContext*, gint x, gint y, GtkSelectionData* selection, guint, guint,
                  gpointer data) {
  gchar** uris = gtk_selection_data_get_uris(selection);
  if (!uris) return;
  std::vector<std::u16string> files = FilesFromUris(uris);
  g_strfreev(uris);
  if (files.empty()) return;
  DirectDispatch direct;
  RouteDrop(static_cast<GtkSurface*>(data)->hwnd, std::move(files), POINT{x, y});
}

}  // namespace

void ConnectInput(GtkSurface& native) {
  gtk_widget_add_events(native.layout, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK |
                                           GDK_SCROLL_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_ENTER_NOTIFY_MASK);
  g_signal_connect(native.layout, "button-press-event", G_CALLBACK(ButtonPressed), &native);
  g_signal_connect(native.layout, "button-release-event", G_CALLBACK(ButtonReleased), &native);
  g_signal_connect(native.layout, "motion-notify-event", G_CALLBACK(PointerMoved), &native);
  g_signal_connect(native.layout, "scroll-event", G_CALLBACK(WheelTurned), &native);
  if (native.scrollBar) g_signal_connect(native.scrollBar, "change-value", G_CALLBACK(ScrollRequested), &native);
  if (!native.window) return;
  gtk_widget_add_events(native.window, GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK | GDK_LEAVE_NOTIFY_MASK |
                                           GDK_FOCUS_CHANGE_MASK);
  g_signal_connect(native.window, "key-press-event", G_CALLBACK(KeyChanged), &native);
  g_signal_connect(native.window, "key-release-event", G_CALLBACK(KeyChanged), &native);
  g_signal_connect(native.window, "leave-notify-event", G_CALLBACK(PointerLeft), &native);
  g_signal_connect(native.window, "focus-in-event", G_CALLBACK(FocusChanged), &native);
  g_signal_connect(native.window, "focus-out-event", G_CALLBACK(FocusChanged), &native);
  native.im = gtk_im_multicontext_new();
  g_signal_connect(native.im, "commit", G_CALLBACK(TextCommitted), &native);
  g_signal_connect(native.window, "realize", G_CALLBACK(WindowRealized), &native);
}

void SetDropTarget(GtkSurface& native, bool accept) {
  if (!accept) {
    gtk_drag_dest_unset(native.layout);
    return;
  }
  gtk_drag_dest_set(native.layout, GTK_DEST_DEFAULT_ALL, nullptr, 0, static_cast<GdkDragAction>(GDK_ACTION_COPY | GDK_ACTION_MOVE));
  gtk_drag_dest_add_uri_targets(native.layout);
  if (!native.dropSignal) {
    g_signal_connect(native.layout, "drag-data-received", G_CALLBACK(FilesDropped), &native);
    native.dropSignal = true;
  }
}

}  // namespace platform::detail
