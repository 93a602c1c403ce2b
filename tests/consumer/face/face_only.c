/* face_only.c - a program that calls qxface_draw and nothing else of the
 * kit. libqxface draws the logo through libqxlogo, which such a program does
 * not name itself where the linker drops unused libraries (--as-needed): it
 * starts only if libqxface names libqxlogo and finds it. Exits 0 when the
 * face drew. */
#include <cairo.h>
#include <quillkit/qxdraw.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

int main(void)
{
    enum { kSize = 64 };
    cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize);
    cairo_t *cr = cairo_create(s);
    const unsigned char *data;
    uint32_t pixel;
    int i, painted = 0;

    qxface_draw(cr, kSize, kSize);
    cairo_surface_flush(s);
    data = cairo_image_surface_get_data(s);
    for (i = 0; i < kSize * kSize; ++i) {
        memcpy(&pixel, data + (i / kSize) * cairo_image_surface_get_stride(s) + (i % kSize) * 4,
               sizeof pixel);
        painted += (pixel >> 24) != 0;
    }
    cairo_destroy(cr);
    cairo_surface_destroy(s);
    if (painted == 0) {
        fprintf(stderr, "face_only: qxface_draw painted nothing\n");
        return 1;
    }
    printf("face_only: the face painted %d pixels\n", painted);
    return 0;
}
