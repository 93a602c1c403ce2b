// rect.h - rectangles of whole pixels, and unions of them.
#ifndef QXCLOCK_RECT_H
#define QXCLOCK_RECT_H

#include <vector>

#include "cairo_ptr.h"

namespace qxclock {

// A rectangle of whole pixels; empty when either side is 0.
struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
};

// The smallest rectangle holding both.
Rect unite(const Rect &a, const Rect &b);
// The part of `a` inside `b`.
Rect intersect(const Rect &a, const Rect &b);
// The smallest rectangle of whole pixels round [x0, x1] x [y0, y1], widened
// by `margin` on every side.
Rect pixel_bounds(double x0, double y0, double x1, double y1, int margin);

// Rectangles that do not overlap.
using Damage = std::vector<Rect>;

// The number of pixels covered by `damage`.
long area_of(const Damage &damage);

// The union of the rectangles added, as rectangles that do not overlap.
class RectUnion {
public:
    RectUnion();
    void add(const Rect &r);
    void add(const Damage &d);
    Damage rectangles() const;

private:
    quillkit::RegionPtr region_;
};

}  // namespace qxclock

#endif  // QXCLOCK_RECT_H
