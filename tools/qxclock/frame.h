// frame.h - one redraw of the clock, with the face kept between frames.
//
// The face does not change from one frame to the next, so it is drawn once
// into a surface of the target's size and only painted under the hands after
// that. Between two visible moves of the minute hand (every few seconds) only
// the second hand and its shadow move: the hour and minute hands are kept
// too, as two masks (their shadows, and the hands), drawn when the minute
// hand has moved. A frame then redraws only the second hand's old and new
// places, a few small rectangles along it: the face, the shadows of the kept
// hands and of the second hand as one (where they overlap they are no darker,
// as qxhand draws them), the kept hands and the second hand over them. The
// rest of the picture stays as it is. When the minute hand has moved, the
// frame redraws where all the hands were and are. Each frame says which
// rectangles it changed, so that only they need to reach the screen.
//
// Between two moves of the minute hand a frame allocates nothing of its own
// (only cairo does, inside its two fills): the surfaces, the rectangles and
// their union are kept from frame to frame.
#ifndef QXCLOCK_FRAME_H
#define QXCLOCK_FRAME_H

#include <cairo.h>
#include <sys/time.h>

#include <optional>

#include "cairo_ptr.h"
#include "colour.h"
#include "hand_outline.h"
#include "rect.h"
#include "result.h"

namespace qxclock {

class ClockFrame {
public:
    // With a `background` the face is laid on that opaque colour; without
    // one everything outside the face stays fully transparent.
    explicit ClockFrame(std::optional<quillkit::Rgb> background) : background_(background) {}

    // Draws the clock for the instant `tv` into the rectangle (0, 0)-(width,
    // height) of the image surface `target`. The first frame at a size (and
    // the first after invalidate()) draws all of it; later ones only where
    // the hands were or are, assuming `target` still holds the last frame.
    // Within one period of the minute hand's visible moves (see
    // frame_clock.h) that is where the second hand was and is: the hour and
    // minute hands stay as drawn at the start of the period, less than a
    // pixel from where they are now. The picture is the one qxhand_draw
    // gives, but for the rounding of edge pixels. Afterwards changed() holds
    // the rectangles it changed (none when the size is empty); fails with
    // "cannot draw the clock" when cairo cannot.
    //
    // Only the pixels in those rectangles are composed again; cairo draws
    // the second hand clipped to their bounding rectangle, which costs it
    // less than clipping to several (the hand lies inside them).
    quillkit::Result<void> draw(cairo_surface_t *target, int width, int height, const timeval &tv,
                                bool seconds);
    // What the last draw() changed: rectangles that do not overlap.
    const Damage &changed() const { return changed_.rectangles(); }

    // Lays the face on another background (none: transparent) from the next
    // frame on, which draws the whole picture.
    void set_background(const std::optional<quillkit::Rgb> &background)
    {
        background_ = background;
        reset();
    }

    // The next frame draws the whole picture (the target lost its content).
    void invalidate() { drawn_ = false; }
    // Drops the cached face too.
    void reset();

private:
    bool prepare(cairo_surface_t *target, int width, int height);
    // Draws the hour and minute hands at `angles` (none: no hands) into
    // their masks.
    bool keep_hands(const quillkit::HandAngles *angles);
    // Composes the clock into the changed() rectangles of `target`, with the
    // second hand at `angles` (none: no second hand).
    bool compose(cairo_surface_t *target, const quillkit::HandAngles *angles);
    // Works out changed() for the next frame, given its hands and the last
    // frame's.
    void find_changes(bool new_period, const Rect &hour_minute);

    std::optional<quillkit::Rgb> background_;
    int width_ = 0;
    int height_ = 0;
    quillkit::SurfacePtr face_;  // background and face, drawn once per size
    // Alpha masks of the clock's size: the hour and minute hands' shadows
    // (as one), the hands themselves, and the second hand's shadow (made
    // for each frame).
    quillkit::SurfacePtr kept_shadows_;
    quillkit::SurfacePtr kept_hands_;
    quillkit::SurfacePtr shadows_;
    bool drawn_ = false;  // the target holds the last frame
    // Of the last frame: whether it had the second hand, the period of the
    // minute hand's moves its hour and minute hands were drawn in, their
    // bounds then, and the second hand's pieces.
    bool seconds_ = false;
    long period_index_ = 0;
    Rect hour_minute_;
    Damage second_;
    Damage next_second_;  // the next frame's second hand, while it is drawn
    RectUnion changed_;
};

// The bounds, in whole pixels, of the hands (with their shadows) for `tv` in a
// width x height clock.
Rect hands_bounds(int width, int height, const timeval &tv, bool seconds);

// Rectangles that together hold the second hand (with its shadow) for `tv` in
// a width x height clock, worked out from the hand's design: one for each of a
// few pieces along the hand, so that a hand lying across the clock does not
// take the whole square round it.
Damage second_hand_pieces(int width, int height, const timeval &tv);
// The same for the second hand at `second_angle` (degrees clockwise from
// 12 o'clock), into `out` (emptied first).
void second_hand_pieces(int width, int height, double second_angle, Damage &out);

}  // namespace qxclock

#endif  // QXCLOCK_FRAME_H
