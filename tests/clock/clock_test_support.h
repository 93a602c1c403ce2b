// Shared helpers for the clock tests: image surfaces on a white ground and
// pixel reads.
#ifndef QUILLKIT_TESTS_CLOCK_SUPPORT_H
#define QUILLKIT_TESTS_CLOCK_SUPPORT_H

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <ostream>

namespace clock_test {

struct surface_deleter {
    void operator()(cairo_surface_t *s) const { cairo_surface_destroy(s); }
};
struct context_deleter {
    void operator()(cairo_t *cr) const { cairo_destroy(cr); }
};
using surface_ptr = std::unique_ptr<cairo_surface_t, surface_deleter>;
using context_ptr = std::unique_ptr<cairo_t, context_deleter>;

// An ARGB32 image painted opaque white, with a context on it.
struct canvas {
    surface_ptr surface;
    context_ptr cr;
    int width, height;

    canvas(int w, int h)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)),
          cr(cairo_create(surface.get())), width(w), height(h)
    {
        cairo_set_source_rgb(cr.get(), 1, 1, 1);
        cairo_paint(cr.get());
        cairo_set_source_rgb(cr.get(), 0, 0, 0);
    }
    cairo_t *get() const { return cr.get(); }
};

struct pixel {
    int r, g, b, a;
};

inline std::ostream &operator<<(std::ostream &os, const pixel &p)
{
    return os << "(" << p.r << ", " << p.g << ", " << p.b << ", " << p.a << ")";
}

// The pixel (x, y) as stored: premultiplied, which is the colour itself on an
// opaque ground.
inline pixel pixel_at(cairo_surface_t *s, int x, int y)
{
    cairo_surface_flush(s);
    const unsigned char *data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    std::uint32_t v;
    const unsigned char *p = data + y * stride + x * 4;
    v = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
        static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    return {static_cast<int>((v >> 16) & 0xff), static_cast<int>((v >> 8) & 0xff),
            static_cast<int>(v & 0xff), static_cast<int>(v >> 24)};
}

// The pixel under the device point (x, y), rounded down to its pixel.
inline pixel pixel_under(cairo_surface_t *s, double x, double y)
{
    return pixel_at(s, static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

// A colour (components 0..1) painted at `alpha` over opaque white, in 0..255.
inline pixel over_white(double r, double g, double b, double alpha)
{
    auto c = [alpha](double v) {
        return static_cast<int>(std::lround(255 * (alpha * v + 1 - alpha)));
    };
    return {c(r), c(g), c(b), 255};
}

// A colour painted at `alpha` over another opaque colour.
inline pixel over(double r, double g, double b, double alpha, pixel under)
{
    auto c = [alpha](double v, int u) {
        return static_cast<int>(std::lround(255 * alpha * v + (1 - alpha) * u));
    };
    return {c(r, under.r), c(g, under.g), c(b, under.b), 255};
}

inline bool near(pixel p, pixel q, int tolerance)
{
    return std::abs(p.r - q.r) <= tolerance && std::abs(p.g - q.g) <= tolerance &&
           std::abs(p.b - q.b) <= tolerance && std::abs(p.a - q.a) <= tolerance;
}

inline bool is_white(pixel p)
{
    return near(p, {255, 255, 255, 255}, 0);
}

// Largest per-channel difference between two images of the same size.
inline int max_difference(cairo_surface_t *a, cairo_surface_t *b)
{
    const int w = cairo_image_surface_get_width(a), h = cairo_image_surface_get_height(a);
    int worst = 0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            const pixel p = pixel_at(a, x, y), q = pixel_at(b, x, y);
            worst = std::max({worst, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b),
                              std::abs(p.a - q.a)});
        }
    return worst;
}

}  // namespace clock_test

#endif
