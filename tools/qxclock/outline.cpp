// outline.cpp - the outline of the clock's picture.
#include "outline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "hand_geometry.h"

namespace qxclock {

int outline_min_alpha()
{
    // One above what a shadow is stored as (cairo rounds either way).
    return static_cast<int>(std::ceil(quillkit::kHandShadowAlpha * 255)) + 1;
}

void take_outline(cairo_surface_t *surface, const Rect &area, std::vector<Rect> &runs)
{
    const Rect part = intersect(area, {0, 0, cairo_image_surface_get_width(surface),
                                       cairo_image_surface_get_height(surface)});
    if (part.empty() || cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32)
        return;
    cairo_surface_flush(surface);
    unsigned char *data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const std::uint32_t min_alpha = static_cast<std::uint32_t>(outline_min_alpha());
    for (int y = part.y; y < part.y + part.height; ++y) {
        auto *row = reinterpret_cast<std::uint32_t *>(data + static_cast<long>(y) * stride);
        int start = -1;
        for (int x = part.x; x < part.x + part.width; ++x) {
            const std::uint32_t p = row[x];
            const std::uint32_t a = p >> 24;
            if (a >= min_alpha) {
                if (a != 255) {
                    auto channel = [a](std::uint32_t c) {
                        return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a);
                    };
                    row[x] = 0xff000000u | channel(p >> 16 & 0xff) << 16 |
                             channel(p >> 8 & 0xff) << 8 | channel(p & 0xff);
                }
                if (start < 0)
                    start = x;
            } else if (start >= 0) {
                runs.push_back({start, y, x - start, 1});
                start = -1;
            }
        }
        if (start >= 0)
            runs.push_back({start, y, part.x + part.width - start, 1});
    }
    cairo_surface_mark_dirty_rectangle(surface, part.x, part.y, part.width, part.height);
}

}  // namespace qxclock
