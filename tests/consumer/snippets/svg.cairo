/* bg.svg, green left and blue right, over the unit square. */
snippet_set_bg_svg (cr, "bg.svg");
