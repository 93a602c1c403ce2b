/* quillkit-viewer - renders every snippet of the linked snippets.c into a PNG of
 * its own, the unit square scaled to N x N pixels on white, and all of them
 * into one contact sheet with their names.
 *
 *   quillkit-viewer --out DIR [--size N] [--assets DIR]
 *
 * Snippets name their background files relative to the snippets directory
 * (snippet_set_bg_png (cr, "landscape.png")), so the viewer works from
 * within the assets directory, by default the copy of the snippets that the
 * build made next to the program.
 */
#define _XOPEN_SOURCE 700

#include "gallery.h"
#include <quillkit/snippets.h>

#include <errno.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef QUILLKIT_VIEWER_ASSETS
#define QUILLKIT_VIEWER_ASSETS "."
#endif

static const char usage[] =
    "usage: quillkit-viewer --out DIR [--size N] [--assets DIR]\n"
    "  --out DIR     directory for the pictures (made if missing)\n"
    "  --size N      side of each picture in pixels, 1 to 8192 (default 256)\n"
    "  --assets DIR  where the snippets' background files are (default " QUILLKIT_VIEWER_ASSETS
    ")\n";

enum { DEFAULT_SIZE = 256, LABEL_FONT = 13 };

/* Makes `dir` and any missing parents, like mkdir -p. */
static int make_dirs(const char *dir)
{
    char *path = strdup(dir);
    struct stat st;
    char *p;
    int ok = 1, err = 0;

    if (path == NULL)
        return 0;
    for (p = path + 1; ok && *p; p++) {
        if (*p != '/')
            continue;
        *p = '\0';
        if (mkdir(path, 0777) != 0 && errno != EEXIST)
            ok = 0;
        *p = '/';
    }
    if (ok && mkdir(path, 0777) != 0 && errno != EEXIST)
        ok = 0;
    if (ok && stat(path, &st) != 0)
        ok = 0;
    else if (ok && !S_ISDIR(st.st_mode)) {
        ok = 0;
        errno = ENOTDIR;
    }
    err = errno;
    free(path);
    errno = err;
    return ok;
}

static int parse_size(const char *text, int *size)
{
    char *end;
    long v;

    errno = 0;
    v = strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < 1 || v > GALLERY_MAX_SIZE)
        return 0;
    *size = (int)v;
    return 1;
}

static char *join_path(const char *dir, const char *file)
{
    size_t n = strlen(dir) + strlen(file) + 2;
    char *path = malloc(n);

    if (path != NULL)
        snprintf(path, n, "%s/%s", dir, file);
    return path;
}

static int write_png(cairo_surface_t *surface, const char *dir, const char *file)
{
    char *path = join_path(dir, file);
    cairo_status_t status;

    if (path == NULL) {
        fprintf(stderr, "quillkit-viewer: out of memory\n");
        return 0;
    }
    status = cairo_surface_write_to_png(surface, path);
    if (status != CAIRO_STATUS_SUCCESS)
        fprintf(stderr, "quillkit-viewer: cannot write '%s': %s\n", path,
                cairo_status_to_string(status));
    free(path);
    return status == CAIRO_STATUS_SUCCESS;
}

/* Draws snippet `no` on white into a new size x size image. */
static cairo_surface_t *render_snippet(int no, int size)
{
    cairo_surface_t *image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t *cr = cairo_create(image);
    cairo_status_t status;

    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_scale(cr, size, size);
    snippet_do(cr, no);
    status = cairo_status(cr);
    cairo_destroy(cr);
    if (status != CAIRO_STATUS_SUCCESS) {
        fprintf(stderr, "quillkit-viewer: snippet '%s' left cairo in an error state: %s\n",
                snippet_name[no], cairo_status_to_string(status));
        cairo_surface_destroy(image);
        return NULL;
    }
    cairo_surface_flush(image);
    return image;
}

/* Puts `image` (size x size) and its name into cell `no` of the sheet. */
static void add_to_sheet(cairo_t *sheet, const gallery_layout_t *layout, int no,
                         cairo_surface_t *image, int size)
{
    cairo_text_extents_t ext;
    int x, y;

    gallery_cell(layout, no, &x, &y);
    cairo_save(sheet);
    cairo_rectangle(sheet, x, y, layout->thumb, layout->thumb);
    cairo_clip(sheet);
    cairo_translate(sheet, x, y);
    cairo_scale(sheet, (double)layout->thumb / size, (double)layout->thumb / size);
    cairo_set_source_surface(sheet, image, 0, 0);
    cairo_paint(sheet);
    cairo_restore(sheet);

    cairo_save(sheet);
    cairo_rectangle(sheet, x, y + layout->thumb, layout->thumb, GALLERY_LABEL);
    cairo_clip(sheet);
    cairo_set_source_rgb(sheet, 0.2, 0.2, 0.2);
    cairo_text_extents(sheet, snippet_name[no], &ext);
    /* centred, or from the left edge when the name is wider than the cell */
    cairo_move_to(
        sheet,
        x + (ext.width < layout->thumb ? (layout->thumb - ext.width) / 2 - ext.x_bearing : 0.0),
        y + layout->thumb + GALLERY_LABEL - 6);
    cairo_show_text(sheet, snippet_name[no]);
    cairo_restore(sheet);
}

