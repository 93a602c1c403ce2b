/* snippets.h for the test build of a generated snippets.c.
 *
 * The generated module calls a few names of cairo's early interface and of
 * svg-cairo; early_cairo.c provides them over today's cairo. The SVG side is
 * a stand-in that paints a known rectangle, enough to check the module's
 * scaling without an SVG library. */
#ifndef QUILLKIT_TEST_SNIPPETS_H
#define QUILLKIT_TEST_SNIPPETS_H

#include <cairo.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The early interface, over today's cairo. */
cairo_surface_t *cairo_surface_create_for_image(char *data, cairo_format_t format, int width,
                                                int height, int stride);
void cairo_show_surface(cairo_t *cr, cairo_surface_t *surface, int width, int height);

/* Reads a PNG into a malloc'ed ARGB32 buffer; the caller frees it. */
char *read_png_argb32(const char *file, int *width, int *height, int *stride);

/* Stand-in for svg-cairo: every document is SVG_TEST_WIDTH x SVG_TEST_HEIGHT
 * and renders as one rectangle of that size in pure blue. */
#define SVG_TEST_WIDTH 200
#define SVG_TEST_HEIGHT 100
typedef struct svg_cairo svg_cairo_t;
int svg_cairo_create(svg_cairo_t **svgc);
int svg_cairo_parse(svg_cairo_t *svgc, const char *file);
int svg_cairo_get_size(svg_cairo_t *svgc, int *width, int *height);
int svg_cairo_render(svg_cairo_t *svgc, cairo_t *cr);
int svg_cairo_destroy(svg_cairo_t *svgc);

/* What the generated module defines. */
extern int snippet_count;
extern const char *snippet_name[];
extern const char *snippet_source[];
void snippet_do(cairo_t *cr, int snippet_no);
int snippet_name2no(const char *name);
void snippet_set_bg_png(cairo_t *cr, const char *file);
void snippet_set_bg_svg(cairo_t *cr, const char *file);

#endif
