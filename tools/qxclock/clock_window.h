// clock_window.h - the clock's top-level window and what the window manager
// learns about it.
#ifndef QXCLOCK_CLOCK_WINDOW_H
#define QXCLOCK_CLOCK_WINDOW_H

// Before Xlib, whose macro Status (for int) would otherwise rename quillkit's.
#include "result.h"

#include <X11/Xlib.h>

#include <optional>

#include "options.h"

namespace qxclock {

// Where the window goes and how large it is, worked out from the options
// and the screen.
struct Placement {
    int x = 0, y = 0;
    int width = kDefaultWindowSize, height = kDefaultWindowSize;
    bool user_position = false;  // --geometry gave a position
    bool user_size = false;      // --geometry or --size gave a size
    int gravity = NorthWestGravity;
};

// The smallest size the window manager is asked to allow.
constexpr int kMinWindowSide = 32;

Placement place_window(const Options &opts, int screen_width, int screen_height);

// The window, its colormap and GC, destroyed with it (unless another client
// destroyed the window first: then only what is still ours).
class ClockWindow {
public:
    // Creates (does not map) the window on `screen`: with a 32-bit visual
    // with alpha when the screen has one, so that a compositing manager shows
    // it translucent, with the server painting `background` (transparent when
    // none) where the clock is not drawn.
    ClockWindow(Display *display, int screen, const Placement &placement,
                const std::optional<Rgb> &background);
    ~ClockWindow();
    ClockWindow(const ClockWindow &) = delete;
    ClockWindow &operator=(const ClockWindow &) = delete;

    // Names and hints for the window manager: WM_NAME and _NET_WM_NAME,
    // WM_CLASS, WM_COMMAND, WM_CLIENT_MACHINE, _NET_WM_PID,
    // WM_NORMAL_HINTS, and WM_DELETE_WINDOW among WM_PROTOCOLS.
    void set_properties(const Placement &placement, int argc, char **argv);

    Window id() const { return id_; }
    Visual *visual() const { return visual_; }
    int depth() const { return depth_; }
    GC gc() const { return gc_; }
    Colormap colormap() const { return colormap_; }
    bool translucent() const { return translucent_; }
    // What the server paints where the clock is not drawn (none: transparent).
    void set_background(const std::optional<Rgb> &background);
    // The server paints nothing where the window is exposed: the clock's
    // own pixels are put there at once (for a shaped window, whose shape
    // changes expose it each frame).
    void set_no_background();
    // Another client destroyed it: nothing to destroy on the way out.
    void forget() { id_ = None; }
    // Whether `event` is the window manager asking the window to close.
    bool is_close_request(const XEvent &event) const;

private:
    unsigned long background_pixel(const std::optional<Rgb> &background) const;

    Display *display_;
    Window id_ = None;
    Visual *visual_ = nullptr;
    int depth_ = 0;
    Colormap colormap_ = None;  // ours, for the 32-bit visual
    bool translucent_ = false;
    GC gc_ = nullptr;
    Atom wm_protocols_ = None;
    Atom wm_delete_ = None;
};

// The pixel of `rgb` in a TrueColor visual of 8 bits a channel, opaque.
unsigned long opaque_pixel(const Rgb &rgb);

}  // namespace qxclock

#endif  // QXCLOCK_CLOCK_WINDOW_H
