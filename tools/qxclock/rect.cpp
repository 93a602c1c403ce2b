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

void RectUnion::add(const Rect &r)
{
    if (r.empty())
        return;
    added_.push_back(r);
    done_ = false;
}

void RectUnion::add(const Damage &d)
{
    for (const Rect &r : d)
        add(r);
}

const Damage &RectUnion::rectangles() const
{
    if (!done_)
        make();
    return rects_;
}

void RectUnion::make() const
{
    rects_.clear();
    edges_.clear();
    for (const Rect &r : added_) {
        edges_.push_back(r.y);
        edges_.push_back(r.y + r.height);
    }
    std::sort(edges_.begin(), edges_.end());
    edges_.erase(std::unique(edges_.begin(), edges_.end()), edges_.end());
    // The rectangles of the band above, when it ends where this one starts.
    size_t above = 0, above_end = 0;
    for (size_t band = 0; band + 1 < edges_.size(); ++band) {
        const int top = edges_[band], bottom = edges_[band + 1];
        runs_.clear();
        for (const Rect &r : added_)
            if (r.y <= top && r.y + r.height >= bottom)
                runs_.push_back({r.x, r.x + r.width});
        std::sort(runs_.begin(), runs_.end());
        const size_t first = rects_.size();
        for (const auto &[x0, x1] : runs_) {
            if (rects_.size() > first && x0 <= rects_.back().x + rects_.back().width)
                rects_.back().width = std::max(rects_.back().width, x1 - rects_.back().x);
            else
                rects_.push_back({x0, top, x1 - x0, bottom - top});
        }
        // The same runs as the band just above: it grows down instead.
        const size_t count = rects_.size() - first;
        bool same = count > 0 && above_end - above == count && above_end == first &&
                    rects_[above].y + rects_[above].height == top;
        for (size_t i = 0; same && i < count; ++i)
            same = rects_[above + i].x == rects_[first + i].x &&
                   rects_[above + i].width == rects_[first + i].width;
        if (same) {
            for (size_t i = above; i < above_end; ++i)
                rects_[i].height += bottom - top;
            rects_.resize(first);
        } else {
            above = first;
            above_end = rects_.size();
        }
    }
    done_ = true;
}

}  // namespace qxclock
