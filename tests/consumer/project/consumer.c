/* consumer.c - a plain C client of every quillkit module, built against an
 * installed tree or an embedded build. Exits 0 when every module linked and
 * drew what it should. Built with PREFIXED_INCLUDES it names the headers
 * <quillkit/...>, without it by their bare names; both must work. Built with
 * WITH_SNIPPETS it also calls the snippet runtime (quillkit-snippets), as a
 * program on the whole kit (quillkit.pc, quillkit::quillkit); it then writes
 * consumer.png into the working directory. */
#define _POSIX_C_SOURCE 200809L

#include <cairo.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/time.h>

#ifdef PREFIXED_INCLUDES
#include <quillkit/qxdraw.h>
#include <quillkit/shapekit.h>
#include <quillkit/visualpick.h>
#ifdef WITH_SNIPPETS
#include <quillkit/snippets.h>
#endif
#else
#include <qxdraw.h>
#include <shapekit.h>
#include <visualpick.h>
#ifdef WITH_SNIPPETS
#include <snippets.h>
#endif
#endif

static int failures;

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);               \
            ++failures;                                                                            \
        }                                                                                          \
    } while (0)

enum { SIZE = 100 };

static unsigned alpha_at(cairo_surface_t *s, int x, int y)
{
    const unsigned char *data;
    uint32_t pixel;
    cairo_surface_flush(s);
    data = cairo_image_surface_get_data(s);
    memcpy(&pixel, data + y * cairo_image_surface_get_stride(s) + x * 4, sizeof pixel);
    return pixel >> 24;
}

static int painted_pixels(cairo_surface_t *s)
{
    int x, y, n = 0;
    for (y = 0; y < SIZE; ++y)
        for (x = 0; x < SIZE; ++x)
            n += alpha_at(s, x, y) != 0;
    return n;
}

static void clear(cairo_t *cr)
{
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_restore(cr);
}

static void use_shapekit(cairo_t *cr, cairo_surface_t *s)
{
    double x = 0, y = 0;

    clear(cr);
    cairo_rectangle_round(cr, 10, 10, 80, 80, 10);
    cairo_get_current_point(cr, &x, &y);
    CHECK(x == 10 && y == 20); /* back at the start after the close */
    cairo_fill(cr);
    CHECK(alpha_at(s, 50, 50) == 255);
    CHECK(alpha_at(s, 10, 10) == 0); /* rounded off */

    cairo_edgeline(cr, 0, 0, 10, 10, 0);
    cairo_get_current_point(cr, &x, &y);
    CHECK(x == 10 && y == 11);
    cairo_new_path(cr);
}

static void use_clock(cairo_t *cr, cairo_surface_t *s)
{
    struct timeval noon = {43200, 0};

    clear(cr);
    qxface_draw(cr, SIZE, SIZE);
    CHECK(painted_pixels(s) > 0);

    clear(cr);
    qxlogo_draw(cr, SIZE, SIZE);
    CHECK(painted_pixels(s) > 0);

    clear(cr);
    qxhand_draw_now(cr, SIZE, SIZE, 1);
    CHECK(painted_pixels(s) > 0);

    clear(cr);
    qxhand_draw(cr, SIZE, SIZE, &noon, 0);
    CHECK(painted_pixels(s) > 0);

    /* The windows alone, in logo units (about 70 across) on the surface. */
    clear(cr);
    cairo_set_line_width(cr, 1);
    draw_windows(cr);
    CHECK(painted_pixels(s) > 0);
}

static void use_visualpick(void)
{
    Display *dpy = XOpenDisplay(NULL);
    if (dpy == NULL) {
        printf("visualpick: linked (no X display to ask)\n");
        return;
    }
    printf("visualpick: %s\n", find_argb_visual(dpy, DefaultScreen(dpy)) != NULL
                                   ? "found an ARGB visual"
                                   : "no ARGB visual on this display");
    XCloseDisplay(dpy);
}

#ifdef WITH_SNIPPETS
/* The snippet runtime: the animation's time, and a PNG read back into an
 * image that cairo's early calls paint. */
static void use_snippets(cairo_t *cr, cairo_surface_t *s)
{
    const char *png = "consumer.png";
    cairo_surface_t *red = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 4);
    cairo_t *red_cr = cairo_create(red);
    cairo_surface_t *image;
    char *buffer;
    int w = 0, h = 0, stride = 0;

    snippet_set_time(2.5);
    CHECK(snippet_time() == 2.5);

    cairo_set_source_rgb(red_cr, 1, 0, 0);
    cairo_paint(red_cr);
    cairo_destroy(red_cr);
    CHECK(cairo_surface_write_to_png(red, png) == CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(red);

    buffer = read_png_argb32(png, &w, &h, &stride);
    CHECK(buffer != NULL && w == 4 && h == 4 && stride >= 16);
    if (buffer == NULL)
        return;
    clear(cr);
    image = cairo_surface_create_for_image(buffer, CAIRO_FORMAT_ARGB32, w, h, stride);
    cairo_save(cr);
    cairo_scale(cr, 10, 10);
    cairo_move_to(cr, 0, 0);
    cairo_show_surface(cr, image, w, h);
    cairo_restore(cr);
    cairo_surface_destroy(image);
    free(buffer);
    CHECK(alpha_at(s, 20, 20) == 255);
    CHECK(alpha_at(s, 60, 60) == 0); /* beyond the 40 x 40 it covers */
}
#endif

int main(void)
{
    cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, SIZE, SIZE);
    cairo_t *cr = cairo_create(s);

    use_shapekit(cr, s);
    use_clock(cr, s);
#ifdef WITH_SNIPPETS
    use_snippets(cr, s);
#endif
    CHECK(cairo_status(cr) == CAIRO_STATUS_SUCCESS);
    use_visualpick();

    cairo_destroy(cr);
    cairo_surface_destroy(s);
    if (failures != 0) {
        fprintf(stderr, "quillkit consumer: %d check(s) failed\n", failures);
        return 1;
    }
#ifdef WITH_SNIPPETS
    printf("quillkit consumer: every module and the snippet runtime linked and drew\n");
#else
    printf("quillkit consumer: every module linked and drew\n");
#endif
    return 0;
}
