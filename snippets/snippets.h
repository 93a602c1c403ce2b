/* snippets.h - what a generated snippets.c needs from the program that builds it.
 *
 * quillmake writes snippets.c against cairo's early interface and against an
 * svg-cairo object, and the module includes "snippets.h". This header, with
 * the library quillkit-snippets (CMake: quillkit::snippets), maps those calls
 * onto today's cairo and onto librsvg, so that the module compiles unchanged
 * as C99 or later with the flags of `pkg-config --cflags quillkit-snippets`
 * and links with its `--libs`. Where the kit was built without librsvg, every
 * SVG background is skipped with a message.
 *
 * Snippets are C statements on `cr` drawing in the unit square; besides
 * cairo's own calls they may use the path helpers of shapekit.h and the
 * functions of the C library headers included here.
 *
 * One difference from the early interface: cairo_save and cairo_restore no
 * longer save the current path. cairo_show_surface therefore takes away the
 * move that placed the surface, and after snippet_set_bg_png the path is what
 * it was before the call, with two exceptions that cairo's path cannot tell
 * apart: a path that ended in a cairo_move_to of the caller's loses that move
 * (cairo merges two moves in a row), and one that ended in cairo_new_sub_path
 * has its last point as the current point again.
 *
 * Files: read_png_argb32 and svg_cairo_parse read regular files only (a FIFO,
 * a device or a directory is reported and skipped, never waited on). An SVG
 * document may refer to other files (<image href>, style sheets): librsvg
 * loads those itself, and lets a document read any file in or below its own
 * folder, whatever kind of file it is. Render only documents whose folder
 * holds nothing you would not show, and in which no one else can create files.
 */
#ifndef QUILLKIT_SNIPPETS_H
#define QUILLKIT_SNIPPETS_H

#include <cairo.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/time.h>
#include <time.h>

#include "shapekit.h"

/* Snippets draw arcs in radians; strict C modes leave M_PI out of math.h. */
#ifndef M_PI
#define M_PI 3.14159265358979323846
#endif

/* cairo.h turns the two early names below into names that fail to link, to
 * point users of today's cairo at their successors; here they are real
 * functions of this library. */
#undef cairo_surface_create_for_image
#undef cairo_show_surface

#ifdef __cplusplus
extern "C" {
#endif

/* ---- cairo's early interface, on today's cairo ---- */

/* Wraps `buffer` (owned by the caller, which must keep it until the surface is
 * destroyed) as an image surface of w x h pixels, `stride` bytes per row. */
cairo_surface_t *cairo_surface_create_for_image(char *buffer, cairo_format_t format, int w, int h,
                                                int stride);

/* Paints `surface` scaled to w x h user units with its top left corner at the
 * current point ((0, 0) without one). A cairo_move_to that ends the current
 * path, the move that placed the surface, is taken away; the rest of the path
 * is left as it was. */
void cairo_show_surface(cairo_t *cr, cairo_surface_t *surface, int w, int h);

/* ---- PNG reading ---- */

/* Reads a PNG file into a malloc'd buffer of premultiplied ARGB32 pixels in
 * native byte order, and sets its width, height and row stride in bytes; the
 * caller frees the buffer with free. A file that cannot be read (not a
 * regular file, not a PNG, damaged) and a picture larger than 16384 pixels a
 * side or 2^26 pixels in all are reported on stderr and yield one transparent
 * pixel (1 x 1, stride 4), so the caller can go on as if it had been read.
 * NULL only when even that cannot be allocated. */
char *read_png_argb32(const char *file, int *width, int *height, int *stride);

/* ---- svg-cairo, on librsvg ---- */

typedef enum {
    SVG_CAIRO_STATUS_SUCCESS = 0,
    SVG_CAIRO_STATUS_NO_MEMORY,
    SVG_CAIRO_STATUS_IO_ERROR,
    SVG_CAIRO_STATUS_PARSE_ERROR,
    SVG_CAIRO_STATUS_INVALID_CALL
} svg_cairo_status_t;

typedef struct svg_cairo svg_cairo_t;

/* Makes an empty document object in *svgc (NULL when out of memory). */
svg_cairo_status_t svg_cairo_create(svg_cairo_t **svgc);
/* Loads the SVG file (a regular file; see "Files" above for the files it
 * refers to); a failure (and, without librsvg, every call) is reported on
 * stderr and leaves the object empty. */
svg_cairo_status_t svg_cairo_parse(svg_cairo_t *svgc, const char *file);
/* The document's size in whole pixels, at least 1 x 1; an empty object
 * reports 1 x 1 so that scaling by the inverse size stays valid. */
void svg_cairo_get_size(svg_cairo_t *svgc, int *width, int *height);
/* Renders the document into the rectangle (0, 0)-(width, height) of the
 * current user space, with the size svg_cairo_get_size gives; an empty object
 * renders nothing. The current path is left as it was. */
svg_cairo_status_t svg_cairo_render(svg_cairo_t *svgc, cairo_t *cr);
svg_cairo_status_t svg_cairo_destroy(svg_cairo_t *svgc);

/* ---- time, for snippets that animate ---- */

/* The seconds of the animation for the frame being drawn: 0 until
 * snippet_set_time sets it. Each thread has its own, so threads drawing
 * different frames do not disturb each other. */
double snippet_time(void);
/* Sets the time snippet_time gives on this thread, for programs that draw
 * frames; a value that is not finite (NaN, an infinity) sets 0. */
void snippet_set_time(double seconds);

/* ---- what the generated snippets.c defines (quillmake) ---- */

extern int snippet_count;
extern const char *snippet_name[];
extern const char *snippet_source[];
void snippet_do(cairo_t *cr, int snippet_no);
int snippet_name2no(const char *name);
void snippet_set_bg_png(cairo_t *cr, const char *file);
void snippet_set_bg_svg(cairo_t *cr, const char *file);

#ifdef __cplusplus
}
#endif

#endif /* QUILLKIT_SNIPPETS_H */
