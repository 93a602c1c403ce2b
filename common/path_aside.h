/* path_aside.h - setting the caller's current path aside while drawing, and
 * giving it back (not installed).
 *
 * cairo_save/cairo_restore do not cover the current path, so code that fills,
 * strokes, clips or builds paths of its own on a caller's context sets the
 * caller's path aside first and gives it back afterwards.
 *
 * cairo_copy_path reports the path in the user space of the matrix in force,
 * and cairo_append_path reads it back the same way, so the path is appended
 * under the very matrix it was copied under: it ends up on the same device
 * coordinates whatever was done in between. Whatever the drawing left in the
 * path is discarded first. A path without a current point (after
 * cairo_new_sub_path) gets none back either, so that the caller's next arc
 * starts a sub-path of its own rather than being joined to the old end by a
 * line.
 *
 * Written in C, so that the kit's C and C++ code share it.
 */
#ifndef QUILLKIT_COMMON_PATH_ASIDE_H
#define QUILLKIT_COMMON_PATH_ASIDE_H

#include <cairo.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct quillkit_path_aside {
    cairo_matrix_t matrix; /* the matrix the path was copied under */
    cairo_path_t *path;
    int had_current_point;
} quillkit_path_aside;

/* Copies the caller's path into `aside` and clears it from `cr`. */
static inline void quillkit_set_path_aside(cairo_t *cr, quillkit_path_aside *aside)
{
    aside->had_current_point = cairo_has_current_point(cr) != 0;
    cairo_get_matrix(cr, &aside->matrix);
    aside->path = cairo_copy_path(cr);
    cairo_new_path(cr);
}

/* Replaces whatever path `cr` holds by the one set aside, and frees the copy.
 * The matrix in force is left as it is. */
static inline void quillkit_give_path_back(cairo_t *cr, quillkit_path_aside *aside)
{
    cairo_matrix_t current;
    cairo_get_matrix(cr, &current);
    cairo_set_matrix(cr, &aside->matrix);
    cairo_new_path(cr);
    if (aside->path->status == CAIRO_STATUS_SUCCESS)
        cairo_append_path(cr, aside->path);
    cairo_path_destroy(aside->path);
    aside->path = NULL;
    if (!aside->had_current_point)
        cairo_new_sub_path(cr);
    cairo_set_matrix(cr, &current);
}

#ifdef __cplusplus
}
#endif

#endif /* QUILLKIT_COMMON_PATH_ASIDE_H */
