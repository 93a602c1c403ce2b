// window_shape.h - the window's outline through the X Shape extension.
#ifndef QXCLOCK_WINDOW_SHAPE_H
#define QXCLOCK_WINDOW_SHAPE_H

#include <X11/Xlib.h>
#include <cairo.h>

#include <vector>

#include "rect.h"

namespace qxclock {

// The bounding shape of one window: the part of it that is shown, and that
// takes the pointer; the desktop shows through the rest.
class WindowShape {
public:
    WindowShape(Display *display, Window window);

    // Whether the server has the Shape extension.
    bool available() const { return available_; }
    // Whether the window has a shape of ours now.
    bool shaped() const { return shaped_; }

    // The window shows `runs` alone (window coordinates).
    void set(const std::vector<Rect> &runs);
    // Inside `areas` the window shows `runs` (inside them) alone; elsewhere
    // the shape stays. Only once set(): until then, nothing.
    void replace(const Damage &areas, const std::vector<Rect> &runs);
    // The whole window is shown again.
    void clear();

    // The window takes the outline (take_outline) of the ARGB32 picture
    // `picture`, which lies at (dx, dy) in the window, inside the
    // rectangles `changed` of the picture, whose pixels there turn opaque:
    // all of the shape anew when `whole` (set()), else only inside those
    // rectangles (replace()). Its lists are kept from one call to the next.
    void follow(cairo_surface_t *picture, const Damage &changed, int dx, int dy, bool whole);

private:
    void combine(const std::vector<Rect> &rects, int op);

    Display *display_;
    Window window_;
    bool available_ = false;
    bool shaped_ = false;
    std::vector<Rect> runs_;  // of the outline, in window coordinates
    Damage areas_;            // the changed rectangles, in window coordinates
    std::vector<XRectangle> xrects_;
};

}  // namespace qxclock

#endif  // QXCLOCK_WINDOW_SHAPE_H
