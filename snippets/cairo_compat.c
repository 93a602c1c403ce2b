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

void cairo_show_surface(cairo_t *cr, cairo_surface_t *surface, int w, int h)
{
    double x = 0.0, y = 0.0;
    int sw, sh;
    quillkit_path_aside aside;

    if (surface == NULL || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
        return;
    if (cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE)
        return;
    sw = cairo_image_surface_get_width(surface);
    sh = cairo_image_surface_get_height(surface);
    /* A zero size would make a singular matrix and put cr in an error state. */
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0)
        return;

    if (cairo_has_current_point(cr))
        cairo_get_current_point(cr, &x, &y);

    /* Showing a surface never touched the path: keep the caller's across the
     * clip, which consumes it. */
    quillkit_set_path_aside(cr, &aside);

    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, (double)w / sw, (double)h / sh);
    cairo_rectangle(cr, 0, 0, sw, sh);
    cairo_clip(cr);
    cairo_set_source_surface(cr, surface, 0, 0);
    /* Padding keeps the edge pixels from fading into transparency when the
     * surface is scaled up; the clip keeps the padding itself out. */
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_paint(cr);
    cairo_restore(cr);

    quillkit_give_path_back(cr, &aside);
}
