// window_shape.cpp - the window's outline through the X Shape extension.
#include "window_shape.h"

#include <X11/extensions/shape.h>

#include "outline.h"

namespace qxclock {

WindowShape::WindowShape(Display *display, Window window) : display_(display), window_(window)
{
    int event_base = 0, error_base = 0;
    available_ = XShapeQueryExtension(display, &event_base, &error_base);
}

void WindowShape::combine(const std::vector<Rect> &rects, int op)
{
    xrects_.clear();
    for (const Rect &r : rects)
        xrects_.push_back({static_cast<short>(r.x), static_cast<short>(r.y),
                           static_cast<unsigned short>(r.width),
                           static_cast<unsigned short>(r.height)});
    // The runs of several areas are not in one order: the server sorts them.
    XShapeCombineRectangles(display_, window_, ShapeBounding, 0, 0, xrects_.data(),
                            static_cast<int>(xrects_.size()), op, Unsorted);
}

void WindowShape::set(const std::vector<Rect> &runs)
{
    if (!available_)
        return;
    combine(runs, ShapeSet);
    shaped_ = true;
}

void WindowShape::replace(const Damage &areas, const std::vector<Rect> &runs)
{
    if (!available_)
        return;
    if (!shaped_)
        return;  // the next whole frame sets it
    combine(areas, ShapeSubtract);
    combine(runs, ShapeUnion);
}

void WindowShape::clear()
{
    if (!available_ || !shaped_)
        return;
    XShapeCombineMask(display_, window_, ShapeBounding, 0, 0, None, ShapeSet);
    shaped_ = false;
}

void WindowShape::follow(cairo_surface_t *picture, const Damage &changed, int dx, int dy,
                         bool whole)
{
    runs_.clear();
    areas_.clear();
    for (const Rect &area : changed) {
        const size_t from = runs_.size();
        take_outline(picture, area, runs_);
        for (size_t i = from; i < runs_.size(); ++i) {
            runs_[i].x += dx;
            runs_[i].y += dy;
        }
        areas_.push_back({area.x + dx, area.y + dy, area.width, area.height});
    }
    if (whole)
        set(runs_);
    else
        replace(areas_, runs_);
}

}  // namespace qxclock
