/* A red rounded rectangle over most of the unit square. */
cairo_rectangle_round (cr, 0.1, 0.1, 0.8, 0.8, 0.3);
cairo_set_source_rgb (cr, 1, 0, 0);
cairo_fill (cr);
