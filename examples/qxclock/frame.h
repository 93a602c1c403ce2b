// frame.h - one redraw of the clock, with the face kept between frames.
//
// The face does not change from one second to the next, so it is drawn once
// into a surface of the target's size and only painted under the hands after
// that. A frame is composed off-screen and copied to the target in one paint,
// so a window never shows the face without its hands.
#ifndef QXCLOCK_FRAME_H
#define QXCLOCK_FRAME_H

#include <cairo.h>
#include <sys/time.h>

namespace qxclock {

class ClockFrame {
public:
    // With `opaque_background` the face is laid on a plain light background
    // (for windows that cannot be translucent); without it everything outside
    // the face stays fully transparent.
    explicit ClockFrame(bool opaque_background) : opaque_(opaque_background) {}
    ~ClockFrame();
    ClockFrame(const ClockFrame &) = delete;
    ClockFrame &operator=(const ClockFrame &) = delete;

    // Draws the clock for the instant `tv` into the rectangle (0, 0)-(width,
    // height) of `target`, replacing what it held there. The face and the
    // off-screen buffer are image surfaces (without alpha when `target` has
    // none), made again only when the size changes. Returns cairo's status
    // of the drawing.
    cairo_status_t draw(cairo_surface_t *target, int width, int height, const timeval &tv,
                        bool seconds);

    // Drops the cached surfaces (the next frame draws the face again).
    void reset();

private:
    bool prepare(cairo_surface_t *target, int width, int height);

    bool opaque_;
    int width_ = 0;
    int height_ = 0;
    cairo_surface_t *face_ = nullptr;  // background and face, drawn once per size
    cairo_surface_t *back_ = nullptr;  // where a frame is composed
};

// The composition of one frame on `cr`: the face surface painted with
// CAIRO_OPERATOR_SOURCE, so it replaces the old frame (transparent stays
// transparent), and the hands for `tv` drawn over it. ClockFrame::draw uses it.
void compose_frame(cairo_t *cr, cairo_surface_t *face, int width, int height, const timeval &tv,
                   bool seconds);

// Draws the face (on the light background when `opaque_background`) into `cr`,
// whose target is assumed to be clear.
void draw_face_layer(cairo_t *cr, int width, int height, bool opaque_background);

}  // namespace qxclock

#endif  // QXCLOCK_FRAME_H
