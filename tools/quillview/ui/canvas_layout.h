// canvas_layout.h - where the canvas puts its pictures: the selected one
// centred and moved by the pan, or every snippet in a grid of tiles, a name
// under each, whose columns share the canvas's whole width.
#ifndef QUILLVIEW_UI_CANVAS_LAYOUT_H
#define QUILLVIEW_UI_CANVAS_LAYOUT_H

namespace quillview {

// A picture's square on the canvas, in the canvas's pixels.
struct Square {
    double x = 0, y = 0, side = 0;

    bool contains(double px, double py) const
    {
        return side > 0 && px >= x && py >= y && px < x + side && py < y + side;
    }
};

struct GridLayout {
    int columns = 1;
    double column_width = 0, row_height = 0;  // a tile's share of the canvas
    int side = 0;                             // a tile's picture side
};

// The smallest picture side the canvas asks for.
constexpr int kMinPicture = 16;
// The space around a tile's picture, and the band under it for the name.
constexpr int kTileMargin = 4;
constexpr int kNameBand = 18;

// The grid for `count` tiles on a canvas of width x height: the number of
// columns that gives the largest pictures, those columns spread over the
// whole width.
GridLayout grid_layout(int count, int width, int height);
// Where tile `index`'s picture goes.
Square grid_tile(const GridLayout &grid, int index);
// Where a picture of `side` goes on a canvas of width x height, moved by
// (pan_x, pan_y) from the centre; on whole pixels.
Square single_square(int side, int width, int height, double pan_x, double pan_y);

}  // namespace quillview

#endif  // QUILLVIEW_UI_CANVAS_LAYOUT_H
