/* A house standing in the landscape of landscape.png (sky above y 0.625,
   grass below, a sun about (0.76, 0.23)). */
snippet_set_bg_png (cr, "landscape.png");

cairo_rectangle (cr, 0.2, 0.42, 0.25, 0.26);
cairo_set_source_rgb (cr, 0.85, 0.35, 0.25);
cairo_fill (cr);

cairo_move_to (cr, 0.16, 0.44);
cairo_line_to (cr, 0.325, 0.3);
cairo_line_to (cr, 0.49, 0.44);
cairo_close_path (cr);
cairo_set_source_rgb (cr, 0.35, 0.18, 0.12);
cairo_fill (cr);

cairo_rectangle (cr, 0.3, 0.56, 0.05, 0.12);
cairo_set_source_rgb (cr, 0.35, 0.18, 0.12);
cairo_fill (cr);
