/* palette.h - the colours the clock paints with (not installed). */
#ifndef QUILLKIT_CLOCK_PALETTE_H
#define QUILLKIT_CLOCK_PALETTE_H

#include <cairo.h>

#include "colour.h"

namespace quillkit {

/* Shared by the logo and the face. */
constexpr Rgb kLightGrey{0.73, 0.73, 0.73};
constexpr Rgb kAccentBlue{0.231, 0.502, 0.682};
/* The logo's windows and triangle. */
constexpr Rgb kWhite{1, 1, 1};

inline void set_source(cairo_t *cr, const Rgb &colour, double alpha)
{
    cairo_set_source_rgba(cr, colour.red, colour.green, colour.blue, alpha);
}

/* The alpha a clock drawer paints with, apart from the hands and the logo's
 * triangle, which set their own: the alpha of the caller's source when it is
 * a solid colour, 1.0 for any other source. A client fades the whole face by
 * setting a translucent colour before the call. */
inline double alpha_in_force(cairo_t *cr)
{
    double red, green, blue, alpha;
    if (cairo_pattern_get_rgba(cairo_get_source(cr), &red, &green, &blue, &alpha) ==
        CAIRO_STATUS_SUCCESS)
        return alpha;
    return 1.0;
}

}  // namespace quillkit

#endif /* QUILLKIT_CLOCK_PALETTE_H */
