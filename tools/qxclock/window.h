// window.h - the clock in an X11 window.
#ifndef QXCLOCK_WINDOW_H
#define QXCLOCK_WINDOW_H

#include "options.h"

namespace qxclock {

// Shows the clock in a window as `opts` ask until the window manager closes
// it or SIGINT or SIGTERM arrives. The window is translucent under a
// compositing manager (on a screen with a 32-bit visual with alpha); without
// one it is shaped like what is drawn (X Shape extension). With --background,
// or where neither can be had, its clear parts are opaque, and qxclock says
// once on stderr why when it chose so itself. argv is recorded as the
// window's WM_COMMAND. Returns the exit status: 0 after a clean close, 1 when
// the display cannot be used or is lost, or the window is destroyed by
// another client, 2 for an unknown colour name.
int run_window(const Options &opts, int argc, char **argv);

// The side of the largest area drawn: a window larger than this either way
// shows the clock in a kMaxDrawnSide wide (or high) part in its middle, and
// its background around it, so that a huge window costs no huge buffers.
constexpr int kMaxDrawnSide = 4096;

}  // namespace qxclock

#endif  // QXCLOCK_WINDOW_H
