// snippet_template.h - the text of a new snippet: what a snippet is, in a
// comment, and a drawing to start from.
#ifndef QUILLVIEW_UI_SNIPPET_TEMPLATE_H
#define QUILLVIEW_UI_SNIPPET_TEMPLATE_H

namespace quillview {

inline constexpr const char kSnippetTemplate[] =
    "/* A snippet: C statements that draw on the cairo context cr, in the unit\n"
    "   square (0, 0) to (1, 1), y downwards; the window scales it to the\n"
    "   picture. Every pause in typing draws it again, Ctrl+S saves it.\n"
    "   Ctrl+drag a number sideways to change it; snippet_time () gives the\n"
    "   time in seconds for an animation. */\n"
    "cairo_set_source_rgb (cr, 0.2, 0.4, 0.8);\n"
    "cairo_arc (cr, 0.5, 0.5, 0.35, 0, 2 * M_PI);\n"
    "cairo_fill (cr);\n"
    "\n"
    "cairo_set_source_rgb (cr, 0.9, 0.6, 0.1);\n"
    "cairo_set_line_width (cr, 0.04);\n"
    "cairo_move_to (cr, 0.1, 0.9);\n"
    "cairo_line_to (cr, 0.9, 0.1);\n"
    "cairo_stroke (cr);\n";

}  // namespace quillview

#endif  // QUILLVIEW_UI_SNIPPET_TEMPLATE_H
