/* qxhand.cpp - the hour, minute and second hands of the analogue clock.
 *
 * The hands are drawn in the unit square stretched over the caller's
 * rectangle, pivoting on its centre. All shadows go into one path that is
 * filled once in translucent black, so where two shadows overlap the area is
 * painted once; then each hand is filled in opaque black, hour first, second
 * hand last.
 */
#include "qxdraw.h"

#include "context_guards.h"
#include "hand_outline.h"

#include <sys/time.h>

namespace {

constexpr double kHandAlpha = 1.0;

struct Hand {
    quillkit::OutlineFn outline;
    const quillkit::HandDesign &design;
};

const Hand kHourHand{quillkit::hour_outline, quillkit::kHourHandDesign};
const Hand kMinuteHand{quillkit::minute_outline, quillkit::kMinuteHandDesign};
const Hand kSecondHand{quillkit::second_outline, quillkit::kSecondHandDesign};

void draw_hand(cairo_t *cr, double noon_deg, const Hand &h, double alt)
{
    quillkit::append_hand(cr, noon_deg, h.design, alt, h.outline);
}

/* Draws the hands for the instant `tv` in the process's local time zone. */
void draw_time(cairo_t *cr, double width, double height, const struct timeval *tv, int seconds)
{
    quillkit::HandAngles angles;
    if (!quillkit::hand_angles(*tv, angles))
        return;

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

    draw_hand(cr, angles.hour, kHourHand, kHourHand.design.alt);
    draw_hand(cr, angles.minute, kMinuteHand, kMinuteHand.design.alt);
    if (seconds)
        draw_hand(cr, angles.second, kSecondHand, kSecondHand.design.alt);
    cairo_set_source_rgba(cr, 0, 0, 0, quillkit::kHandShadowAlpha);
    cairo_fill(cr);

    cairo_set_source_rgba(cr, 0, 0, 0, kHandAlpha);
    draw_hand(cr, angles.hour, kHourHand, 0);
    cairo_fill(cr);
    draw_hand(cr, angles.minute, kMinuteHand, 0);
    cairo_fill(cr);
    if (seconds) {
        draw_hand(cr, angles.second, kSecondHand, 0);
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
