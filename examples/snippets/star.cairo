/* A five-pointed star of radius 0.4 about the middle, filled with the
   even-odd rule so that its inner pentagon stays empty. */
int k;
for (k = 0; k < 5; k++) {
    double a = (-90 + 144 * k) * M_PI / 180;
    if (k == 0)
        cairo_move_to (cr, 0.5 + 0.4 * cos (a), 0.5 + 0.4 * sin (a));
    else
        cairo_line_to (cr, 0.5 + 0.4 * cos (a), 0.5 + 0.4 * sin (a));
}
cairo_close_path (cr);
cairo_set_fill_rule (cr, CAIRO_FILL_RULE_EVEN_ODD);
cairo_set_source_rgb (cr, 0.95, 0.70, 0.10);
cairo_fill_preserve (cr);
cairo_set_source_rgb (cr, 0.45, 0.30, 0.05);
cairo_set_line_width (cr, 0.01);
cairo_set_line_join (cr, CAIRO_LINE_JOIN_ROUND);
cairo_stroke (cr);
