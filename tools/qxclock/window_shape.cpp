// window_shape.cpp - the window's outline through the X Shape extension.
#include "window_shape.h"

#include <X11/extensions/shape.h>

namespace qxclock {

WindowShape::WindowShape(Display *display, Window window) : display_(display), window_(window)
{
    int event_base = 0, error_base = 0;
    available_ = XShapeQueryExtension(display, &event_base, &error_base);
}

void WindowShape::combine(const std::vector<Rect> &rects, int op)
{
    std::vector<XRectangle> xrects;
    xrects.reserve(rects.size());
    for (const Rect &r : rects)
        xrects.push_back({static_cast<short>(r.x), static_cast<short>(r.y),
                          static_cast<unsigned short>(r.width),
                          static_cast<unsigned short>(r.height)});
    // The runs of several areas are not in one order: the server sorts them.
    XShapeCombineRectangles(display_, window_, ShapeBounding, 0, 0, xrects.data(),
                            static_cast<int>(xrects.size()), op, Unsorted);
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

}  // namespace qxclock
