// image.cpp - cairo image surfaces in tests.
#include "image.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quillkit_test {

std::ostream &operator<<(std::ostream &os, const Argb &p)
{
    return os << "argb(" << p.a << ", " << p.r << ", " << p.g << ", " << p.b << ")";
}

Canvas::Canvas(int width, int height, bool white)
    : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      cr_(cairo_create(surface_.get())), width_(width), height_(height)
{
    if (white) {
        cairo_set_source_rgb(cr(), 1, 1, 1);
        cairo_paint(cr());
        cairo_set_source_rgb(cr(), 0, 0, 0);
    }
}

Argb Canvas::at(int x, int y) const
{
    return argb_at(surface(), x, y);
}

Argb Canvas::under(double x, double y) const
{
    return argb_under(surface(), x, y);
}

Argb argb_under(cairo_surface_t *surface, double x, double y)
{
    return argb_at(surface, static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

std::uint32_t word_at(cairo_surface_t *surface, int x, int y)
{
    cairo_surface_flush(surface);
    const unsigned char *row =
        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    std::uint32_t word;
    std::memcpy(&word, row + 4 * x, sizeof word);
    return word;
}

Argb from_argb32(std::uint32_t word)
{
    return {static_cast<int>(word >> 24 & 0xff), static_cast<int>(word >> 16 & 0xff),
            static_cast<int>(word >> 8 & 0xff), static_cast<int>(word & 0xff)};
}

Argb argb_at(cairo_surface_t *surface, int x, int y)
{
    std::uint32_t word = word_at(surface, x, y);
    if (cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24)
        word |= 0xff000000u;
    return from_argb32(word);
}

Argb opaque(double r, double g, double b)
{
    auto c = [](double v) { return static_cast<int>(std::lround(v * 255.0)); };
    return {255, c(r), c(g), c(b)};
}

Argb over(double r, double g, double b, double alpha, Argb under)
{
    auto c = [alpha](double v, int u) {
        return static_cast<int>(std::lround(255 * alpha * v + (1 - alpha) * u));
    };
    return {255, c(r, under.r), c(g, under.g), c(b, under.b)};
}

bool near(const Argb &got, const Argb &want, int tolerance)
{
    return std::abs(got.a - want.a) <= tolerance && std::abs(got.r - want.r) <= tolerance &&
           std::abs(got.g - want.g) <= tolerance && std::abs(got.b - want.b) <= tolerance;
}

int max_difference(cairo_surface_t *a, cairo_surface_t *b)
{
    const int w = cairo_image_surface_get_width(a), h = cairo_image_surface_get_height(a);
    int worst = 0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            const Argb p = argb_at(a, x, y), q = argb_at(b, x, y);
            worst = std::max({worst, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b),
                              std::abs(p.a - q.a)});
        }
    return worst;
}

}  // namespace quillkit_test
