// pointer_readout.h - what the label under the canvas says of the point
// under the pointer: its place in the snippet's unit square and the colour
// of the drawn picture's pixel there.
#ifndef QUILLVIEW_UI_POINTER_READOUT_H
#define QUILLVIEW_UI_POINTER_READOUT_H

#include <cstdint>
#include <optional>
#include <string>

#include "snippet_state.h"

namespace quillview {

struct Rgba {
    int r = 0, g = 0, b = 0, a = 0;
};

// The pixel of `picture` under the unit-square point (x, y), unpremultiplied;
// none outside the picture.
std::optional<Rgba> pixel_under(const Picture &picture, double x, double y);

// "x 0.250 y 0.750", then "  rgba 255 0 0 255" when there is a pixel.
std::string readout_text(double x, double y, const std::optional<Rgba> &pixel);

}  // namespace quillview

#endif  // QUILLVIEW_UI_POINTER_READOUT_H
