/* svg_cairo_none.c - the svg-cairo calls of snippets.c where the kit was
 * built without librsvg: every document fails to parse, with a message, and
 * renders nothing. */
#include "snippets.h"

struct svg_cairo {
    int unused;
};

svg_cairo_status_t svg_cairo_create(svg_cairo_t **svgc)
{
    *svgc = calloc(1, sizeof **svgc);
    return *svgc ? SVG_CAIRO_STATUS_SUCCESS : SVG_CAIRO_STATUS_NO_MEMORY;
}

svg_cairo_status_t svg_cairo_parse(svg_cairo_t *svgc, const char *file)
{
    (void)svgc;
    fprintf(stderr, "svg_cairo_parse: cannot read '%s': built without SVG support (librsvg)\n",
            file);
    return SVG_CAIRO_STATUS_IO_ERROR;
}

void svg_cairo_get_size(svg_cairo_t *svgc, int *width, int *height)
{
    (void)svgc;
    *width = 1;
    *height = 1;
}

svg_cairo_status_t svg_cairo_render(svg_cairo_t *svgc, cairo_t *cr)
{
    (void)svgc;
    (void)cr;
    return SVG_CAIRO_STATUS_INVALID_CALL;
}

svg_cairo_status_t svg_cairo_destroy(svg_cairo_t *svgc)
{
    free(svgc);
    return SVG_CAIRO_STATUS_SUCCESS;
}
