/* png_argb32.c - read_png_argb32 through cairo's PNG reader. */
#include "snippets.h"

#include <stdint.h>

/* One transparent pixel, standing in for a file that cannot be read. */
static char *blank_pixel(int *width, int *height, int *stride)
{
    char *buffer = calloc(1, 4);

    *width = buffer ? 1 : 0;
    *height = buffer ? 1 : 0;
    *stride = buffer ? 4 : 0;
    return buffer;
}

char *read_png_argb32(const char *file, int *width, int *height, int *stride)
{
    cairo_surface_t *png, *argb;
    cairo_status_t status;
    cairo_t *cr;
    char *buffer;
    int w, h, s;

    png = cairo_image_surface_create_from_png(file);
    status = cairo_surface_status(png);
    if (status != CAIRO_STATUS_SUCCESS) {
        fprintf(stderr, "read_png_argb32: cannot read '%s': %s\n", file,
                cairo_status_to_string(status));
        cairo_surface_destroy(png);
        return blank_pixel(width, height, stride);
    }

    /* The PNG may have come in as RGB24 or A8; drawing it into a buffer of our
     * own gives ARGB32 whatever it was, with the stride cairo wants. */
    w = cairo_image_surface_get_width(png);
    h = cairo_image_surface_get_height(png);
    s = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, w);
    if (w <= 0 || h <= 0 || s <= 0 || (size_t)h > SIZE_MAX / (size_t)s ||
        (buffer = calloc((size_t)h, (size_t)s)) == NULL) {
        fprintf(stderr, "read_png_argb32: '%s' is too large (%d x %d)\n", file, w, h);
        cairo_surface_destroy(png);
        return blank_pixel(width, height, stride);
    }

    argb =
        cairo_image_surface_create_for_data((unsigned char *)buffer, CAIRO_FORMAT_ARGB32, w, h, s);
    cr = cairo_create(argb);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, png, 0, 0);
    cairo_paint(cr);
    status = cairo_status(cr);
    cairo_destroy(cr);
    cairo_surface_finish(argb);
    cairo_surface_destroy(argb);
    cairo_surface_destroy(png);
    if (status != CAIRO_STATUS_SUCCESS) {
        fprintf(stderr, "read_png_argb32: cannot convert '%s': %s\n", file,
                cairo_status_to_string(status));
        free(buffer);
        return blank_pixel(width, height, stride);
    }

    *width = w;
    *height = h;
    *stride = s;
    return buffer;
}
