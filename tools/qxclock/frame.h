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
#ifndef QXCLOCK_FRAME_H
#define QXCLOCK_FRAME_H

#include <cairo.h>
#include <sys/time.h>

#include <optional>

#include "cairo_ptr.h"
#include "colour.h"
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
    // gives, but for the rounding of edge pixels. Returns the rectangles it
    // changed (none when the size is empty); fails with "cannot draw the
    // clock" when cairo cannot.
    //
    // It draws the bounding rectangle of those (redrawn()), which costs
    // cairo less than clipping to several: the pixels there outside them
    // come out as they were.
    quillkit::Result<Damage> draw(cairo_surface_t *target, int width, int height, const timeval &tv,
                                  bool seconds);

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

    // The rectangle the last frame drew in.
    const Rect &redrawn() const { return redrawn_; }

private:
    bool prepare(cairo_surface_t *target, int width, int height);
    // Draws the hour and minute hands for `tv` into their masks.
    bool keep_hands(const timeval &tv);
    // Composes the clock for `tv` into `target`, clipped to `area`.
    bool compose(cairo_surface_t *target, const Rect &area, const timeval &tv, bool seconds);
    // What the next frame changes, given its hands and the last frame's.
    Damage changes(bool seconds, long period_index, const Rect &hour_minute,
                   const Damage &second) const;

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
    Rect redrawn_;
};

// The bounds, in whole pixels, of the hands (with their shadows) for `tv` in a
// width x height clock.
Rect hands_bounds(int width, int height, const timeval &tv, bool seconds);

// Rectangles that together hold the second hand (with its shadow) for `tv` in
// a width x height clock, worked out from the hand's design: one for each of a
// few pieces along the hand, so that a hand lying across the clock does not
// take the whole square round it.
Damage second_hand_pieces(int width, int height, const timeval &tv);

}  // namespace qxclock

#endif  // QXCLOCK_FRAME_H
