// image.h - cairo image surfaces in tests: a canvas to draw on and its pixels.
#ifndef QUILLKIT_TESTS_IMAGE_H
#define QUILLKIT_TESTS_IMAGE_H

#include <cairo.h>

#include <cstdint>
#include <ostream>

#include "cairo_ptr.h"

namespace quillkit_test {

using quillkit::ContextPtr;
using quillkit::SurfacePtr;

// A pixel as stored: premultiplied, 0..255 per channel; on an opaque ground
// that is the colour itself.
struct Argb {
    int a, r, g, b;
    bool operator==(const Argb &o) const { return a == o.a && r == o.r && g == o.g && b == o.b; }
};
std::ostream &operator<<(std::ostream &os, const Argb &p);

constexpr Argb kWhite{255, 255, 255, 255};
constexpr Argb kBlack{255, 0, 0, 0};

// An ARGB32 image and a context on it. With `white`, painted opaque white
// first and the source left black (what most drawing tests start from);
// otherwise fully transparent.
class Canvas {
public:
    Canvas(int width, int height, bool white = true);
    cairo_t *cr() const { return cr_.get(); }
    cairo_surface_t *surface() const { return surface_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    Argb at(int x, int y) const;
    // The pixel under the device point (x, y), rounded down to its pixel.
    Argb under(double x, double y) const;

private:
    SurfacePtr surface_;
    ContextPtr cr_;
    int width_, height_;
};

// The pixel (x, y) of an ARGB32 or RGB24 image surface (RGB24 reads opaque).
Argb argb_at(cairo_surface_t *surface, int x, int y);
// The pixel under the device point (x, y), rounded down to its pixel.
Argb argb_under(cairo_surface_t *surface, double x, double y);
// The 32-bit word of pixel (x, y) as cairo stores it.
std::uint32_t word_at(cairo_surface_t *surface, int x, int y);
Argb from_argb32(std::uint32_t word);

// An opaque colour given as red, green, blue in 0..1.
Argb opaque(double r, double g, double b);
// A colour (components 0..1) painted at `alpha` over an opaque pixel.
Argb over(double r, double g, double b, double alpha, Argb under);
inline Argb over_white(double r, double g, double b, double alpha)
{
    return over(r, g, b, alpha, kWhite);
}

// Whether every channel is within `tolerance` of `want`.
bool near(const Argb &got, const Argb &want, int tolerance = 2);
inline bool is_white(const Argb &p)
{
    return p == kWhite;
}

// Largest per-channel difference between two images of the same size.
int max_difference(cairo_surface_t *a, cairo_surface_t *b);

}  // namespace quillkit_test

#endif  // QUILLKIT_TESTS_IMAGE_H
