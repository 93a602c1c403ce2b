/* cairo_compat.c - the two early cairo calls that snippets.c makes, on
 * today's cairo. */
#include "snippets.h"

#include "path_aside.h"

cairo_surface_t *cairo_surface_create_for_image(char *buffer, cairo_format_t format, int w, int h,
                                                int stride)
{
    /* cairo checks the size and the stride itself and answers with a surface
     * in an error state, which cairo_show_surface then skips. */
    return cairo_image_surface_create_for_data((unsigned char *)buffer, format, w, h, stride);
}

/* Drops a move_to that ends the path set aside: the move that positioned the
 * surface. (cairo_save and cairo_restore kept the path in the early
 * interface, which took such a move away again; today they do not.) */
static void drop_positioning_move(quillkit_path_aside *aside)
{
    cairo_path_t *path = aside->path;
    int i, last = -1;

    if (path->status != CAIRO_STATUS_SUCCESS)
        return;
    for (i = 0; i < path->num_data; i += path->data[i].header.length)
        last = i;
    if (last < 0 || path->data[last].header.type != CAIRO_PATH_MOVE_TO)
        return;
    path->num_data = last;
    /* What is left ends in a segment (its end is the current point), or is
     * empty and has none. */
    aside->had_current_point = last > 0;
}

/* An error surface, one that is not an image, and a zero size (a singular
 * matrix, which would put cr in an error state) draw nothing. */
static int can_show(cairo_surface_t *surface, int w, int h)
{
    return surface != NULL && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
           cairo_surface_get_type(surface) == CAIRO_SURFACE_TYPE_IMAGE && w > 0 && h > 0 &&
           cairo_image_surface_get_width(surface) > 0 &&
           cairo_image_surface_get_height(surface) > 0;
}

void cairo_show_surface(cairo_t *cr, cairo_surface_t *surface, int w, int h)
{
    double x = 0.0, y = 0.0;
    int sw, sh;
    quillkit_path_aside aside;

    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS)
        return;
    if (cairo_has_current_point(cr))
        cairo_get_current_point(cr, &x, &y);

    /* Showing a surface draws no path: the caller's is kept across the clip,
     * which consumes it, all but the move that placed the surface. */
    quillkit_set_path_aside(cr, &aside);
    drop_positioning_move(&aside);

    if (can_show(surface, w, h)) {
        sw = cairo_image_surface_get_width(surface);
        sh = cairo_image_surface_get_height(surface);
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, (double)w / sw, (double)h / sh);
        cairo_rectangle(cr, 0, 0, sw, sh);
        cairo_clip(cr);
        cairo_set_source_surface(cr, surface, 0, 0);
        /* Padding keeps the edge pixels from fading into transparency when
         * the surface is scaled up; the clip keeps the padding itself out. */
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
        cairo_paint(cr);
        cairo_restore(cr);
    }

    quillkit_give_path_back(cr, &aside);
}
