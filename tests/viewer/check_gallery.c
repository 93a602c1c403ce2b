/* check_gallery DIR SIZE - checks what quillkit-viewer wrote into DIR at --size
 * SIZE: a picture of every linked snippet, SIZE x SIZE, opaque and not blank,
 * with the colours that the snippet's geometry puts at chosen points, and the
 * contact sheet with every thumbnail in its cell.
 *
 * The expected colours are read off the snippet sources under
 * examples/snippets (and their background files), at points well inside or
 * well outside the shapes, so that antialiasing cannot reach them. */
#include "gallery.h"
#include <quillkit/snippets.h>

#include <stdarg.h>
#include <stdint.h>

typedef struct {
    const char *snippet;
    double u, v;    /* point in the unit square */
    double r, g, b; /* expected colour, 0..1 */
    int tolerance;  /* per channel, 0..255 */
    int on_sheet;   /* also checked on the thumbnail */
} probe_t;

#define WHITE 1, 1, 1
#define HEX(c) ((c) >> 16 & 255) / 255.0, ((c) >> 8 & 255) / 255.0, ((c)&255) / 255.0
#define ACCENT 0.231, 0.502, 0.682

static const probe_t probes[] = {
    /* disc: radius 0.35 about the middle, rim 0.03 wide */
    {"disc", 0.5, 0.5, 0.86, 0.20, 0.18, 2, 1},
    {"disc", 0.5, 0.15, 0.25, 0.05, 0.05, 2, 0},
    {"disc", 0.5, 0.12, WHITE, 0, 0},
    {"disc", 0.05, 0.05, WHITE, 0, 0},
    /* gradient: red disc at half alpha over white, left of its neighbour */
    {"gradient", 0.2, 0.78, 1.0, 0.5, 0.5, 2, 1},
    {"gradient", 0.05, 0.35, WHITE, 0, 0},
    /* strokes: lines 0.08 wide from x 0.25 to 0.75 */
    {"strokes", 0.5, 0.2, 0.15, 0.15, 0.2, 2, 1},
    {"strokes", 0.22, 0.2, WHITE, 0, 0},              /* butt cap ends at 0.25 */
    {"strokes", 0.22, 0.4, 0.15, 0.15, 0.2, 2, 0},    /* round cap, 0.029 from its centre */
    {"strokes", 0.215, 0.365, WHITE, 0, 0},           /* round cap, beyond its corner */
    {"strokes", 0.215, 0.565, 0.15, 0.15, 0.2, 2, 0}, /* square cap covers its corner */
    /* star: top point inside, inner pentagon empty under even-odd */
    {"star", 0.5, 0.25, 0.95, 0.70, 0.10, 2, 1},
    {"star", 0.5, 0.5, WHITE, 0, 0},
    {"star", 0.05, 0.95, WHITE, 0, 0},
    /* png_background: landscape.png is sky above y 40/64, grass below, sun at
     * (48, 14) radius 7 in its 64 x 64 pixels; the house's wall on top */
    {"png_background", 0.1, 0.3, HEX(0x9acdf0), 1, 1},
    {"png_background", 0.0, 0.0, HEX(0x9acdf0), 1, 0},
    {"png_background", 0.8, 0.85, HEX(0x5da34a), 1, 0},
    {"png_background", 0.75, 0.22, HEX(0xffd54a), 1, 0},
    {"png_background", 0.25, 0.5, 0.85, 0.35, 0.25, 2, 0},
    /* svg_background: tiles.svg quarters, its ring of radius 0.3, our disc */
    {"svg_background", 0.15, 0.15, HEX(0xf4e3c1), 1, 1},
    {"svg_background", 0.85, 0.15, HEX(0xc9a66b), 1, 0},
    {"svg_background", 0.15, 0.85, HEX(0xc9a66b), 1, 0},
    {"svg_background", 0.85, 0.85, HEX(0xf4e3c1), 1, 0},
    {"svg_background", 0.5, 0.2, HEX(0x3b80ae), 1, 0},
    {"svg_background", 0.5, 0.5, 0.15, 0.2, 0.3, 2, 0},
    /* card (in hundredths): card 15..85 x 20..80, corner radius 12 whose
     * curve passes (16.5, 21.5); shadow offset by (2, 3) at alpha 0.25 */
    {"card", 0.153, 0.203, WHITE, 0, 0},
    {"card", 0.5, 0.29, ACCENT, 2, 1},
    {"card", 0.2, 0.7, 0.97, 0.97, 0.95, 2, 0},
    {"card", 0.5, 0.485, 0.73, 0.73, 0.73, 2, 0},
    {"card", 0.862, 0.5, 0.75, 0.75, 0.75, 2, 0},
    {"card", 0.95, 0.5, WHITE, 0, 0},
    /* nodes (in hundredths): edges 2 wide from (50, 31) to (x, 69); the one
     * to x 50 is straight, the one to x 18 an S through (34, 50) whose
     * control points (50, 50) and (18, 50) put its quarter point at
     * (45, 42.28), where a straight edge would be at x 40.5 */
    {"nodes", 0.5, 0.23, ACCENT, 2, 1},
    {"nodes", 0.18, 0.77, ACCENT, 2, 0},
    {"nodes", 0.5, 0.5, 0.45, 0.45, 0.45, 2, 0},
    {"nodes", 0.34, 0.5, 0.45, 0.45, 0.45, 2, 0},
    {"nodes", 0.45, 0.4228, 0.45, 0.45, 0.45, 2, 0},
    {"nodes", 0.405, 0.4228, WHITE, 0, 0},
};

