/* A card with rounded corners (radius 12 in a 100 x 100 user space): a soft
   shadow, a blue header band clipped to the card, three lines of "text". */
int line;
cairo_scale (cr, 1.0 / 100, 1.0 / 100);

cairo_rectangle_round (cr, 17, 23, 70, 60, 12);
cairo_set_source_rgba (cr, 0, 0, 0, 0.25);
cairo_fill (cr);

cairo_rectangle_round (cr, 15, 20, 70, 60, 12);
cairo_set_source_rgb (cr, 0.97, 0.97, 0.95);
cairo_fill_preserve (cr);
cairo_save (cr);
cairo_clip (cr);
cairo_rectangle (cr, 15, 20, 70, 18);
cairo_set_source_rgb (cr, 0.231, 0.502, 0.682);
cairo_fill (cr);
cairo_restore (cr);

cairo_set_source_rgb (cr, 0.73, 0.73, 0.73);
for (line = 0; line < 3; line++) {
    cairo_rectangle_round (cr, 24, 46 + 10 * line, 52 - 14 * line, 5, 2.5);
    cairo_fill (cr);
}

cairo_rectangle_round (cr, 15, 20, 70, 60, 12);
cairo_set_source_rgb (cr, 0.16, 0.35, 0.48);
cairo_set_line_width (cr, 1);
cairo_stroke (cr);
