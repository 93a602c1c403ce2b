/* A band shading from blue at x 0.1 to yellow at x 0.9, and three
   translucent discs overlapping below it. */
cairo_pattern_t *pat = cairo_pattern_create_linear (0.1, 0, 0.9, 0);
cairo_pattern_add_color_stop_rgb (pat, 0, 0.231, 0.502, 0.682);
cairo_pattern_add_color_stop_rgb (pat, 1, 0.98, 0.80, 0.25);
cairo_rectangle (cr, 0.1, 0.1, 0.8, 0.5);
cairo_set_source (cr, pat);
cairo_fill (cr);
cairo_pattern_destroy (pat);

cairo_arc (cr, 0.3, 0.78, 0.12, 0, 2 * M_PI);
cairo_set_source_rgba (cr, 1, 0, 0, 0.5);
cairo_fill (cr);
cairo_arc (cr, 0.5, 0.78, 0.12, 0, 2 * M_PI);
cairo_set_source_rgba (cr, 0, 0.7, 0, 0.5);
cairo_fill (cr);
cairo_arc (cr, 0.7, 0.78, 0.12, 0, 2 * M_PI);
cairo_set_source_rgba (cr, 0, 0, 1, 0.5);
cairo_fill (cr);
