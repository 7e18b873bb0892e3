#pragma once
// Messages between threads and windows, and the message loop of a thread.
//
// Every thread that owns windows has a queue, made on first use and freed when the thread ends.
// - PostMessage (any thread) appends to the owner's queue, in FIFO order, and wakes the owner.
// - SendMessage calls the window procedure directly on the owner's thread. From another thread it
//   blocks until the owner has handled the message; while blocked the sender still handles
//   messages sent to its own windows, so two threads sending to each other do not deadlock. A send
//   to a window that is destroyed, or whose thread ends, before handling returns 0.
// - Sent messages are handled before posted ones, whenever the owner waits for messages.
// - Windows with a surface get WM_PAINT for their update area when no posted message waits
//   (Surface.h), before any timer.
// - Timers produce WM_TIMER when the queue has nothing else, at most one tick per timer per wait,
//   so a killed timer never delivers another tick.

#include <chrono>
#include <functional>
#include <optional>

#include "platform/win/Message.h"

namespace platform {

// False (and the payload freed) when `hwnd` is not a window or its thread has ended.
bool PostMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                 std::unique_ptr<MessagePayload> payload = nullptr);
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                    std::unique_ptr<MessagePayload> payload = nullptr);

// Ends the current thread's RunMessageLoop with `code` once the posted messages before it are handled.
void PostQuitMessage(int code);

// Waits for the next message of the calling thread (handling sent messages meanwhile). False for
// WM_QUIT, or when `timeout` ran out (then `message` is untouched).
bool GetMessage(Message& message, std::optional<std::chrono::milliseconds> timeout = std::nullopt);
// Handles sent messages and takes the next posted or timer message without waiting.
bool PeekMessage(Message& message);
LRESULT DispatchMessage(Message& message);
// Handles the messages that other threads have sent to the calling thread's windows and returns
// without waiting; posted messages stay queued. For a thread that must wait for work which may
// send to it.
void HandleSentMessages();

// Runs the loop until WM_QUIT and returns its code.
int RunMessageLoop();
// Runs the loop until `done` returns true (checked after every message, sent ones included) or the
// time-out runs out. Returns done(). For tests and nested modal loops. A WM_QUIT ends the loop
// too and is left for the loop outside this one.
bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
// The same without a time-out: a modal loop, which runs until `done` or a WM_QUIT.
bool RunUntil(const std::function<bool()>& done);

// A timer of a window of the calling thread; setting an existing id restarts it.
bool SetTimer(HWND hwnd, uintptr_t id, std::chrono::milliseconds interval);
bool KillTimer(HWND hwnd, uintptr_t id);

}  // namespace platform
