// window.cpp - the clock in an X11 window.
//
// One thread, one loop: poll() waits on the X connection and on a signalfd
// for SIGINT/SIGTERM, with a timeout that ends on the next frame boundary of
// the wall clock. Frames are drawn by ClockFrame, which keeps the face in a
// surface of the window's size and draws only the hands anew.
#include "window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo-xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>

#include "frame.h"
#include "frame_clock.h"
#include "visualpick.h"

namespace qxclock {

namespace {

// With the second hand shown the clock moves smoothly; without it one frame
// a second is enough (the minute hand moves 0.1 degrees a second).
constexpr int frames_per_second_smooth = 30;
constexpr int frames_per_second_plain = 1;

constexpr const char *window_name = "qxclock";
constexpr const char *class_name = "Qxclock";

std::int64_t now_microseconds(timeval &tv)
{
    gettimeofday(&tv, nullptr);
    return static_cast<std::int64_t>(tv.tv_sec) * microseconds_per_second + tv.tv_usec;
}

// SIGINT and SIGTERM are blocked and read from a file descriptor instead, so
// the loop sees them like any other input and no handler runs at all.
int open_signal_fd()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0)
        return -1;
    return signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

// Whether a compositing manager runs on screen `scr`: it owns the selection
// _NET_WM_CM_S<scr> while it runs.
bool compositor_running(Display *dpy, int scr)
{
    std::string name = "_NET_WM_CM_S" + std::to_string(scr);
    Atom selection = XInternAtom(dpy, name.c_str(), False);
    return XGetSelectionOwner(dpy, selection) != None;
}

// The window and what it was made with.
struct ClockWindow {
    Window id = None;
    Visual *visual = nullptr;
    Colormap colormap = None;  // our own, for the 32-bit visual; None otherwise
    bool translucent = false;
};

ClockWindow create_window(Display *dpy, int scr, int size)
{
    ClockWindow w;
    Window root = RootWindow(dpy, scr);
    XSetWindowAttributes attrs{};
    attrs.event_mask = ExposureMask | StructureNotifyMask;
    // A window whose depth differs from its parent's needs a colormap of its
    // visual and a border pixel, or the server refuses it (BadMatch).
    attrs.border_pixel = 0;
    int depth;
    if (Visual *argb = find_argb_visual(dpy, scr)) {
        w.visual = argb;
        w.translucent = true;
        w.colormap = XCreateColormap(dpy, root, argb, AllocNone);
        attrs.colormap = w.colormap;
        attrs.background_pixel = 0;  // fully transparent
        depth = 32;
    } else {
        w.visual = DefaultVisual(dpy, scr);
        attrs.colormap = DefaultColormap(dpy, scr);
        attrs.background_pixel = WhitePixel(dpy, scr);
        depth = DefaultDepth(dpy, scr);
    }
    w.id = XCreateWindow(dpy, root, 0, 0, static_cast<unsigned>(size), static_cast<unsigned>(size),
                         0, depth, InputOutput, w.visual,
                         CWEventMask | CWBorderPixel | CWColormap | CWBackPixel, &attrs);

    XStoreName(dpy, w.id, window_name);
    XClassHint hint{};
    std::string res_name = window_name, res_class = class_name;
    hint.res_name = res_name.data();
    hint.res_class = res_class.data();
    XSetClassHint(dpy, w.id, &hint);
    return w;
}

// What the loop has to do after a batch of X events.
struct Pending {
    bool draw = false;  // exposed or resized: draw now, not at the next boundary
    bool quit = false;  // closed by the window manager
};

void handle_event(const XEvent &ev, cairo_surface_t *surface, Atom wm_protocols, Atom wm_delete,
                  int &width, int &height, bool &mapped, Pending &pending)
{
    switch (ev.type) {
    case Expose:
        if (ev.xexpose.count == 0)
            pending.draw = true;
        break;
    case ConfigureNotify:
        if (ev.xconfigure.width != width || ev.xconfigure.height != height) {
            width = ev.xconfigure.width;
            height = ev.xconfigure.height;
            cairo_xlib_surface_set_size(surface, width, height);
            pending.draw = true;
        }
        break;
    case MapNotify:
        mapped = true;
        pending.draw = true;
        break;
    case UnmapNotify:
        mapped = false;
        break;
    case ClientMessage:
        if (ev.xclient.message_type == wm_protocols && ev.xclient.format == 32 &&
            static_cast<Atom>(ev.xclient.data.l[0]) == wm_delete)
            pending.quit = true;
        break;
    default:
        break;
    }
}

}  // namespace

