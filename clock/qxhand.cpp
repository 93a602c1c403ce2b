/* qxhand.cpp - the hour, minute and second hands of the analogue clock.
 *
 * The hands are drawn in the unit square stretched over the caller's
 * rectangle, pivoting on its centre. All shadows go into one path that is
 * filled once in translucent black, so where two shadows overlap the area is
 * painted once; then each hand is filled in opaque black, hour first, second
 * hand last.
 */
#include "qxdraw.h"

#include "constants.h"
#include "context_guards.h"
#include "hand_geometry.h"

#include <sys/time.h>
#include <time.h>

namespace {

using quillkit::kHalfPi;
using quillkit::kPi;
constexpr double kSixthPi = 0.5235987755982988;
constexpr double kSqrt2 = 1.4142135623730951;

constexpr double kShadowAlpha = 0.3;
constexpr double kHandAlpha = 1.0;

/* An outline function appends one hand as a closed sub-path in the hand's own
 * frame: origin at the pivot, +x towards the tip, +y a quarter turn clockwise
 * on the output. It neither fills nor strokes. */
using OutlineFn = void (*)(cairo_t *cr, double width, double length);

/* A bar `width` thick with a rounded tip, growing out of a disc of radius
 * `width` about the pivot. The disc's arc runs from pi/6 the long way round to
 * -pi/6, behind the pivot. */
void draw_hour(cairo_t *cr, double width, double length)
{
    const double r = width * 0.5;
    cairo_move_to(cr, length, -r);
    cairo_arc(cr, length, 0, r, -kHalfPi, kHalfPi);
    cairo_line_to(cr, width * kSqrt2, r);
    cairo_arc(cr, 0, 0, 2 * r, kSixthPi, -kSixthPi);
    cairo_close_path(cr);
}

/* A bar `width` thick from the pivot to a rounded tip. */
void draw_minute(cairo_t *cr, double width, double length)
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
void draw_second(cairo_t *cr, double width, double length)
{
    const double r = width * 0.5;
    const double thick = width;
    const double back = length / 3;
    const double back_thin = length / 10;
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

struct Hand {
    OutlineFn draw;
    double width;  /* thickness, in units of the unit square */
    double length; /* pivot to the centre of the rounded tip */
    double alt;    /* shadow displacement: alt / 2 right, alt down */
};

constexpr Hand hand_of(OutlineFn draw, const quillkit::HandDesign &design)
{
    return {draw, design.width, design.length, design.alt};
}

constexpr Hand kHourHand = hand_of(draw_hour, quillkit::kHourHandDesign);
constexpr Hand kMinuteHand = hand_of(draw_minute, quillkit::kMinuteHandDesign);
constexpr Hand kSecondHand = hand_of(draw_second, quillkit::kSecondHandDesign);

/* Appends one hand's outline at clock angle `noon_deg` (degrees clockwise from
 * 12 o'clock), displaced by (alt / 2, alt) in the clock's frame. Only the
 * matrix is changed and put back; the outline stays in the path, fixed where
 * it was drawn, for the caller to fill. */
void draw_hand(cairo_t *cr, double noon_deg, double width, double length, double alt,
               OutlineFn draw)
{
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    cairo_translate(cr, alt * 0.5, alt);
    cairo_rotate(cr, noon_deg * kPi / 180 - kHalfPi);
    draw(cr, width, length);
    cairo_set_matrix(cr, &m);
}

void draw_hand(cairo_t *cr, double noon_deg, const Hand &h, double alt)
{
    draw_hand(cr, noon_deg, h.width, h.length, alt, h.draw);
}

/* Draws the hands for the instant `tv` in the process's local time zone. */
void draw_time(cairo_t *cr, double width, double height, const struct timeval *tv, int seconds)
{
    const time_t when = tv->tv_sec;
    struct tm tm_ret;
    if (localtime_r(&when, &tm_ret) == nullptr)
        return;

    /* Clock angles in degrees, never reduced modulo 360: the rotation treats
     * angles a full turn apart alike. */
    const double second_angle = (tm_ret.tm_sec + static_cast<double>(tv->tv_usec) / 1000000) * 6;
    const double minute_angle = tm_ret.tm_min * 6.0 + second_angle / 60;
    const double hour_angle = tm_ret.tm_hour * 30.0 + minute_angle / 12;

    if (!quillkit::box_is_drawable(cr, 0, 0, width, height))
        return;

    const quillkit::DrawingScope scope(cr);

    /* The shadows are gathered into one path, so their union is what gets
     * filled. The outlines all turn the same way round, so the non-zero rule
     * gives that union whatever rule the caller chose. The hands only fill:
     * the caller's stroke style does not matter to them. */
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_scale(cr, width, height);
    cairo_translate(cr, 0.5, 0.5);

    draw_hand(cr, hour_angle, kHourHand, kHourHand.alt);
    draw_hand(cr, minute_angle, kMinuteHand, kMinuteHand.alt);
    if (seconds)
        draw_hand(cr, second_angle, kSecondHand, kSecondHand.alt);
    cairo_set_source_rgba(cr, 0, 0, 0, kShadowAlpha);
    cairo_fill(cr);

    cairo_set_source_rgba(cr, 0, 0, 0, kHandAlpha);
    draw_hand(cr, hour_angle, kHourHand, 0);
    cairo_fill(cr);
    draw_hand(cr, minute_angle, kMinuteHand, 0);
    cairo_fill(cr);
    if (seconds) {
        draw_hand(cr, second_angle, kSecondHand, 0);
        cairo_fill(cr);
    }
}

}  // namespace

extern "C" void qxhand_draw(cairo_t *cr, double width, double height, const struct timeval *tv,
                            int seconds)
{
    if (tv == nullptr || cairo_status(cr) != CAIRO_STATUS_SUCCESS)
        return;
    draw_time(cr, width, height, tv, seconds);
}

extern "C" void qxhand_draw_now(cairo_t *cr, double width, double height, int seconds)
{
    struct timeval tv;
    if (gettimeofday(&tv, nullptr) != 0)
        return;
    qxhand_draw(cr, width, height, &tv, seconds);
}
