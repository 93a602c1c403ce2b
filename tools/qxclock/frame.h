// frame.h - one redraw of the clock, with the face kept between frames.
//
// The face does not change from one frame to the next, so it is drawn once
// into a surface of the target's size and only painted under the hands after
// that. Between two frames only the hands move: a frame restores the face and
// draws the hands inside the bounds of the old and the new hands alone, and
// says which rectangle it changed, so that only that part needs to reach the
// screen.
#ifndef QXCLOCK_FRAME_H
#define QXCLOCK_FRAME_H

#include <cairo.h>
#include <sys/time.h>

#include <optional>

#include "options.h"

namespace qxclock {

// A rectangle of whole pixels; empty when either side is 0.
struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
};

// The smallest rectangle holding both.
Rect unite(const Rect &a, const Rect &b);
// The part of `a` inside `b`.
Rect intersect(const Rect &a, const Rect &b);

class ClockFrame {
public:
    // With a `background` the face is laid on that opaque colour; without
    // one everything outside the face stays fully transparent.
    explicit ClockFrame(std::optional<Rgb> background) : background_(background) {}
    ~ClockFrame();
    ClockFrame(const ClockFrame &) = delete;
    ClockFrame &operator=(const ClockFrame &) = delete;

    // Draws the clock for the instant `tv` into the rectangle (0, 0)-(width,
    // height) of the image surface `target`. The first frame at a size (and
    // the first after invalidate()) draws all of it; later ones only where
    // the hands were or are, assuming `target` still holds the last frame.
    // Returns the rectangle it changed (empty when the size is empty), or
    // nothing when the drawing failed.
    std::optional<Rect> draw(cairo_surface_t *target, int width, int height, const timeval &tv,
                             bool seconds);

    // Lays the face on another background (none: transparent) from the next
    // frame on, which draws the whole picture.
    void set_background(const std::optional<Rgb> &background)
    {
        background_ = background;
        reset();
    }

    // The next frame draws the whole picture (the target lost its content).
    void invalidate() { hands_.reset(); }
    // Drops the cached face too.
    void reset();

private:
    bool prepare(cairo_surface_t *target, int width, int height);

    std::optional<Rgb> background_;
    int width_ = 0;
    int height_ = 0;
    cairo_surface_t *face_ = nullptr;  // background and face, drawn once per size
    std::optional<Rect> hands_;        // where the last frame's hands are
};

// The bounds, in whole pixels, of the hands (with their shadows) for `tv` in a
// width x height clock.
Rect hands_bounds(int width, int height, const timeval &tv, bool seconds);

// The composition of one frame on `cr`: the face surface painted with
// CAIRO_OPERATOR_SOURCE, so it replaces the old frame (transparent stays
// transparent), and the hands for `tv` drawn over it. Clip `cr` to redraw a
// part only.
void compose_frame(cairo_t *cr, cairo_surface_t *face, int width, int height, const timeval &tv,
                   bool seconds);

// Draws the face (on the `background` colour when there is one) into `cr`,
// whose target is assumed to be clear.
void draw_face_layer(cairo_t *cr, int width, int height, const std::optional<Rgb> &background);

}  // namespace qxclock

#endif  // QXCLOCK_FRAME_H
