// window.h - the clock in an X11 window.
#ifndef QXCLOCK_WINDOW_H
#define QXCLOCK_WINDOW_H

namespace qxclock {

// Opens a size x size window on $DISPLAY and shows the clock in it until the
// window manager closes it or SIGINT or SIGTERM arrives. The window is
// translucent where the screen has a 32-bit visual with alpha, and opaque (with
// a message on stderr) where it has none. Returns the exit status: 0 after a
// clean close, 1 when the display cannot be used.
int run_window(int size, bool seconds);

}  // namespace qxclock

#endif  // QXCLOCK_WINDOW_H
