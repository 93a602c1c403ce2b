// pixels.h - reading pixels of cairo image surfaces and X images in tests.
#ifndef QUILLKIT_TESTS_PIXELS_H
#define QUILLKIT_TESTS_PIXELS_H

#include <cmath>
#include <cstdint>
#include <ostream>

namespace quillkit_test {

// A premultiplied pixel, 0..255 per channel.
struct Argb {
    int a, r, g, b;
};

inline Argb from_argb32(std::uint32_t p)
{
    return {int(p >> 24 & 0xff), int(p >> 16 & 0xff), int(p >> 8 & 0xff), int(p & 0xff)};
}

inline std::ostream &operator<<(std::ostream &os, const Argb &p)
{
    return os << "argb(" << p.a << ", " << p.r << ", " << p.g << ", " << p.b << ")";
}

// An opaque colour given as red, green, blue in 0..1.
inline Argb opaque(double r, double g, double b)
{
    auto c = [](double v) { return int(std::lround(v * 255.0)); };
    return {255, c(r), c(g), c(b)};
}

// Whether every channel is within `tol` of `want`.
inline bool near(const Argb &got, const Argb &want, int tol = 2)
{
    return std::abs(got.a - want.a) <= tol && std::abs(got.r - want.r) <= tol &&
           std::abs(got.g - want.g) <= tol && std::abs(got.b - want.b) <= tol;
}

// The palette of the clock, and the hands' black.
inline Argb accent_blue()
{
    return opaque(0.231, 0.502, 0.682);
}
inline Argb light_grey()
{
    return opaque(0.73, 0.73, 0.73);
}
inline Argb black()
{
    return {255, 0, 0, 0};
}

}  // namespace quillkit_test

#endif  // QUILLKIT_TESTS_PIXELS_H
