#pragma once
// Window messages: the numbers the layer itself uses and the message record.

#include "platform/win/Types.h"

namespace platform {

constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_TIMER = 0x0113;  // wParam: the timer id

struct Message {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::unique_ptr<MessagePayload> payload;
};

}  // namespace platform
