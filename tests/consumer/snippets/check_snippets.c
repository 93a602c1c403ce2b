/* check_snippets - a program on a generated snippet module, built against
 * quillkit the way a user builds one (CMake, pkg-config, Meson, embedded).
 *
 *   check_snippets AARRGGBB svg|nosvg
 *
 * Draws each snippet of rounded.cairo, png.cairo and svg.cairo into a 64 x 64
 * image and checks its pixels: the rounded rectangle in the colour given, the
 * PNG and SVG backgrounds it writes into the working directory first (with
 * "nosvg", the kit was built without librsvg and the SVG must draw nothing).
 * Exits 0 when everything is right. */
#include <quillkit/snippets.h>

#include <stdint.h>

enum { SIZE = 64 };

static int failures;

static uint32_t pixel(cairo_surface_t *s, int x, int y)
{
    uint32_t p;
    cairo_surface_flush(s);
    memcpy(&p, cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s) + 4 * x,
           sizeof p);
    return p;
}

/* Every channel within 16 of the wanted one (PNG scaling blends a little). */
static void expect(const char *snippet, cairo_surface_t *s, int x, int y, uint32_t want)
{
    uint32_t got = pixel(s, x, y);
    int shift;
    for (shift = 0; shift < 32; shift += 8) {
        int d = (int)((got >> shift) & 0xff) - (int)((want >> shift) & 0xff);
        if (d < -16 || d > 16) {
            fprintf(stderr, "%s: (%d, %d) is %08lx, want %08lx\n", snippet, x, y,
                    (unsigned long)got, (unsigned long)want);
            failures++;
            return;
        }
    }
}

/* Draws the snippet named `name` into a fresh transparent image. */
static cairo_surface_t *draw(const char *name)
{
    cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, SIZE, SIZE);
    cairo_t *cr = cairo_create(s);
    int no = snippet_name2no(name);
    if (no < 0) {
        failures++;
    } else {
        cairo_scale(cr, SIZE, SIZE);
        snippet_do(cr, no);
        if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
            fprintf(stderr, "%s: %s\n", name, cairo_status_to_string(cairo_status(cr)));
            failures++;
        }
    }
    cairo_destroy(cr);
    return s;
}

static void write_backgrounds(void)
{
    static const double colour[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
    cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 2, 2);
    cairo_t *cr = cairo_create(s);
    FILE *svg = fopen("bg.svg", "w");
    int k;
    for (k = 0; k < 4; k++) {
        cairo_set_source_rgb(cr, colour[k][0], colour[k][1], colour[k][2]);
        cairo_rectangle(cr, k % 2, k / 2, 1, 1);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    if (cairo_surface_write_to_png(s, "bg.png") != CAIRO_STATUS_SUCCESS || svg == NULL) {
        fprintf(stderr, "cannot write the background files\n");
        exit(2);
    }
    cairo_surface_destroy(s);
    fputs("<svg xmlns='http://www.w3.org/2000/svg' width='4' height='2'>"
          "<rect width='2' height='2' fill='#00ff00'/>"
          "<rect x='2' width='2' height='2' fill='#0000ff'/></svg>\n",
          svg);
    fclose(svg);
}

int main(int argc, char **argv)
{
    cairo_surface_t *s;
    uint32_t colour;
    int with_svg;

    if (argc != 3) {
        fprintf(stderr, "usage: check_snippets AARRGGBB svg|nosvg\n");
        return 2;
    }
    colour = (uint32_t)strtoul(argv[1], NULL, 16);
    with_svg = strcmp(argv[2], "svg") == 0;
    write_backgrounds();
    if (snippet_count != 3)
        failures++;

    s = draw("rounded");
    expect("rounded", s, 32, 32, colour);
    expect("rounded", s, 32, 8, colour);
    expect("rounded", s, 7, 7, 0); /* cut off by the rounded corner */
    expect("rounded", s, 2, 32, 0);
    cairo_surface_destroy(s);

    s = draw("png");
    expect("png", s, 16, 16, 0xffff0000);
    expect("png", s, 48, 16, 0xff00ff00);
    expect("png", s, 16, 48, 0xff0000ff);
    expect("png", s, 48, 48, 0xffffffff);
    cairo_surface_destroy(s);

    s = draw("svg");
    expect("svg", s, 16, 32, with_svg ? 0xff00ff00 : 0);
    expect("svg", s, 48, 32, with_svg ? 0xff0000ff : 0);
    cairo_surface_destroy(s);

    if (failures != 0) {
        fprintf(stderr, "check_snippets: %d check(s) failed\n", failures);
        return 1;
    }
    printf("check_snippets: %d snippets drew what they should\n", snippet_count);
    return 0;
}
