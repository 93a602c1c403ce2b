// pointer_readout.cpp - the point and its pixel as text.
#include "pointer_readout.h"

#include <cmath>
#include <cstdio>

namespace quillview {

namespace {

// A premultiplied channel back to its colour.
int unpremultiply(std::uint32_t channel, std::uint32_t alpha)
{
    return alpha == 0 ? 0 : static_cast<int>((channel * 255 + alpha / 2) / alpha);
}

}  // namespace

std::optional<Rgba> pixel_under(const Picture &picture, double x, double y)
{
    const double px = std::floor(x * picture.width), py = std::floor(y * picture.height);
    if (!(px >= 0 && py >= 0 && px < picture.width && py < picture.height))
        return std::nullopt;
    const std::uint32_t p =
        picture.pixels[static_cast<std::size_t>(py) * picture.width + static_cast<std::size_t>(px)];
    const std::uint32_t a = p >> 24;
    return Rgba{unpremultiply((p >> 16) & 255, a), unpremultiply((p >> 8) & 255, a),
                unpremultiply(p & 255, a), static_cast<int>(a)};
}

std::string readout_text(double x, double y, const std::optional<Rgba> &pixel)
{
    char text[96];
    if (pixel)
        std::snprintf(text, sizeof text, "x %.3f y %.3f  rgba %d %d %d %d", x, y, pixel->r,
                      pixel->g, pixel->b, pixel->a);
    else
        std::snprintf(text, sizeof text, "x %.3f y %.3f", x, y);
    return text;
}

}  // namespace quillview
