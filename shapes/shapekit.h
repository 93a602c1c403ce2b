/* shapekit.h - path helpers in the style of cairo's own path calls.
 *
 * Both functions only add to the current path of `cr`, in the user space in
 * force at the call; they paint nothing and change nothing else (no matrix,
 * source, line width or save/restore). Link shapekit and cairo.
 */
#ifndef QUILLKIT_SHAPEKIT_H
#define QUILLKIT_SHAPEKIT_H

#include <cairo.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Adds a closed rectangle from (x0, y0) to (x0 + width, y0 + height) whose
 * corners are rounded by Bezier curves starting `radius` from each corner; a
 * radius above half a side makes the two corners of that side meet at its
 * middle. Adds nothing when width or height is zero. */
void cairo_rectangle_round(cairo_t *cr, double x0, double y0, double width, double height,
                           double radius);

/* Adds an open S-shaped curve from (x0, y0 - 1) to (x1, y1 + 1); `bend` sets
 * how far the curve swings out. The current point is left at (x1, y1 + 1). */
void cairo_edgeline(cairo_t *cr, double x0, double y0, double x1, double y1, double bend);

#ifdef __cplusplus
}
#endif

#endif /* QUILLKIT_SHAPEKIT_H */
