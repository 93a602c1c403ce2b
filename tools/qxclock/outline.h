// outline.h - the outline of the clock's picture, for a window shaped like
// what is drawn where no compositing manager can show it translucent.
#ifndef QXCLOCK_OUTLINE_H
#define QXCLOCK_OUTLINE_H

#include <cairo.h>

#include <vector>

#include "rect.h"

namespace qxclock {

// The least alpha (of 255) of a pixel in the outline: more opaque than the
// hands' shadows, which a shaped window cannot show, so that the ticks, the
// logo and the hands make the outline and the desktop shows through the rest.
int outline_min_alpha();

// Appends to `runs` the outline inside `area` of the ARGB32 image `surface`,
// as runs of pixels one row high, and turns the pixels in it opaque in their
// own colour: a window without a compositing manager shows a pixel's colour
// bytes as they are, and premultiplied ones would show darkened at the edges.
// The pixels outside the outline are left as they are (they are not shown).
void take_outline(cairo_surface_t *surface, const Rect &area, std::vector<Rect> &runs);

}  // namespace qxclock

#endif  // QXCLOCK_OUTLINE_H
