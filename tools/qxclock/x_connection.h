// x_connection.h - the connection to the X server, and what goes wrong on it.
#ifndef QXCLOCK_X_CONNECTION_H
#define QXCLOCK_X_CONNECTION_H

// Before Xlib, whose macro Status (for int) would otherwise rename quillkit's.
#include "result.h"

#include <X11/Xlib.h>

#include <memory>
#include <string>

#include "options.h"

namespace qxclock {

// The connection to one display, closed when it goes.
//
// X errors do not end the program inside Xlib: the first one is kept, and
// the main loop asks for it with take_error() and ends cleanly. Losing the
// connection (the server went away) cannot be recovered from: Xlib's I/O
// error handler prints one line and ends the process with status 1.
class XConnection {
public:
    // Opens the display `name` (empty: $DISPLAY); fails with "cannot open
    // display 'NAME'", the name as Xlib resolves it.
    static quillkit::Result<std::unique_ptr<XConnection>> open(const std::string &name);
    ~XConnection();
    XConnection(const XConnection &) = delete;
    XConnection &operator=(const XConnection &) = delete;

    Display *get() const { return display_; }

    // Fails with the first X error since the last call, in one line; ok if
    // none came.
    quillkit::Result<void> take_error();

    // Whether a compositing manager runs on `screen`: it owns the selection
    // _NET_WM_CM_S<screen> while it does.
    bool compositor_running(int screen) const;

    // Asks for an event each time the compositing manager of `screen` starts
    // or stops (XFixes); false where the server cannot tell.
    bool watch_compositor(int screen);
    // Whether `event` is one of those.
    bool is_compositor_change(const XEvent &event) const;

    // Looks up an X colour name (or any form XParseColor takes); fails with
    // "unknown colour 'COLOUR'".
    quillkit::Result<Rgb> lookup_colour(Colormap colormap, const std::string &colour) const;

private:
    explicit XConnection(Display *display) : display_(display) {}

    Display *display_;
    int fixes_event_base_ = -1;
};

}  // namespace qxclock

#endif  // QXCLOCK_X_CONNECTION_H