static int render_gallery(const char *out, int size)
{
    gallery_layout_t layout = gallery_layout(snippet_count, size);
    cairo_surface_t *sheet_image;
    cairo_t *sheet;
    char **files;
    int no, failed = 0;

    files = gallery_file_names(snippet_name, snippet_count);
    if (files == NULL) {
        fprintf(stderr, "quillkit-viewer: out of memory\n");
        return 0;
    }

    sheet_image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, layout.width, layout.height);
    sheet = cairo_create(sheet_image);
    cairo_set_source_rgb(sheet, 0.93, 0.93, 0.93);
    cairo_paint(sheet);
    cairo_select_font_face(sheet, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(sheet, LABEL_FONT);

    for (no = 0; no < snippet_count; no++) {
        cairo_surface_t *image = render_snippet(no, size);

        if (image == NULL) {
            failed++;
            continue;
        }
        if (!write_png(image, out, files[no]))
            failed++;
        add_to_sheet(sheet, &layout, no, image, size);
        cairo_surface_destroy(image);
    }
    if (snippet_count == 0) {
        cairo_set_source_rgb(sheet, 0.2, 0.2, 0.2);
        cairo_move_to(sheet, GALLERY_GAP, GALLERY_GAP + GALLERY_LABEL - 6);
        cairo_show_text(sheet, "no snippets");
    }

    if (cairo_status(sheet) != CAIRO_STATUS_SUCCESS) {
        fprintf(stderr, "quillkit-viewer: drawing the contact sheet failed: %s\n",
                cairo_status_to_string(cairo_status(sheet)));
        failed++;
    } else if (!write_png(sheet_image, out, GALLERY_SHEET_FILE)) {
        failed++;
    }
    cairo_destroy(sheet);
    cairo_surface_destroy(sheet_image);
    gallery_free_names(files, snippet_count);

    if (failed == 0)
        printf("quillkit-viewer: %d snippet%s and %s written to %s\n", snippet_count,
               snippet_count == 1 ? "" : "s", GALLERY_SHEET_FILE, out);
    return failed == 0;
}

int main(int argc, char **argv)
{
    const char *out = NULL, *assets = QUILLKIT_VIEWER_ASSETS;
    char out_abs[PATH_MAX];
    int size = DEFAULT_SIZE, i, ok;

    for (i = 1; i < argc; i++) {
        const char *arg = argv[i];

        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            fputs(usage, stdout);
            return 0;
        }
        if (strcmp(arg, "--out") != 0 && strcmp(arg, "--size") != 0 &&
            strcmp(arg, "--assets") != 0) {
            fprintf(stderr, "quillkit-viewer: unknown argument '%s'\n%s", arg, usage);
            return 2;
        }
        if (i + 1 >= argc) {
            fprintf(stderr, "quillkit-viewer: %s needs a value\n%s", arg, usage);
            return 2;
        }
        if (strcmp(arg, "--out") == 0) {
            out = argv[++i];
        } else if (strcmp(arg, "--assets") == 0) {
            assets = argv[++i];
        } else if (!parse_size(argv[++i], &size)) {
            fprintf(stderr, "quillkit-viewer: --size wants a whole number from 1 to %d, not '%s'\n",
                    GALLERY_MAX_SIZE, argv[i]);
            return 2;
        }
    }
    if (out == NULL || out[0] == '\0') {
        fprintf(stderr, "quillkit-viewer: no output directory given\n%s", usage);
        return 2;
    }

    /* The output path is fixed before moving into the assets directory. */
    if (!make_dirs(out)) {
        fprintf(stderr, "quillkit-viewer: cannot make directory '%s': %s\n", out, strerror(errno));
        return 1;
    }
    if (realpath(out, out_abs) == NULL) {
        fprintf(stderr, "quillkit-viewer: cannot resolve '%s': %s\n", out, strerror(errno));
        return 1;
    }
    if (chdir(assets) != 0) {
        fprintf(stderr, "quillkit-viewer: cannot enter the assets directory '%s': %s\n", assets,
                strerror(errno));
        return 1;
    }

    ok = render_gallery(out_abs, size);
    cairo_debug_reset_static_data();
    return ok ? 0 : 1;
}
