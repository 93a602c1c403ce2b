// frame.cpp - one redraw of the clock, with the face kept between frames.
#include "frame.h"

#include <algorithm>
#include <cmath>

#include "qxdraw.h"

namespace qxclock {

namespace {

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

// Antialiasing touches the pixels round a path's exact extents.
constexpr int kInkMargin = 1;

}  // namespace

Rect unite(const Rect &a, const Rect &b)
{
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const int x1 = std::max(a.x + a.width, b.x + b.width);
    const int y1 = std::max(a.y + a.height, b.y + b.height);
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect intersect(const Rect &a, const Rect &b)
{
    const int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    const int x1 = std::min(a.x + a.width, b.x + b.width);
    const int y1 = std::min(a.y + a.height, b.y + b.height);
    if (x1 <= x0 || y1 <= y0)
        return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect hands_bounds(int width, int height, const timeval &tv, bool seconds)
{
    // A recording surface keeps the drawing as paths; its ink extents are
    // the paths' bounds, found without rasterising anything.
    cairo_surface_t *recording = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr);
    {
        Context cr(recording);
        qxhand_draw(cr.get(), width, height, &tv, seconds ? 1 : 0);
    }
    double x = 0, y = 0, w = 0, h = 0;
    cairo_recording_surface_ink_extents(recording, &x, &y, &w, &h);
    cairo_surface_destroy(recording);
    if (!(w > 0 && h > 0))
        return {};
    const int x0 = static_cast<int>(std::floor(x)) - kInkMargin;
    const int y0 = static_cast<int>(std::floor(y)) - kInkMargin;
    const int x1 = static_cast<int>(std::ceil(x + w)) + kInkMargin;
    const int y1 = static_cast<int>(std::ceil(y + h)) + kInkMargin;
    return intersect({x0, y0, x1 - x0, y1 - y0}, {0, 0, width, height});
}

void draw_face_layer(cairo_t *cr, int width, int height, const std::optional<Rgb> &background)
{
    cairo_save(cr);
    if (background) {
        cairo_set_source_rgb(cr, background->r, background->g, background->b);
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
    if (face_)
        cairo_surface_destroy(face_);
    face_ = nullptr;
    hands_.reset();
    width_ = height_ = 0;
}

bool ClockFrame::prepare(cairo_surface_t *target, int width, int height)
{
    if (face_ && width == width_ && height == height_)
        return true;
    reset();
    // The face is an image in our memory like the target; a target without
    // alpha needs none in the face either.
    const cairo_format_t format = cairo_image_surface_get_format(target) == CAIRO_FORMAT_RGB24
                                      ? CAIRO_FORMAT_RGB24
                                      : CAIRO_FORMAT_ARGB32;
    face_ = cairo_image_surface_create(format, width, height);
    if (cairo_surface_status(face_) != CAIRO_STATUS_SUCCESS) {
        reset();
        return false;
    }
    Context face(face_);
    draw_face_layer(face.get(), width, height, background_);
    if (cairo_status(face.get()) != CAIRO_STATUS_SUCCESS) {
        reset();
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

std::optional<Rect> ClockFrame::draw(cairo_surface_t *target, int width, int height,
                                     const timeval &tv, bool seconds)
{
    if (width <= 0 || height <= 0)
        return Rect{};
    if (!prepare(target, width, height))
        return std::nullopt;
    const Rect now = hands_bounds(width, height, tv, seconds);
    const Rect changed = hands_ ? unite(*hands_, now) : Rect{0, 0, width, height};
    {
        Context out(target);
        cairo_rectangle(out.get(), changed.x, changed.y, changed.width, changed.height);
        cairo_clip(out.get());
        compose_frame(out.get(), face_, width, height, tv, seconds);
        if (cairo_status(out.get()) != CAIRO_STATUS_SUCCESS) {
            hands_.reset();
            return std::nullopt;
        }
    }
    cairo_surface_flush(target);
    hands_ = now;
    return changed;
}

}  // namespace qxclock
