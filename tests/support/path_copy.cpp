// path_copy.cpp - a context's current path read back with cairo_copy_path.
#include "path_copy.h"

#include <cmath>

namespace quillkit_test {

void PrintTo(const PathElement &element, std::ostream *os)
{
    static const char *const kNames[] = {"move_to", "line_to", "curve_to", "close_path"};
    *os << kNames[element.type] << "(";
    for (std::size_t i = 0; i < element.xy.size(); ++i)
        *os << (i ? ", " : "") << element.xy[i];
    *os << ")";
}

PathElement move_to(double x, double y)
{
    return {CAIRO_PATH_MOVE_TO, {x, y}};
}

PathElement line_to(double x, double y)
{
    return {CAIRO_PATH_LINE_TO, {x, y}};
}

PathElement curve_to(double x1, double y1, double x2, double y2, double x3, double y3)
{
    return {CAIRO_PATH_CURVE_TO, {x1, y1, x2, y2, x3, y3}};
}

PathElement close_path()
{
    return {CAIRO_PATH_CLOSE_PATH, {}};
}

std::vector<PathElement> copy_path(cairo_t *cr)
{
    std::vector<PathElement> out;
    cairo_path_t *path = cairo_copy_path(cr);
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        const cairo_path_data_t *d = &path->data[i];
        PathElement element{d->header.type, {}};
        for (int p = 1; p < d->header.length; ++p) {
            element.xy.push_back(d[p].point.x);
            element.xy.push_back(d[p].point.y);
        }
        out.push_back(element);
    }
    cairo_path_destroy(path);
    return out;
}

bool paths_near(const std::vector<PathElement> &a, const std::vector<PathElement> &b,
                double tolerance)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].type != b[i].type || a[i].xy.size() != b[i].xy.size())
            return false;
        for (std::size_t k = 0; k < a[i].xy.size(); ++k)
            if (!(std::fabs(a[i].xy[k] - b[i].xy[k]) <= tolerance))
                return false;
    }
    return true;
}

}  // namespace quillkit_test
