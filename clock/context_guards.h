/* context_guards.h - how the clock drawers hand the caller's context back as
 * they found it (not installed).
 *
 * cairo_save/cairo_restore cover the matrix, source, line width and stroke
 * style but not the current path, so the path gets a guard of its own. And
 * since a context that once enters an error state stays in it, a drawer
 * checks first that the drawing can be made at all.
 */
#ifndef QUILLKIT_CLOCK_CONTEXT_GUARDS_H
#define QUILLKIT_CLOCK_CONTEXT_GUARDS_H

#include <cairo.h>

#include "path_aside.h"

#include <cmath>
#include <initializer_list>

namespace quillkit {

/* One cairo_save/cairo_restore pair, closed when the guard goes out of scope. */
class SavedState {
public:
    explicit SavedState(cairo_t *cr) : cr_(cr) { cairo_save(cr_); }
    ~SavedState() { cairo_restore(cr_); }
    SavedState(const SavedState &) = delete;
    SavedState &operator=(const SavedState &) = delete;

private:
    cairo_t *cr_;
};

/* Sets the caller's current path aside and gives it back on scope exit (see
 * path_aside.h: fills and strokes here would otherwise paint the caller's
 * path). */
class PathSetAside {
public:
    explicit PathSetAside(cairo_t *cr) : cr_(cr) { quillkit_set_path_aside(cr_, &aside_); }
    ~PathSetAside() { quillkit_give_path_back(cr_, &aside_); }
    PathSetAside(const PathSetAside &) = delete;
    PathSetAside &operator=(const PathSetAside &) = delete;

private:
    cairo_t *cr_;
    quillkit_path_aside aside_;
};

/* Device coordinates cairo can hold: its 24.8 fixed point keeps 23 bits and a
 * sign before the binary point. Geometry beyond them wraps around, and arcs
 * that large are cut into so many segments that a single call runs for
 * seconds and takes gigabytes. */
constexpr double kMaxDeviceCoordinate = 8388608.0; /* 2^23 */

/* The least area, in square device units, of a drawing worth making. The
 * drawers scale down by up to about 1e-5 inside (logo windows in a face), and
 * below about 1e-308 a matrix's determinant becomes zero, which cairo treats
 * as an error that sticks to the context; a drawing this small covers no
 * visible part of a pixel anyway. */
constexpr double kMinDeviceArea = 1e-200;

/* How squashed a drawing may be against a rotated caller space. cairo works
 * out a matrix's determinant as xx * yy - yx * xy; when the caller's matrix is
 * turned and the drawing is stretched a billion times more one way than the
 * other, the drawers' own rotations make those two products nearly equal and
 * the difference is rounding noise, or zero, which cairo takes for a singular
 * matrix. The determinant must stay this large a share of the product of the
 * matrix's row lengths, which bounds the two products for every rotation the
 * drawer adds. An unturned matrix always has a share of 1. */
constexpr double kMinDeterminantShare = 1e-9;

/* The larger magnitude of two numbers, without libm. */
constexpr double larger_magnitude(double a, double b)
{
    const double abs_a = a < 0 ? -a : a, abs_b = b < 0 ? -b : b;
    return abs_a > abs_b ? abs_a : abs_b;
}

/* Whether |det m| >= kMinDeterminantShare * |row 1| * |row 2|. The share does
 * not change when a row is scaled, so each row is first scaled to a largest
 * element of 1; then squaring neither overflows nor underflows, and no square
 * root (libm) is needed. A zero row fails. */
inline bool determinant_share_is_safe(const cairo_matrix_t &m)
{
    const double row1 = larger_magnitude(m.xx, m.xy), row2 = larger_magnitude(m.yx, m.yy);
    const double xx = m.xx / row1, xy = m.xy / row1, yx = m.yx / row2, yy = m.yy / row2;
    const double determinant = xx * yy - xy * yx;
    const double rows_squared = (xx * xx + xy * xy) * (yx * yx + yy * yy);
    return determinant * determinant >= kMinDeterminantShare * kMinDeterminantShare * rows_squared;
}

/* Whether a drawing in the box (0, 0)-(1, 1) of the user space that
 * cairo_translate(cr, dx, dy) and cairo_scale(cr, sx, sy) would make can be
 * drawn: the transforms are ones cairo accepts, the box's area on the device
 * is finite and not vanishingly small, the matrix stays well away from
 * singular under any rotation, and all of the box lies where cairo's device
 * coordinates reach. Otherwise a drawer draws nothing, and the context
 * stays usable. */
inline bool box_is_drawable(cairo_t *cr, double dx, double dy, double sx, double sy)
{
    if (!std::isfinite(dx) || !std::isfinite(dy) || !std::isfinite(sx) || !std::isfinite(sy))
        return false;
    if (sx * sy == 0.0) /* cairo_scale's own test */
        return false;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    cairo_matrix_translate(&m, dx, dy);
    cairo_matrix_scale(&m, sx, sy);
    /* The target's device transform (a device scale or offset, a group's
     * offset) comes on top of the matrix. */
    double scale_x = 1.0, scale_y = 1.0, offset_x = 0.0, offset_y = 0.0;
    cairo_surface_t *target = cairo_get_group_target(cr);
    cairo_surface_get_device_scale(target, &scale_x, &scale_y);
    cairo_surface_get_device_offset(target, &offset_x, &offset_y);
    const double determinant = m.xx * m.yy - m.xy * m.yx;
    const double area = std::fabs(determinant * scale_x * scale_y);
    if (!std::isfinite(area) || area < kMinDeviceArea)
        return false;
    for (const double x : {0.0, 1.0})
        for (const double y : {0.0, 1.0}) {
            double ux = x, uy = y;
            cairo_matrix_transform_point(&m, &ux, &uy);
            ux = ux * scale_x + offset_x;
            uy = uy * scale_y + offset_y;
            if (!(std::fabs(ux) <= kMaxDeviceCoordinate && std::fabs(uy) <= kMaxDeviceCoordinate))
                return false;
        }
    return determinant_share_is_safe(m);
}

/* cairo's default stroke style: no dash, butt caps, miter joins, miter limit
 * 10. The drawers set it inside their save/restore pair before stroking, so a
 * caller's dashed or rounded strokes do not leak into the clock. */
inline void use_default_stroke_style(cairo_t *cr)
{
    cairo_set_dash(cr, nullptr, 0, 0.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(cr, 10.0);
}

/* What every drawer puts around its drawing: the caller's path set aside,
 * one save/restore pair, and cairo's default stroke style inside it. */
class DrawingScope {
public:
    explicit DrawingScope(cairo_t *cr) : path_(cr), state_(cr) { use_default_stroke_style(cr); }

private:
    PathSetAside path_;
    SavedState state_;
};

}  // namespace quillkit

#endif /* QUILLKIT_CLOCK_CONTEXT_GUARDS_H */
