/* hand_outline.h - the outlines of the clock's hands and their angles for an
 * instant (not installed).
 *
 * qxhand draws the hands with these; the kit's own programs that draw one
 * hand apart from the others (the desktop clock keeps the hour and minute
 * hands between their moves and redraws only the second hand) use the same
 * outlines instead of restating them.
 */
#ifndef QUILLKIT_CLOCK_HAND_OUTLINE_H
#define QUILLKIT_CLOCK_HAND_OUTLINE_H

#include <cairo.h>
#include <sys/time.h>
#include <time.h>

#include "constants.h"
#include "hand_geometry.h"

namespace quillkit {

/* An outline function appends one hand as a closed sub-path in the hand's own
 * frame: origin at the pivot, +x towards the tip, +y a quarter turn clockwise
 * on the output. It neither fills nor strokes. */
using OutlineFn = void (*)(cairo_t *cr, double width, double length);

/* A bar `width` thick with a rounded tip, growing out of a disc of radius
 * `width` about the pivot. The disc's arc runs from pi/6 the long way round to
 * -pi/6, behind the pivot. */
inline void hour_outline(cairo_t *cr, double width, double length)
{
    constexpr double kSixthPi = 0.5235987755982988;
    constexpr double kSqrt2 = 1.4142135623730951;
    const double r = width * 0.5;
    cairo_move_to(cr, length, -r);
    cairo_arc(cr, length, 0, r, -kHalfPi, kHalfPi);
    cairo_line_to(cr, width * kSqrt2, r);
    cairo_arc(cr, 0, 0, 2 * r, kSixthPi, -kSixthPi);
    cairo_close_path(cr);
}

/* A bar `width` thick from the pivot to a rounded tip. */
inline void minute_outline(cairo_t *cr, double width, double length)
{
    const double r = width * 0.5;
    cairo_move_to(cr, length, -r);
    cairo_arc(cr, length, 0, r, -kHalfPi, kHalfPi);
    cairo_line_to(cr, 0, r);
    cairo_line_to(cr, 0, -r);
    cairo_close_path(cr);
}

/* A thin shaft with a rounded tip that runs on behind the pivot for a tenth
 * of its length and ends in a counterweight twice as thick, reaching back a
 * third of its length. */
inline void second_outline(cairo_t *cr, double width, double length)
{
    const HandDesign design{width, length, 0};
    const double r = shaft_half_width(design);
    const double thick = counterweight_half_width(design);
    const double back = length / kSecondHandTailDivisor;
    const double back_thin = length / kSecondHandNeckDivisor;
    cairo_move_to(cr, length, -r);
    cairo_arc(cr, length, 0, r, -kHalfPi, kHalfPi);
    cairo_line_to(cr, -back_thin, r);
    cairo_line_to(cr, -back_thin, thick);
    cairo_line_to(cr, -back, thick);
    cairo_line_to(cr, -back, -thick);
    cairo_line_to(cr, -back_thin, -thick);
    cairo_line_to(cr, -back_thin, -r);
    cairo_close_path(cr);
}

/* Appends one hand's outline at clock angle `noon_deg` (degrees clockwise from
 * 12 o'clock), displaced by (alt / 2, alt) in the clock's frame (the current
 * user space, with the pivot at its origin). Only the matrix is changed and
 * put back; the outline stays in the path, fixed where it was drawn, for the
 * caller to fill. */
inline void append_hand(cairo_t *cr, double noon_deg, const HandDesign &hand, double alt,
                        OutlineFn outline)
{
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    cairo_translate(cr, alt * 0.5, alt);
    cairo_rotate(cr, noon_deg * kPi / 180 - kHalfPi);
    outline(cr, hand.width, hand.length);
    cairo_set_matrix(cr, &m);
}

/* The hands' clock angles in degrees for an instant, never reduced modulo
 * 360: the rotation treats angles a full turn apart alike. */
struct HandAngles {
    double hour, minute, second;
};

/* The angles for `tv` in the process's local time zone; false when it cannot
 * be broken down into local time. */
inline bool hand_angles(const struct timeval &tv, HandAngles &out)
{
    const time_t when = tv.tv_sec;
    struct tm local;
    if (localtime_r(&when, &local) == nullptr)
        return false;
    out.second = (local.tm_sec + static_cast<double>(tv.tv_usec) / 1000000) * 6;
    out.minute = local.tm_min * 6.0 + out.second / 60;
    out.hour = local.tm_hour * 30.0 + out.minute / 12;
    return true;
}

}  // namespace quillkit

#endif /* QUILLKIT_CLOCK_HAND_OUTLINE_H */
