/* A plain C client of the clock: draws a frame into a small image and checks
 * that something was drawn and the context is still sound. */
#include "qxdraw.h"

#include <sys/time.h>

int main(void)
{
    cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 64);
    cairo_t *cr = cairo_create(s);
    const unsigned char *data;
    int stride, x, y, painted = 0;

    qxface_draw(cr, 64, 64);
    qxhand_draw_now(cr, 64, 64, 1);
    draw_windows(cr);
    cairo_surface_flush(s);
    data = cairo_image_surface_get_data(s);
    stride = cairo_image_surface_get_stride(s);
    for (y = 0; y < 64; y++)
        for (x = 0; x < 64; x++)
            painted += data[y * stride + 4 * x + 3] != 0;
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS || painted < 100)
        return 1;
    cairo_destroy(cr);
    cairo_surface_destroy(s);
    return 0;
}
