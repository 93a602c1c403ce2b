/* A red disc of radius 0.35 in the middle of the square, with a dark rim. */
cairo_arc (cr, 0.5, 0.5, 0.35, 0, 2 * M_PI);
cairo_set_source_rgb (cr, 0.86, 0.20, 0.18);
cairo_fill_preserve (cr);
cairo_set_source_rgb (cr, 0.25, 0.05, 0.05);
cairo_set_line_width (cr, 0.03);
cairo_stroke (cr);
