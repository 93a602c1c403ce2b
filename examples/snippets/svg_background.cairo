/* A dark disc of radius 0.1 in the middle of the checkerboard of tiles.svg,
   inside its blue ring of radius 0.3. */
snippet_set_bg_svg (cr, "tiles.svg");

cairo_new_path (cr);
cairo_arc (cr, 0.5, 0.5, 0.1, 0, 2 * M_PI);
cairo_set_source_rgb (cr, 0.15, 0.2, 0.3);
cairo_fill (cr);
