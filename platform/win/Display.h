#pragma once
// The display: GTK on an X or Wayland display. The thread that opens it becomes the display
// thread: its windows appear on the screen, its message queue runs inside the GTK main loop, and
// GTK's own loops (a dialog, a clipboard read) keep handling its messages. Every other thread,
// and every thread of a process without a display, is headless (Surface.h).

namespace platform {

// Opens the display of the environment ($DISPLAY, $WAYLAND_DISPLAY) with GTK on the calling
// thread. True when it is open (also when this thread opened it before, or when the host program
// initialised GTK on it); false without a display or when another thread is the display thread.
bool InitDisplay();
// True on the display thread.
bool IsDisplayThread();

// Makes the calling thread's message queue a part of the GLib main loop that the thread is
// running (it owns the default main context), as the display thread's queue is: a host that runs
// GLib without a display (the page host) then has its windows' messages handled by its own loop.
// True when the queue is part of the loop (also when it was before); false when the thread does
// not run it.
bool JoinRunningMainLoop();

}  // namespace platform
