/* svg_cairo_rsvg.c - the svg-cairo calls of snippets.c, on librsvg.
 *
 * The document is opened here and handed to librsvg as a stream, so that
 * only a regular file is ever read as one (a FIFO would block, a device never
 * end). The files a document refers to are librsvg's to load: it reads those
 * in or below the document's own folder, and only those. */
#include "snippets.h"

#include <errno.h>
#include <fcntl.h>
#include <gio/gunixinputstream.h>
#include <librsvg/rsvg.h>
#include <math.h>
#include <sys/stat.h>
#include <unistd.h>

#include "path_aside.h"

struct svg_cairo {
    RsvgHandle *handle; /* NULL until a file has been parsed */
    int width, height;  /* whole pixels, at least 1 */
};

/* Sizes beyond this are taken as a broken document rather than drawn. */
enum { SVG_CAIRO_MAX_SIDE = 1 << 16 };

static int whole_pixels(double v)
{
    if (!(v >= 1.0)) /* also NaN */
        return 1;
    if (v >= SVG_CAIRO_MAX_SIDE)
        return SVG_CAIRO_MAX_SIDE;
    return (int)lround(v);
}

/* The document's own size: width and height in absolute units, else the
 * view box (a document sized in percentages or not at all). Returns NULL, or
 * what is wrong with it. */
static const char *document_size(RsvgHandle *handle, int *width, int *height)
{
    double w = 0.0, h = 0.0;
    gboolean has_w, has_h, has_box;
    RsvgLength lw, lh;
    RsvgRectangle box;

    if (!rsvg_handle_get_intrinsic_size_in_pixels(handle, &w, &h)) {
        rsvg_handle_get_intrinsic_dimensions(handle, &has_w, &lw, &has_h, &lh, &has_box, &box);
        if (!has_box)
            return "has neither a size nor a view box";
        w = box.width;
        h = box.height;
    }
    if (!(w > 0.0) || !(h > 0.0))
        return "has a size of zero";
    *width = whole_pixels(w);
    *height = whole_pixels(h);
    return NULL;
}

/* Opens `file` for reading if it is a regular file that is not empty;
 * otherwise returns -1 with the reason in `why`. */
static int open_document(const char *file, const char **why)
{
    struct stat st;
    int fd;

    /* O_NONBLOCK: opening a FIFO must not wait for a writer either. */
    fd = open(file, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *why = strerror(errno);
        return -1;
    }
    if (fstat(fd, &st) != 0)
        *why = strerror(errno);
    else if (S_ISDIR(st.st_mode))
        *why = "it is a directory";
    else if (!S_ISREG(st.st_mode))
        *why = "not a regular file";
    else if (st.st_size == 0)
        *why = "the file is empty";
    else
        return fd;
    close(fd);
    return -1;
}

/* A handle for the document in `fd` (which it closes), with `file` as the
 * base that its references are resolved against. */
static RsvgHandle *load_document(int fd, const char *file, GError **error)
{
    GInputStream *stream = g_unix_input_stream_new(fd, TRUE);
    GFile *base = g_file_new_for_path(file);
    RsvgHandle *handle =
        rsvg_handle_new_from_stream_sync(stream, base, RSVG_HANDLE_FLAGS_NONE, NULL, error);

    g_object_unref(base);
    g_object_unref(stream);
    return handle;
}

svg_cairo_status_t svg_cairo_create(svg_cairo_t **svgc)
{
    *svgc = calloc(1, sizeof **svgc);
    if (*svgc == NULL)
        return SVG_CAIRO_STATUS_NO_MEMORY;
    (*svgc)->width = 1;
    (*svgc)->height = 1;
    return SVG_CAIRO_STATUS_SUCCESS;
}

svg_cairo_status_t svg_cairo_parse(svg_cairo_t *svgc, const char *file)
{
    GError *error = NULL;
    RsvgHandle *handle;
    const char *why = NULL;
    int fd;

    if (svgc == NULL)
        return SVG_CAIRO_STATUS_INVALID_CALL;
    if (svgc->handle != NULL) {
        g_object_unref(svgc->handle);
        svgc->handle = NULL;
        svgc->width = svgc->height = 1;
    }
    fd = open_document(file, &why);
    if (fd < 0) {
        fprintf(stderr, "svg_cairo_parse: cannot read '%s': %s\n", file, why);
        return SVG_CAIRO_STATUS_IO_ERROR;
    }
    handle = load_document(fd, file, &error);
    if (handle == NULL) {
        fprintf(stderr, "svg_cairo_parse: cannot read '%s': %s\n", file,
                error ? error->message : "unknown error");
        if (error)
            g_error_free(error);
        return SVG_CAIRO_STATUS_IO_ERROR;
    }
    why = document_size(handle, &svgc->width, &svgc->height);
    if (why != NULL) {
        fprintf(stderr, "svg_cairo_parse: '%s' %s\n", file, why);
        g_object_unref(handle);
        return SVG_CAIRO_STATUS_PARSE_ERROR;
    }
    svgc->handle = handle;
    return SVG_CAIRO_STATUS_SUCCESS;
}

void svg_cairo_get_size(svg_cairo_t *svgc, int *width, int *height)
{
    *width = svgc ? svgc->width : 1;
    *height = svgc ? svgc->height : 1;
}

svg_cairo_status_t svg_cairo_render(svg_cairo_t *svgc, cairo_t *cr)
{
    GError *error = NULL;
    RsvgRectangle viewport;
    quillkit_path_aside aside;
    gboolean ok;

    if (svgc == NULL || svgc->handle == NULL)
        return SVG_CAIRO_STATUS_INVALID_CALL;

    viewport.x = 0.0;
    viewport.y = 0.0;
    viewport.width = svgc->width;
    viewport.height = svgc->height;

    /* librsvg builds its shapes in cr's path; the caller's path survives. */
    quillkit_set_path_aside(cr, &aside);
    ok = rsvg_handle_render_document(svgc->handle, cr, &viewport, &error);
    quillkit_give_path_back(cr, &aside);

    if (!ok) {
        fprintf(stderr, "svg_cairo_render: %s\n", error ? error->message : "unknown error");
        if (error)
            g_error_free(error);
        return SVG_CAIRO_STATUS_PARSE_ERROR;
    }
    return SVG_CAIRO_STATUS_SUCCESS;
}

svg_cairo_status_t svg_cairo_destroy(svg_cairo_t *svgc)
{
    if (svgc == NULL)
        return SVG_CAIRO_STATUS_INVALID_CALL;
    if (svgc->handle != NULL)
        g_object_unref(svgc->handle);
    free(svgc);
    return SVG_CAIRO_STATUS_SUCCESS;
}
