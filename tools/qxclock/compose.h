// compose.h - the layers of the clock's picture and how they are laid
// together: the face (on its background), the hands' shadows, the hands.
#ifndef QXCLOCK_COMPOSE_H
#define QXCLOCK_COMPOSE_H

#include <cairo.h>
#include <sys/time.h>

#include <optional>

#include "colour.h"
#include "rect.h"

namespace qxclock {

// Draws the face (on the `background` colour when there is one) into `cr`,
// whose target is assumed to be clear.
void draw_face_layer(cairo_t *cr, int width, int height,
                     const std::optional<quillkit::Rgb> &background);

// The composition of one frame on `cr`: the face surface painted with
// CAIRO_OPERATOR_SOURCE, so it replaces the old frame (transparent stays
// transparent), and the hands for `tv` drawn over it. Clip `cr` to redraw a
// part only.
void compose_frame(cairo_t *cr, cairo_surface_t *face, int width, int height, const timeval &tv,
                   bool seconds);

// Makes the rectangles `areas` of the A8 image `mask` clear.
void clear_mask(cairo_surface_t *mask, const Damage &areas);

// The layers of the picture under the second hand, images of the target's
// size: the face (ARGB32, or RGB24 like the target), the A8 masks of the
// kept hands' shadows and of the second hand's, and of the kept hands.
struct Layers {
    cairo_surface_t *face;
    cairo_surface_t *kept_shadows;
    cairo_surface_t *shadows;
    cairo_surface_t *hands;
};

// Lays into the rectangles `areas` of the image `target` the face, under the
// union of the two shadow masks in black at the hands' shadow alpha, under
// the hands' mask in black: what cairo gives painting the face, the shadows
// as one translucent fill and the hands, in one pass over those pixels.
void lay_under_hands(cairo_surface_t *target, const Layers &layers, const Damage &areas);

}  // namespace qxclock

#endif  // QXCLOCK_COMPOSE_H