static int failures;

__attribute__((format(printf, 1, 2))) static void fail(const char *fmt, ...)
{
    va_list ap;

    va_start(ap, fmt);
    fprintf(stderr, "check_gallery: ");
    vfprintf(stderr, fmt, ap);
    fputc('\n', stderr);
    va_end(ap);
    failures++;
}

static cairo_surface_t *load(const char *dir, const char *file)
{
    char path[4096];
    cairo_surface_t *image;

    snprintf(path, sizeof path, "%s/%s", dir, file);
    image = cairo_image_surface_create_from_png(path);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        fail("cannot read %s: %s", path, cairo_status_to_string(cairo_surface_status(image)));
        cairo_surface_destroy(image);
        return NULL;
    }
    cairo_surface_flush(image);
    return image;
}

static uint32_t pixel(cairo_surface_t *image, int x, int y)
{
    const unsigned char *data = cairo_image_surface_get_data(image);
    uint32_t p =
        *(const uint32_t *)(data + (size_t)y * (size_t)cairo_image_surface_get_stride(image) +
                            (size_t)x * 4);

    return cairo_image_surface_get_format(image) == CAIRO_FORMAT_RGB24 ? p | 0xff000000u : p;
}

static int channel_off(uint32_t p, int shift, double want, int tolerance)
{
    int got = (int)(p >> shift & 255);
    int w = (int)lround(want * 255);

    return abs(got - w) > tolerance;
}

static void check_probe(const probe_t *pr, cairo_surface_t *image, int x0, int y0, int side,
                        int tolerance, const char *where)
{
    int x = x0 + (int)(pr->u * side), y = y0 + (int)(pr->v * side);
    uint32_t p;

    if (x >= x0 + side)
        x = x0 + side - 1;
    if (y >= y0 + side)
        y = y0 + side - 1;
    p = pixel(image, x, y);
    if (channel_off(p, 16, pr->r, tolerance) || channel_off(p, 8, pr->g, tolerance) ||
        channel_off(p, 0, pr->b, tolerance) || (p >> 24) != 255) {
        fail("%s of '%s' at (%.3f, %.3f): want #%02lx%02lx%02lx +-%d, got #%08lx (argb)", where,
             pr->snippet, pr->u, pr->v, lround(pr->r * 255), lround(pr->g * 255),
             lround(pr->b * 255), tolerance, (unsigned long)p);
    }
}

/* gradient: the band from x 0.1 to 0.9 shades linearly from the accent blue
 * to (0.98, 0.80, 0.25); cairo samples it at pixel centres. */
