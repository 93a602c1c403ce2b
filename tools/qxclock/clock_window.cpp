// clock_window.cpp - the clock's top-level window and what the window manager
// learns about it.
#include "clock_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "visualpick.h"
#include "window.h"

namespace qxclock {

namespace {

constexpr const char *kWindowName = "qxclock";
constexpr const char *kClassName = "Qxclock";

// The offset along one axis: from the far edge when `from_far_edge`.
int offset(std::optional<int> given, bool from_far_edge, int screen_extent, int window_extent)
{
    if (!given)
        return 0;
    return from_far_edge ? screen_extent - window_extent - *given : *given;
}

int gravity(bool from_right, bool from_bottom)
{
    if (from_right)
        return from_bottom ? SouthEastGravity : NorthEastGravity;
    return from_bottom ? SouthWestGravity : NorthWestGravity;
}

void set_cardinal(Display *display, Window window, const char *name, long value)
{
    XChangeProperty(display, window, XInternAtom(display, name, False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char *>(&value), 1);
}

void set_utf8(Display *display, Window window, const char *name, const std::string &value)
{
    XChangeProperty(display, window, XInternAtom(display, name, False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(value.data()),
                    static_cast<int>(value.size()));
}

}  // namespace

unsigned long opaque_pixel(const Rgb &rgb)
{
    auto channel = [](double v) {
        return static_cast<unsigned long>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    return 0xff000000UL | channel(rgb.red) << 16 | channel(rgb.green) << 8 | channel(rgb.blue);
}

Placement place_window(const Options &opts, int screen_width, int screen_height)
{
    const Geometry &g = opts.geometry;
    Placement p;
    p.width = g.width.value_or(opts.side());
    p.height = g.height.value_or(opts.side());
    p.user_size = g.width || g.height || opts.size;
    p.user_position = g.x || g.y;
    p.x = offset(g.x, g.x_from_right, screen_width, p.width);
    p.y = offset(g.y, g.y_from_bottom, screen_height, p.height);
    p.gravity = gravity(g.x_from_right, g.y_from_bottom);
    return p;
}

ClockWindow::ClockWindow(Display *display, int screen, const Placement &placement,
                         const std::optional<Rgb> &background)
    : display_(display)
{
    const Window root = RootWindow(display, screen);
    XSetWindowAttributes attrs{};
    attrs.event_mask = ExposureMask | StructureNotifyMask;
    // A window whose depth differs from its parent's needs a colormap of its
    // visual and a border pixel, or the server refuses it (BadMatch).
    attrs.border_pixel = 0;
    if (Visual *argb = find_argb_visual(display, screen)) {
        visual_ = argb;
        depth_ = 32;
        translucent_ = true;
        colormap_ = XCreateColormap(display, root, argb, AllocNone);
        attrs.colormap = colormap_;
    } else {
        visual_ = DefaultVisual(display, screen);
        depth_ = DefaultDepth(display, screen);
        attrs.colormap = DefaultColormap(display, screen);
    }
    attrs.background_pixel = background_pixel(background);
    id_ = XCreateWindow(display, root, placement.x, placement.y,
                        static_cast<unsigned>(placement.width),
                        static_cast<unsigned>(placement.height), 0, depth_, InputOutput, visual_,
                        CWEventMask | CWBorderPixel | CWColormap | CWBackPixel, &attrs);
    gc_ = XCreateGC(display, id_, 0, nullptr);
    wm_protocols_ = XInternAtom(display, "WM_PROTOCOLS", False);
    wm_delete_ = XInternAtom(display, "WM_DELETE_WINDOW", False);
}

unsigned long ClockWindow::background_pixel(const std::optional<Rgb> &background) const
{
    // 0 is transparent in a 32-bit visual; a 24-bit one has no alpha byte.
    const unsigned long depth_mask = depth_ == 32 ? 0xffffffffUL : 0xffffffUL;
    return background ? opaque_pixel(*background) & depth_mask : 0;
}

void ClockWindow::set_background(const std::optional<Rgb> &background)
{
    XSetWindowBackground(display_, id_, background_pixel(background));
}

void ClockWindow::set_no_background()
{
    XSetWindowBackgroundPixmap(display_, id_, None);
}

ClockWindow::~ClockWindow()
{
    if (gc_)
        XFreeGC(display_, gc_);
    if (id_ != None)
        XDestroyWindow(display_, id_);
    if (colormap_ != None)
        XFreeColormap(display_, colormap_);
}

void ClockWindow::set_properties(const Placement &placement, int argc, char **argv)
{
    XSizeHints *size = XAllocSizeHints();
    size->flags = PMinSize | PMaxSize | PWinGravity;
    size->flags |= placement.user_position ? USPosition : PPosition;
    size->flags |= placement.user_size ? USSize : PSize;
    size->x = placement.x;
    size->y = placement.y;
    size->width = placement.width;
    size->height = placement.height;
    size->min_width = std::min(kMinWindowSide, placement.width);
    size->min_height = std::min(kMinWindowSide, placement.height);
    // A window manager keeps a resize within the drawing cap (or the size asked
    // for, if larger), so that the X server never backs a huge window.
    size->max_width = std::max(kMaxDrawnSide, placement.width);
    size->max_height = std::max(kMaxDrawnSide, placement.height);
    size->win_gravity = placement.gravity;

    XClassHint *class_hint = XAllocClassHint();
    std::string res_name = kWindowName, res_class = kClassName;
    class_hint->res_name = res_name.data();
    class_hint->res_class = res_class.data();

    XWMHints *wm = XAllocWMHints();
    wm->flags = InputHint | StateHint;
    wm->input = False;  // a clock takes no keyboard input
    wm->initial_state = NormalState;

    // WM_NAME, WM_ICON_NAME, WM_COMMAND, WM_CLIENT_MACHINE (the host name),
    // WM_NORMAL_HINTS, WM_HINTS and WM_CLASS in one call.
    std::string name = kWindowName;
    char *name_list[] = {name.data()};
    XTextProperty text{};
    XStringListToTextProperty(name_list, 1, &text);
    XSetWMProperties(display_, id_, &text, &text, argv, argc, size, wm, class_hint);
    XFree(text.value);
    XFree(size);
    XFree(wm);
    XFree(class_hint);

    set_utf8(display_, id_, "_NET_WM_NAME", kWindowName);
    set_utf8(display_, id_, "_NET_WM_ICON_NAME", kWindowName);
    set_cardinal(display_, id_, "_NET_WM_PID", static_cast<long>(getpid()));
    XSetWMProtocols(display_, id_, &wm_delete_, 1);
}

bool ClockWindow::is_close_request(const XEvent &event) const
{
    return event.type == ClientMessage && event.xclient.message_type == wm_protocols_ &&
           event.xclient.format == 32 && static_cast<Atom>(event.xclient.data.l[0]) == wm_delete_;
}

}  // namespace qxclock
