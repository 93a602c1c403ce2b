// cairo_ptr.h - cairo's reference-counted objects owned by unique_ptr (not
// installed): each is destroyed once, when its owner goes.
#ifndef QUILLKIT_COMMON_CAIRO_PTR_H
#define QUILLKIT_COMMON_CAIRO_PTR_H

#include <cairo.h>

#include <memory>

namespace quillkit {

struct CairoSurfaceDeleter {
    void operator()(cairo_surface_t *surface) const { cairo_surface_destroy(surface); }
};
struct CairoContextDeleter {
    void operator()(cairo_t *cr) const { cairo_destroy(cr); }
};
struct CairoPatternDeleter {
    void operator()(cairo_pattern_t *pattern) const { cairo_pattern_destroy(pattern); }
};
struct CairoRegionDeleter {
    void operator()(cairo_region_t *region) const { cairo_region_destroy(region); }
};

using SurfacePtr = std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter>;
using ContextPtr = std::unique_ptr<cairo_t, CairoContextDeleter>;
using PatternPtr = std::unique_ptr<cairo_pattern_t, CairoPatternDeleter>;
using RegionPtr = std::unique_ptr<cairo_region_t, CairoRegionDeleter>;

}  // namespace quillkit

#endif  // QUILLKIT_COMMON_CAIRO_PTR_H
