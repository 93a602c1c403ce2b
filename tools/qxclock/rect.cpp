// rect.cpp - rectangles of whole pixels, and unions of them.
#include "rect.h"

#include <algorithm>
#include <cmath>

namespace qxclock {

Rect unite(const Rect &a, const Rect &b)
{
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const int x1 = std::max(a.x + a.width, b.x + b.width);
    const int y1 = std::max(a.y + a.height, b.y + b.height);
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect intersect(const Rect &a, const Rect &b)
{
    const int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    const int x1 = std::min(a.x + a.width, b.x + b.width);
    const int y1 = std::min(a.y + a.height, b.y + b.height);
    if (x1 <= x0 || y1 <= y0)
        return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect pixel_bounds(double x0, double y0, double x1, double y1, int margin)
{
    const int left = static_cast<int>(std::floor(x0)) - margin;
    const int top = static_cast<int>(std::floor(y0)) - margin;
    const int right = static_cast<int>(std::ceil(x1)) + margin;
    const int bottom = static_cast<int>(std::ceil(y1)) + margin;
    return {left, top, right - left, bottom - top};
}

long area_of(const Damage &damage)
{
    long n = 0;
    for (const Rect &r : damage)
        n += static_cast<long>(r.width) * r.height;
    return n;
}

RectUnion::RectUnion() : region_(cairo_region_create()) {}

void RectUnion::add(const Rect &r)
{
    if (r.empty())
        return;
    const cairo_rectangle_int_t c{r.x, r.y, r.width, r.height};
    cairo_region_union_rectangle(region_.get(), &c);
}

void RectUnion::add(const Damage &d)
{
    for (const Rect &r : d)
        add(r);
}

Damage RectUnion::rectangles() const
{
    Damage out;
    const int n = cairo_region_num_rectangles(region_.get());
    out.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        cairo_rectangle_int_t c;
        cairo_region_get_rectangle(region_.get(), i, &c);
        out.push_back({c.x, c.y, c.width, c.height});
    }
    return out;
}

}  // namespace qxclock
