/* The three line caps on lines from x 0.25 to x 0.75, 0.08 wide: butt at
   y 0.2, round at y 0.4, square at y 0.6; then a dashed zigzag. */
cairo_line_cap_t caps[3] = { CAIRO_LINE_CAP_BUTT, CAIRO_LINE_CAP_ROUND,
                              CAIRO_LINE_CAP_SQUARE };
int i;
cairo_set_source_rgb (cr, 0.15, 0.15, 0.2);
cairo_set_line_width (cr, 0.08);
for (i = 0; i < 3; i++) {
    cairo_set_line_cap (cr, caps[i]);
    cairo_move_to (cr, 0.25, 0.2 + 0.2 * i);
    cairo_line_to (cr, 0.75, 0.2 + 0.2 * i);
    cairo_stroke (cr);
}

{
    double dash[2] = { 0.04, 0.025 };
    cairo_set_source_rgb (cr, 0.231, 0.502, 0.682);
    cairo_set_line_width (cr, 0.025);
    cairo_set_line_cap (cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join (cr, CAIRO_LINE_JOIN_MITER);
    cairo_set_dash (cr, dash, 2, 0);
    cairo_move_to (cr, 0.1, 0.9);
    for (i = 1; i <= 8; i++)
        cairo_line_to (cr, 0.1 + 0.1 * i, (i % 2) ? 0.76 : 0.9);
    cairo_stroke (cr);
}