static void check_gradient(cairo_surface_t *image, int size)
{
    static const double from[3] = {0.231, 0.502, 0.682}, to[3] = {0.98, 0.80, 0.25};
    static const double us[] = {0.15, 0.3, 0.5, 0.7, 0.85};
    size_t k;

    for (k = 0; k < sizeof us / sizeof us[0]; k++) {
        int x = (int)(us[k] * size);
        double t = ((x + 0.5) / size - 0.1) / 0.8;
        probe_t pr = {"gradient", us[k], 0.35, 0, 0, 0, 2, 0};
        pr.r = from[0] + t * (to[0] - from[0]);
        pr.g = from[1] + t * (to[1] - from[1]);
        pr.b = from[2] + t * (to[2] - from[2]);
        check_probe(&pr, image, 0, 0, size, pr.tolerance, "picture");
    }
}

/* Every pixel opaque (the white ground) and not all of them white. */
static void check_whole(cairo_surface_t *image, const char *file)
{
    int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
    int x, y, drawn = 0;

    for (y = 0; y < h; y++)
        for (x = 0; x < w; x++) {
            uint32_t p = pixel(image, x, y);
            if ((p >> 24) != 255) {
                fail("%s: transparent pixel at (%d, %d)", file, x, y);
                return;
            }
            drawn |= (p & 0xffffffu) != 0xffffffu;
        }
    if (!drawn)
        fail("%s: nothing drawn", file);
}

int main(int argc, char **argv)
{
    const char *dir;
    cairo_surface_t **images, *sheet;
    gallery_layout_t layout;
    char **files;
    int size, i;
    size_t k;

    if (argc != 3 || (size = atoi(argv[2])) < 1) {
        fprintf(stderr, "usage: check_gallery DIR SIZE\n");
        return 2;
    }
    dir = argv[1];
    files = gallery_file_names(snippet_name, snippet_count);
    images = calloc((size_t)snippet_count + 1, sizeof *images);
    if (files == NULL || images == NULL)
        return 2;

    for (i = 0; i < snippet_count; i++) {
        images[i] = load(dir, files[i]);
        if (images[i] == NULL)
            continue;
        if (cairo_image_surface_get_width(images[i]) != size ||
            cairo_image_surface_get_height(images[i]) != size) {
            fail("%s: not %d pixels square", files[i], size);
            continue;
        }
        check_whole(images[i], files[i]);
    }

    layout = gallery_layout(snippet_count, size);
    sheet = load(dir, GALLERY_SHEET_FILE);
    if (sheet != NULL && (cairo_image_surface_get_width(sheet) != layout.width ||
                          cairo_image_surface_get_height(sheet) != layout.height)) {
        fail("%s: not the size of the layout", GALLERY_SHEET_FILE);
        cairo_surface_destroy(sheet);
        sheet = NULL;
    }

    for (k = 0; k < sizeof probes / sizeof probes[0]; k++) {
        const probe_t *pr = &probes[k];
        int no;

        for (no = 0; no < snippet_count; no++)
            if (strcmp(snippet_name[no], pr->snippet) == 0)
                break;
        if (no == snippet_count) {
            fail("snippet '%s' is not in the module", pr->snippet);
            continue;
        }
        if (images[no] != NULL && cairo_image_surface_get_width(images[no]) == size)
            check_probe(pr, images[no], 0, 0, size, pr->tolerance, "picture");
        if (sheet != NULL && pr->on_sheet) {
            int x, y;
            gallery_cell(&layout, no, &x, &y);
            /* thumbnails are filtered down: allow for it */
            check_probe(pr, sheet, x, y, layout.thumb, pr->tolerance + 6, "thumbnail");
        }
    }

    for (i = 0; i < snippet_count; i++)
        if (images[i] != NULL && strcmp(snippet_name[i], "gradient") == 0 &&
            cairo_image_surface_get_width(images[i]) == size)
            check_gradient(images[i], size);

    for (i = 0; i < snippet_count; i++)
        cairo_surface_destroy(images[i]);
    cairo_surface_destroy(sheet);
    free(images);
    gallery_free_names(files, snippet_count);
    cairo_debug_reset_static_data();
    if (failures == 0)
        printf("check_gallery: %d pictures and the contact sheet in %s are right\n", snippet_count,
               dir);
    return failures == 0 ? 0 : 1;
}
