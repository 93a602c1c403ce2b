/* qxclock.h - an analogue clock drawn with cairo: face, logo and hands.
 *
 * Every function draws on the caller's context and neither creates nor
 * destroys one. Each brackets its work in cairo_save/cairo_restore, so on
 * return the context's matrix, source, line width and current path are the
 * caller's again; the paths it builds are consumed by its own fills and strokes.
 *
 * The clock is drawn in the rectangle (0, 0)-(width, height) of the current
 * user space, stretched to fill it (a window that is not square gives an
 * elliptical clock). Link qxface, qxlogo and qxhand, and cairo.
 */
#ifndef QUILL_QXCLOCK_H
#define QUILL_QXCLOCK_H

#include <cairo.h>

struct timeval;

#ifdef __cplusplus
extern "C" {
#endif

/* Draws the hour, minute and (when `seconds` is non-zero) second hands for the
 * local time at the moment of the call, over whatever the context holds: first
 * all hand shadows as one translucent black fill (alpha 0.3), then each hand in
 * opaque black. */
void qxhand_draw_now(cairo_t *cr, double width, double height, int seconds);

/* As qxhand_draw_now, for the instant `tv` in the process's local time zone.
 * Draws nothing if that instant cannot be broken down into local time. */
void qxhand_draw(cairo_t *cr, double width, double height, const struct timeval *tv, int seconds);

/* Draws the logo fitted into the rectangle, keeping its aspect ratio: scaled
 * uniformly until it touches two opposite sides and centred along the other
 * axis. Paints with the alpha of the caller's source when that is a solid
 * colour (1.0 otherwise); the translucent triangle is white at alpha 0.5. */
void qxlogo_draw(cairo_t *cr, double width, double height);

/* Draws only the logo's triangle and three windows, taking the current user
 * space as the logo's own frame and the current line width for the outlines. */
void draw_windows(cairo_t *cr);

/* Draws the clock face: the logo in the middle and a ring of sixty ticks
 * (blue discs with grey rings at the quarters and every five minutes, grey
 * dots between), at the alpha of the caller's source as qxlogo_draw does. */
void qxface_draw(cairo_t *cr, double width, double height);

#ifdef __cplusplus
}
#endif

#endif /* QUILL_QXCLOCK_H */
