/* A root node joined to three children by edge lines, in a 100 x 100 user
   space. cairo_edgeline moves its start up and its end down by one unit, so
   the calls add one unit the other way: every edge runs from the root's
   bottom (y 31) to a child's top (y 69). */
double child_x[3] = { 18, 50, 82 };
int k;
cairo_scale (cr, 1.0 / 100, 1.0 / 100);

cairo_set_source_rgb (cr, 0.45, 0.45, 0.45);
cairo_set_line_width (cr, 2);
for (k = 0; k < 3; k++) {
    cairo_edgeline (cr, 50, 31 + 1, child_x[k], 69 - 1, 40);
    cairo_stroke (cr);
}

cairo_rectangle_round (cr, 38, 15, 24, 16, 4);
for (k = 0; k < 3; k++)
    cairo_rectangle_round (cr, child_x[k] - 12, 69, 24, 16, 4);
cairo_set_source_rgb (cr, 0.231, 0.502, 0.682);
cairo_fill_preserve (cr);
cairo_set_source_rgb (cr, 0.16, 0.35, 0.48);
cairo_set_line_width (cr, 1);
cairo_stroke (cr);
