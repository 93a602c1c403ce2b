// rect.h - rectangles of whole pixels, and unions of them.
#ifndef QXCLOCK_RECT_H
#define QXCLOCK_RECT_H

#include <utility>
#include <vector>

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

// The union of the rectangles added, as rectangles that do not overlap: in
// bands from top to bottom, the fewest rectangles in each band, and a band
// that goes on as the one above it joined with it. Its storage is kept from
// one union to the next (clear()): once it has grown to what a frame needs,
// a union allocates nothing.
class RectUnion {
public:
    // Starts a new union, empty.
    void clear()
    {
        added_.clear();
        rects_.clear();
        done_ = true;
    }
    void add(const Rect &r);
    void add(const Damage &d);
    const Damage &rectangles() const;

private:
    void make() const;

    Damage added_;
    // Worked out from added_ when asked for.
    mutable Damage rects_;
    mutable bool done_ = true;
    mutable std::vector<int> edges_;                 // the bands' tops and bottoms
    mutable std::vector<std::pair<int, int>> runs_;  // of one band: [x0, x1)
};

}  // namespace qxclock

#endif  // QXCLOCK_RECT_H
