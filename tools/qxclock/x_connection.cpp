// x_connection.cpp - the connection to the X server, and what goes wrong on it.
#include "x_connection.h"

#include <X11/extensions/Xfixes.h>
#include <unistd.h>

#include <cstdio>

namespace qxclock {

namespace {

// Xlib calls its error handler with the display and the error alone: what
// the handler learns can only be kept here. Only the main thread touches it,
// from Xlib's calls on that thread.
struct ErrorState {
    bool pending = false;  // an error is kept for take_error()
    XErrorEvent first{};   // the first one
};
ErrorState g_errors;

int on_x_error(Display *, XErrorEvent *event)
{
    if (!g_errors.pending) {
        g_errors.pending = true;
        g_errors.first = *event;
    }
    return 0;
}

int on_io_error(Display *)
{
    std::fputs("qxclock: lost the connection to the X server\n", stderr);
    std::fflush(stderr);
    // The objects on the stack hold nothing the kernel does not free.
    _exit(1);
}

}  // namespace

quillkit::Result<std::unique_ptr<XConnection>> XConnection::open(const std::string &name)
{
    const char *asked = name.empty() ? nullptr : name.c_str();
    XSetErrorHandler(on_x_error);
    XSetIOErrorHandler(on_io_error);
    Display *display = XOpenDisplay(asked);
    if (display == nullptr)
        return quillkit::fail(std::string("cannot open display '") + XDisplayName(asked) + "'");
    return std::unique_ptr<XConnection>(new XConnection(display));
}

XConnection::~XConnection()
{
    XCloseDisplay(display_);
}

quillkit::Result<void> XConnection::take_error()
{
    if (!g_errors.pending)
        return {};
    g_errors.pending = false;
    const XErrorEvent &e = g_errors.first;
    char text[256] = "";
    XGetErrorText(display_, e.error_code, text, sizeof text);
    char line[400];
    std::snprintf(line, sizeof line, "X error %s (request %d.%d, resource 0x%lx)", text,
                  e.request_code, e.minor_code, e.resourceid);
    return quillkit::fail(line);
}

namespace {

Atom compositor_selection(Display *display, int screen)
{
    const std::string selection = "_NET_WM_CM_S" + std::to_string(screen);
    return XInternAtom(display, selection.c_str(), False);
}

}  // namespace

bool XConnection::compositor_running(int screen) const
{
    return XGetSelectionOwner(display_, compositor_selection(display_, screen)) != None;
}

bool XConnection::watch_compositor(int screen)
{
    int error_base = 0;
    if (!XFixesQueryExtension(display_, &fixes_event_base_, &error_base)) {
        fixes_event_base_ = -1;
        return false;
    }
    XFixesSelectSelectionInput(
        display_, RootWindow(display_, screen), compositor_selection(display_, screen),
        XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask |
            XFixesSelectionClientCloseNotifyMask);
    return true;
}

bool XConnection::is_compositor_change(const XEvent &event) const
{
    return fixes_event_base_ >= 0 && event.type == fixes_event_base_ + XFixesSelectionNotify;
}

quillkit::Result<Rgb> XConnection::lookup_colour(Colormap colormap, const std::string &colour) const
{
    XColor exact{};
    if (!XParseColor(display_, colormap, colour.c_str(), &exact))
        return quillkit::fail("unknown colour '" + colour + "'");
    return Rgb{exact.red / 65535.0, exact.green / 65535.0, exact.blue / 65535.0};
}

}  // namespace qxclock
