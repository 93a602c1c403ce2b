// compose.cpp - the layers of the clock's picture laid together.
#include "compose.h"

#include <cstdint>
#include <cstring>

#include "hand_geometry.h"
#include "qxdraw.h"

namespace qxclock {

namespace {

// x * y / 255, rounded, for x and y in 0..255.
inline std::uint32_t mul(std::uint32_t x, std::uint32_t y)
{
    const std::uint32_t t = x * y + 128;
    return (t + (t >> 8)) >> 8;
}

// Row `y` of the pixels of an image surface.
template <typename Pixel>
Pixel *row_of(cairo_surface_t *s, int y)
{
    return reinterpret_cast<Pixel *>(cairo_image_surface_get_data(s) +
                                     static_cast<long>(y) * cairo_image_surface_get_stride(s));
}

}  // namespace

void draw_face_layer(cairo_t *cr, int width, int height,
                     const std::optional<quillkit::Rgb> &background)
{
    cairo_save(cr);
    if (background) {
        cairo_set_source_rgb(cr, background->red, background->green, background->blue);
        cairo_paint(cr);
    }
    // The face paints with the alpha of the current source: make it opaque.
    cairo_set_source_rgb(cr, 0, 0, 0);
    qxface_draw(cr, width, height);
    cairo_restore(cr);
}

void compose_frame(cairo_t *cr, cairo_surface_t *face, int width, int height, const timeval &tv,
                   bool seconds)
{
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, face, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    qxhand_draw(cr, width, height, &tv, seconds ? 1 : 0);
}

void clear_mask(cairo_surface_t *mask, const Rect &area)
{
    cairo_surface_flush(mask);
    for (int y = area.y; y < area.y + area.height; ++y)
        std::memset(row_of<unsigned char>(mask, y) + area.x, 0, static_cast<size_t>(area.width));
    cairo_surface_mark_dirty_rectangle(mask, area.x, area.y, area.width, area.height);
}

void lay_under_hands(cairo_surface_t *target, cairo_surface_t *face, cairo_surface_t *kept_shadows,
                     cairo_surface_t *shadows, cairo_surface_t *hands, const Rect &area)
{
    constexpr std::uint32_t kShadow =
        static_cast<std::uint32_t>(quillkit::kHandShadowAlpha * 255 + 0.5);
    for (cairo_surface_t *s : {target, face, kept_shadows, shadows, hands})
        cairo_surface_flush(s);
    for (int y = area.y; y < area.y + area.height; ++y) {
        const std::uint32_t *from = row_of<std::uint32_t>(face, y);
        std::uint32_t *to = row_of<std::uint32_t>(target, y);
        const unsigned char *kept = row_of<unsigned char>(kept_shadows, y);
        const unsigned char *second = row_of<unsigned char>(shadows, y);
        const unsigned char *hand = row_of<unsigned char>(hands, y);
        for (int x = area.x; x < area.x + area.width; ++x) {
            // Black over the pixel at alpha a keeps (255 - a) / 255 of it.
            const std::uint32_t shadow = kept[x] + mul(second[x], 255 - kept[x]);
            const std::uint32_t keep = mul(255 - mul(shadow, kShadow), 255 - hand[x]);
            const std::uint32_t p = from[x];
            if (keep == 255) {
                to[x] = p;
                continue;
            }
            const std::uint32_t alpha = 255 - mul(255 - (p >> 24), keep);
            to[x] = alpha << 24 | mul(p >> 16 & 0xff, keep) << 16 | mul(p >> 8 & 0xff, keep) << 8 |
                    mul(p & 0xff, keep);
        }
    }
    cairo_surface_mark_dirty_rectangle(target, area.x, area.y, area.width, area.height);
}

}  // namespace qxclock
