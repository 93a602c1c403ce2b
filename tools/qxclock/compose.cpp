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

void clear_mask(cairo_surface_t *mask, const Damage &areas)
{
    cairo_surface_flush(mask);
    unsigned char *data = cairo_image_surface_get_data(mask);
    const long stride = cairo_image_surface_get_stride(mask);
    for (const Rect &area : areas) {
        for (int y = area.y; y < area.y + area.height; ++y)
            std::memset(data + y * stride + area.x, 0, static_cast<size_t>(area.width));
        cairo_surface_mark_dirty_rectangle(mask, area.x, area.y, area.width, area.height);
    }
}

namespace {

// An image's pixels, as rows.
// The 32-bit pixels in a cache line of 64 bytes.
constexpr int kPixelsPerLine = 16;

template <typename Pixel>
class Rows {
public:
    explicit Rows(cairo_surface_t *s)
        : data_(cairo_image_surface_get_data(s)), stride_(cairo_image_surface_get_stride(s))
    {
    }
    Pixel *operator[](int y) const { return reinterpret_cast<Pixel *>(data_ + y * stride_); }

private:
    unsigned char *data_;
    long stride_;
};

}  // namespace

void lay_under_hands(cairo_surface_t *target, const Layers &layers, const Damage &areas)
{
    constexpr std::uint32_t kShadow =
        static_cast<std::uint32_t>(quillkit::kHandShadowAlpha * 255 + 0.5);
    for (cairo_surface_t *s :
         {target, layers.face, layers.kept_shadows, layers.shadows, layers.hands})
        cairo_surface_flush(s);
    const Rows<std::uint32_t> faces(layers.face), targets(target);
    const Rows<unsigned char> kept_shadows(layers.kept_shadows), shadows(layers.shadows),
        hands(layers.hands);
    // The rows lie far apart, and by the next frame they have left the
    // caches: asked for all at once, their loads overlap instead of each
    // waiting in turn.
    for (const Rect &area : areas) {
        for (int y = area.y; y < area.y + area.height; ++y) {
            for (int x = area.x; x < area.x + area.width; x += kPixelsPerLine) {
                __builtin_prefetch(faces[y] + x);
                __builtin_prefetch(targets[y] + x, 1);
            }
            for (int x = area.x; x < area.x + area.width; x += 4 * kPixelsPerLine) {
                __builtin_prefetch(kept_shadows[y] + x);
                __builtin_prefetch(hands[y] + x);
            }
        }
    }
    for (const Rect &area : areas) {
        for (int y = area.y; y < area.y + area.height; ++y) {
            const std::uint32_t *from = faces[y];
            std::uint32_t *to = targets[y];
            const unsigned char *kept = kept_shadows[y], *second = shadows[y], *hand = hands[y];
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
                to[x] = alpha << 24 | mul(p >> 16 & 0xff, keep) << 16 |
                        mul(p >> 8 & 0xff, keep) << 8 | mul(p & 0xff, keep);
            }
        }
        cairo_surface_mark_dirty_rectangle(target, area.x, area.y, area.width, area.height);
    }
}

}  // namespace qxclock
