/* cairo_guard.h - small helpers shared by the clock modules (not installed).
 *
 * The clock drawers work on the caller's context and must hand it back as
 * they found it. cairo_save/cairo_restore cover the matrix, source and line
 * width but not the current path, so the path gets a guard of its own.
 */
#ifndef QUILLKIT_CLOCK_CAIRO_GUARD_H
#define QUILLKIT_CLOCK_CAIRO_GUARD_H

#include <cairo.h>

#include <cmath>

namespace quillkit {

/* One cairo_save/cairo_restore pair, closed when the guard goes out of scope. */
class saved_state {
public:
    explicit saved_state(cairo_t *cr) : cr_(cr) { cairo_save(cr_); }
    ~saved_state() { cairo_restore(cr_); }
    saved_state(const saved_state &) = delete;
    saved_state &operator=(const saved_state &) = delete;

private:
    cairo_t *cr_;
};

/* Sets the caller's current path aside and gives it back on scope exit.
 *
 * A drawer that fills or strokes would otherwise paint whatever path the
 * caller had started. cairo_copy_path reports the path in the user space of
 * the matrix in force, and cairo_append_path reads it back in the same way,
 * so the path is appended under the very matrix it was copied under: it ends
 * up on the same device coordinates whatever the drawer did in between.
 * Whatever the drawer left in the path is discarded first. */
class path_set_aside {
public:
    explicit path_set_aside(cairo_t *cr) : cr_(cr), path_(nullptr)
    {
        cairo_get_matrix(cr_, &matrix_);
        path_ = cairo_copy_path(cr_);
        cairo_new_path(cr_);
    }
    ~path_set_aside()
    {
        cairo_matrix_t current;
        cairo_get_matrix(cr_, &current);
        cairo_set_matrix(cr_, &matrix_);
        cairo_new_path(cr_);
        if (path_->status == CAIRO_STATUS_SUCCESS)
            cairo_append_path(cr_, path_);
        cairo_path_destroy(path_);
        cairo_set_matrix(cr_, &current);
    }
    path_set_aside(const path_set_aside &) = delete;
    path_set_aside &operator=(const path_set_aside &) = delete;

private:
    cairo_t *cr_;
    cairo_matrix_t matrix_;
    cairo_path_t *path_;
};

/* The alpha a clock drawer paints with, apart from the hands and the logo's
 * triangle, which set their own: the alpha of the caller's source when it is
 * a solid colour, 1.0 for any other source. A client fades the whole face by
 * setting a translucent colour before the call. */
inline double alpha_in_force(cairo_t *cr)
{
    double red, green, blue, alpha;
    if (cairo_pattern_get_rgba(cairo_get_source(cr), &red, &green, &blue, &alpha) ==
        CAIRO_STATUS_SUCCESS)
        return alpha;
    return 1.0;
}

/* Whether cairo_scale(cr, sx, sy) leaves the matrix invertible. cairo treats a
 * singular or non-finite matrix as an error that sticks to the context for the
 * rest of its life, so a drawer asked to draw into an empty or non-finite
 * rectangle draws nothing rather than break the caller's context. The tests
 * are the ones cairo applies: finite factors whose product does not vanish,
 * and a resulting matrix with a finite, non-zero determinant. */
inline bool scale_keeps_matrix_invertible(cairo_t *cr, double sx, double sy)
{
    if (!std::isfinite(sx) || !std::isfinite(sy) || sx * sy == 0.0)
        return false;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    cairo_matrix_scale(&m, sx, sy);
    return cairo_matrix_invert(&m) == CAIRO_STATUS_SUCCESS;
}

struct rgb {
    double red, green, blue;
};

/* The palette the logo and the face share. */
constexpr rgb light_grey{0.73, 0.73, 0.73};
constexpr rgb accent_blue{0.231, 0.502, 0.682};

inline void set_source(cairo_t *cr, const rgb &colour, double alpha)
{
    cairo_set_source_rgba(cr, colour.red, colour.green, colour.blue, alpha);
}

}  // namespace quillkit

#endif /* QUILLKIT_CLOCK_CAIRO_GUARD_H */
