// path_copy.h - a context's current path read back with cairo_copy_path.
#ifndef QUILLKIT_TESTS_PATH_COPY_H
#define QUILLKIT_TESTS_PATH_COPY_H

#include <cairo.h>

#include <ostream>
#include <vector>

namespace quillkit_test {

// One element of a path: its type and its points as x, y, x, y, ...
struct PathElement {
    cairo_path_data_type_t type;
    std::vector<double> xy;
    bool operator==(const PathElement &o) const { return type == o.type && xy == o.xy; }
};
void PrintTo(const PathElement &element, std::ostream *os);

// Shorthands for expected paths.
PathElement move_to(double x, double y);
PathElement line_to(double x, double y);
PathElement curve_to(double x1, double y1, double x2, double y2, double x3, double y3);
PathElement close_path();

// The current path of `cr`, in its current user space.
std::vector<PathElement> copy_path(cairo_t *cr);

// Same types, and every coordinate within `tolerance`.
bool paths_near(const std::vector<PathElement> &a, const std::vector<PathElement> &b,
                double tolerance);

}  // namespace quillkit_test

#endif  // QUILLKIT_TESTS_PATH_COPY_H
