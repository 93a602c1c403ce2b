/* The early cairo names the generated module calls, over today's cairo. */
#include "snippets.h"

cairo_surface_t *cairo_surface_create_for_image(char *data, cairo_format_t format, int width,
                                                int height, int stride)
{
    return cairo_image_surface_create_for_data((unsigned char *)data, format, width, height,
                                               stride);
}

/* Paints the surface's width x height at the current point, as the early
 * interface did. */
void cairo_show_surface(cairo_t *cr, cairo_surface_t *surface, int width, int height)
{
    double x = 0, y = 0;
    if (cairo_has_current_point(cr))
        cairo_get_current_point(cr, &x, &y);
    cairo_save(cr);
    cairo_set_source_surface(cr, surface, x, y);
    cairo_rectangle(cr, x, y, width, height);
    cairo_fill(cr);
    cairo_restore(cr);
}

char *read_png_argb32(const char *file, int *width, int *height, int *stride)
{
    cairo_surface_t *png = cairo_image_surface_create_from_png(file);
    char *buffer = NULL;
    *width = *height = *stride = 0;
    if (cairo_surface_status(png) == CAIRO_STATUS_SUCCESS) {
        cairo_surface_t *argb;
        cairo_t *cr;
        *width = cairo_image_surface_get_width(png);
        *height = cairo_image_surface_get_height(png);
        *stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, *width);
        buffer = calloc((size_t)*stride, (size_t)*height);
        argb = cairo_image_surface_create_for_data((unsigned char *)buffer, CAIRO_FORMAT_ARGB32,
                                                   *width, *height, *stride);
        cr = cairo_create(argb);
        cairo_set_source_surface(cr, png, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(argb);
    }
    cairo_surface_destroy(png);
    return buffer;
}

struct svg_cairo {
    int parsed;
};

int svg_cairo_create(svg_cairo_t **svgc)
{
    *svgc = calloc(1, sizeof **svgc);
    return *svgc == NULL;
}

int svg_cairo_parse(svg_cairo_t *svgc, const char *file)
{
    (void)file;
    svgc->parsed = 1;
    return 0;
}

int svg_cairo_get_size(svg_cairo_t *svgc, int *width, int *height)
{
    *width = svgc->parsed ? SVG_TEST_WIDTH : 0;
    *height = svgc->parsed ? SVG_TEST_HEIGHT : 0;
    return 0;
}

int svg_cairo_render(svg_cairo_t *svgc, cairo_t *cr)
{
    if (!svgc->parsed)
        return 1;
    cairo_set_source_rgb(cr, 0, 0, 1);
    cairo_rectangle(cr, 0, 0, SVG_TEST_WIDTH, SVG_TEST_HEIGHT);
    cairo_fill(cr);
    return 0;
}

int svg_cairo_destroy(svg_cairo_t *svgc)
{
    free(svgc);
    return 0;
}
