// canvas_layout.cpp - the pictures' places.
#include "canvas_layout.h"

#include <algorithm>
#include <cmath>

namespace quillview {

GridLayout grid_layout(int count, int width, int height)
{
    GridLayout best;
    best.side = -1;
    const int n = std::max(count, 1);
    for (int columns = 1; columns <= n; columns++) {
        const int rows = (n + columns - 1) / columns;
        const int side = std::min(width / columns, height / rows - kNameBand) - 2 * kTileMargin;
        if (side > best.side) {
            best.columns = columns;
            best.side = side;
        }
    }
    best.side = std::max(best.side, kMinPicture);
    best.column_width = static_cast<double>(std::max(width, 0)) / best.columns;
    best.row_height = best.side + 2 * kTileMargin + kNameBand;
    return best;
}

Square grid_tile(const GridLayout &grid, int index)
{
    const int column = index % grid.columns, row = index / grid.columns;
    const double x = column * grid.column_width + (grid.column_width - grid.side) / 2;
    return {std::floor(x), row * grid.row_height + kTileMargin, static_cast<double>(grid.side)};
}

Square single_square(int side, int width, int height, double pan_x, double pan_y)
{
    return {std::floor((width - side) / 2.0 + pan_x), std::floor((height - side) / 2.0 + pan_y),
            static_cast<double>(side)};
}

}  // namespace quillview
