/* bg.png, four coloured pixels, over the unit square. */
snippet_set_bg_png (cr, "bg.png");
