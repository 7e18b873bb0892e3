#include "platform/win/SyntheticInput.h"

#include "platform/win/InputRouter.h"

namespace platform {

void SendMouseInput(HWND hwnd, UINT message, int x, int y, WPARAM keys) {
  detail::RouteMouse(hwnd, message, POINT{x, y}, keys);
}

void SendWheelInput(HWND hwnd, int x, int y, int delta, WPARAM keys) {
  detail::RouteWheel(hwnd, POINT{x, y}, delta, keys);
}

void SendPointerLeftInput() { detail::RoutePointerLeft(); }

void SendKeyInput(UINT vk, bool down) { detail::RouteKey(vk, down, nullptr); }

void SendTextInput(std::u16string_view text) {
  for (char16_t unit : text) detail::RouteChar(unit, nullptr);
}

bool SendDropFilesInput(HWND hwnd, std::vector<std::u16string> files, int x, int y) {
  return detail::RouteDrop(hwnd, std::move(files), POINT{x, y});
}

}  // namespace platform