int run_window(int size, bool seconds)
{
    // Before anything else, so that a Ctrl-C during start-up is read by the
    // loop too.
    int sig_fd = open_signal_fd();
    if (sig_fd < 0) {
        std::perror("qxclock: cannot watch for signals");
        return 1;
    }

    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "qxclock: cannot open display '%s'\n", XDisplayName(nullptr));
        close(sig_fd);
        return 1;
    }
    int scr = DefaultScreen(dpy);
    ClockWindow win = create_window(dpy, scr, size);
    if (!win.translucent)
        std::fprintf(stderr, "qxclock: the screen has no 32-bit visual with alpha; "
                             "using an opaque window\n");
    else if (!compositor_running(dpy, scr))
        std::fprintf(stderr, "qxclock: no compositing manager is running; "
                             "the window's transparent parts will show black\n");

    Atom wm_protocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
    Atom wm_delete = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(dpy, win.id, &wm_delete, 1);

    int width = size, height = size;
    cairo_surface_t *surface = cairo_xlib_surface_create(dpy, win.id, win.visual, width, height);
    XMapWindow(dpy, win.id);

    const int fps = seconds ? frames_per_second_smooth : frames_per_second_plain;
    int status = 0;
    {
        ClockFrame frame(!win.translucent);
        bool mapped = false;
        timeval tv;
        std::int64_t now = now_microseconds(tv);
        std::int64_t deadline = now + microseconds_to_next_frame(now, fps);
        for (;;) {
            Pending pending;
            while (XPending(dpy)) {
                XEvent ev;
                XNextEvent(dpy, &ev);
                handle_event(ev, surface, wm_protocols, wm_delete, width, height, mapped, pending);
            }
            if (pending.quit)
                break;

            now = now_microseconds(tv);
            // A wall clock set back leaves the deadline far ahead: start again.
            if (deadline - now > microseconds_per_second)
                deadline = now + microseconds_to_next_frame(now, fps);
            bool due = now >= deadline;
            if (mapped && (due || pending.draw)) {
                if (frame.draw(surface, width, height, tv, seconds) != CAIRO_STATUS_SUCCESS) {
                    std::fprintf(stderr, "qxclock: cannot draw the clock\n");
                    status = 1;
                    break;
                }
            }
            if (due)
                deadline = now + microseconds_to_next_frame(now, fps);
            XFlush(dpy);

            // Sleep until the next boundary (rounded up to a whole millisecond, so
            // never early) or until X or a signal has something; while unmapped
            // there is nothing to draw, so wait for events only.
            int timeout_ms = -1;
            if (mapped) {
                timeval after;
                std::int64_t left = deadline - now_microseconds(after);  // drawing took time
                timeout_ms = left > 0 ? static_cast<int>((left + 999) / 1000) : 0;
            }
            pollfd fds[2] = {{ConnectionNumber(dpy), POLLIN, 0}, {sig_fd, POLLIN, 0}};
            int n = poll(fds, 2, timeout_ms);
            if (n < 0 && errno != EINTR) {
                std::perror("qxclock: poll");
                status = 1;
                break;
            }
            if (n > 0 && (fds[1].revents & POLLIN)) {
                signalfd_siginfo info;
                if (read(sig_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
                    break;
            }
        }
    }  // the frame's surfaces go before the window's

    // Let cairo release what it holds on the connection before it closes.
    cairo_device_t *device = cairo_device_reference(cairo_surface_get_device(surface));
    cairo_surface_destroy(surface);
    cairo_device_finish(device);
    cairo_device_destroy(device);
    XDestroyWindow(dpy, win.id);
    if (win.colormap != None)
        XFreeColormap(dpy, win.colormap);
    XCloseDisplay(dpy);
    close(sig_fd);
    return status;
}

}  // namespace qxclock
