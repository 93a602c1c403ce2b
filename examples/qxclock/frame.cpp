// frame.cpp - one redraw of the clock, with the face kept between frames.
#include "frame.h"

#include "qxdraw.h"

namespace qxclock {

namespace {

// The background of a window that cannot be translucent: a near-white that
// keeps the grey ticks visible.
constexpr double background_rgb[3] = {0.96, 0.96, 0.96};

// Owns a cairo_t for the span of a block.
class Context {
public:
    explicit Context(cairo_surface_t *target) : cr_(cairo_create(target)) {}
    ~Context() { cairo_destroy(cr_); }
    Context(const Context &) = delete;
    Context &operator=(const Context &) = delete;
    cairo_t *get() const { return cr_; }

private:
    cairo_t *cr_;
};

void destroy_surface(cairo_surface_t *&surface)
{
    if (surface)
        cairo_surface_destroy(surface);
    surface = nullptr;
}

}  // namespace

void draw_face_layer(cairo_t *cr, int width, int height, bool opaque_background)
{
    cairo_save(cr);
    if (opaque_background) {
        cairo_set_source_rgb(cr, background_rgb[0], background_rgb[1], background_rgb[2]);
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

ClockFrame::~ClockFrame()
{
    reset();
}

void ClockFrame::reset()
{
    destroy_surface(face_);
    destroy_surface(back_);
    width_ = height_ = 0;
}

bool ClockFrame::prepare(cairo_surface_t *target, int width, int height)
{
    if (face_ && back_ && width == width_ && height == height_)
        return true;
    reset();
    // Both are images in our memory: the clock is rasterised here, and an X
    // server only receives finished frames. An opaque window has no alpha, so
    // neither need they.
    cairo_format_t format = cairo_surface_get_content(target) == CAIRO_CONTENT_COLOR
                                ? CAIRO_FORMAT_RGB24
                                : CAIRO_FORMAT_ARGB32;
    face_ = cairo_image_surface_create(format, width, height);
    back_ = cairo_image_surface_create(format, width, height);
    if (cairo_surface_status(face_) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_status(back_) != CAIRO_STATUS_SUCCESS) {
        reset();
        return false;
    }
    Context face(face_);
    draw_face_layer(face.get(), width, height, opaque_);
    if (cairo_status(face.get()) != CAIRO_STATUS_SUCCESS) {
        reset();
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

cairo_status_t ClockFrame::draw(cairo_surface_t *target, int width, int height, const timeval &tv,
                                bool seconds)
{
    if (width <= 0 || height <= 0)
        return CAIRO_STATUS_SUCCESS;
    if (!prepare(target, width, height))
        return CAIRO_STATUS_NO_MEMORY;
    {
        Context back(back_);
        compose_frame(back.get(), face_, width, height, tv, seconds);
        if (cairo_status(back.get()) != CAIRO_STATUS_SUCCESS)
            return cairo_status(back.get());
    }
    Context out(target);
    cairo_set_operator(out.get(), CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(out.get(), back_, 0, 0);
    cairo_rectangle(out.get(), 0, 0, width, height);
    cairo_fill(out.get());
    cairo_surface_flush(target);
    return cairo_status(out.get());
}

}  // namespace qxclock
