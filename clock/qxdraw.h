/* qxdraw.h - an analogue clock drawn with cairo: face, logo and hands.
 *
 * Every function draws on the caller's context and neither creates nor
 * destroys one. Each brackets its work in cairo_save/cairo_restore, so on
 * return the context's matrix, source, line width, stroke style and current
 * path are the caller's again; the paths it builds are consumed by its own
 * fills and strokes. A path the caller has in progress is set aside during
 * the call (it is not painted) and given back unchanged, in the same place, on
 * return; after cairo_new_sub_path it comes back without a current point.
 *
 * What the caller's state does to the drawing:
 *  - colour: where a drawer paints in a colour of its own it uses the alpha
 *    of the caller's source when that is a solid colour, and 1.0 for any other
 *    source, so a translucent colour set before the call fades the face and
 *    logo. The hands set their own alphas;
 *  - stroke style: the face and the logo stroke with cairo's defaults (no
 *    dash, butt caps, miter joins, miter limit 10), whatever the caller set;
 *    draw_windows strokes with the caller's line width but these defaults;
 *  - fill rule: the hands fill with the non-zero rule, whatever the caller
 *    set, so that overlapping shadows stay one shadow;
 *  - the operator, antialiasing and tolerance are the caller's.
 *
 * Like cairo's own calls, a drawer does nothing on a context in an error
 * state. It also draws nothing, and leaves the context usable, when the
 * drawing cannot be made on the device: a width or height that is zero or
 * not finite; a rectangle that reaches beyond cairo's device coordinates
 * (about +-8.4 million pixels, 2^23) or covers less than 1e-200 of a square
 * pixel; or one squashed more than a billion to one in a rotated user space.
 * Every call returns promptly. A negative size mirrors the drawing.
 *
 * The clock is drawn in the rectangle (0, 0)-(width, height) of the current
 * user space, stretched to fill it (a window that is not square gives an
 * elliptical clock). Link qxface, qxlogo and qxhand, and cairo.
 */
#ifndef QUILLKIT_QXDRAW_H
#define QUILLKIT_QXDRAW_H

#include <cairo.h>

struct timeval;

#ifdef __cplusplus
extern "C" {
#endif

/* Draws the hour, minute and (when `seconds` is non-zero) second hands for the
 * local time at the moment of the call, over whatever the context holds: first
 * all hand shadows as one translucent black fill (alpha 0.3, so overlapping
 * shadows are not darker), then each hand in opaque black. The hands pivot on
 * the rectangle's centre; each shadow falls 0.005, 0.01 and 0.013 (hour,
 * minute, second) of the width to the right and twice that of the height
 * down. */
void qxhand_draw_now(cairo_t *cr, double width, double height, int seconds);

/* As qxhand_draw_now, for the instant `tv` (seconds and microseconds since the
 * epoch) in the process's local time zone. Draws nothing if `tv` is null or
 * the instant cannot be broken down into local time. */
void qxhand_draw(cairo_t *cr, double width, double height, const struct timeval *tv, int seconds);

/* Draws the logo fitted into the rectangle, keeping its aspect ratio: scaled
 * uniformly until it touches two opposite sides and centred along the other
 * axis. Paints with the alpha of the caller's source when that is a solid
 * colour (1.0 otherwise); the translucent triangle is white at alpha 0.5. */
void qxlogo_draw(cairo_t *cr, double width, double height);

/* Draws only the logo's triangle and three windows, taking the current user
 * space as the logo's own frame (the windows are 18 by 14.25 units and
 * smaller, around (18, 16.125), (48.25, 20.375) and (30.25, 35.825)) and the
 * current line width for the triangle and the outlines. */
void draw_windows(cairo_t *cr);

/* Draws the clock face: the logo in the middle and a ring of sixty ticks
 * (blue discs with grey rings at the quarters and every five minutes, grey
 * dots between), at the alpha of the caller's source as qxlogo_draw does. */
void qxface_draw(cairo_t *cr, double width, double height);

#ifdef __cplusplus
}
#endif

#endif /* QUILLKIT_QXDRAW_H */
