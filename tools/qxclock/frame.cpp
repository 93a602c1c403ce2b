// frame.cpp - one redraw of the clock, with the face kept between frames.
#include "frame.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "constants.h"
#include "frame_clock.h"
#include "hand_geometry.h"
#include "hand_outline.h"
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
// The second hand is covered by pieces of about this many pixels along it,
// and by at most kMaxPieces.
constexpr double kPiecePixels = 16;
constexpr int kMaxPieces = 8;

// Owns a cairo_region_t.
class Region {
public:
    Region() : region_(cairo_region_create()) {}
    ~Region() { cairo_region_destroy(region_); }
    Region(const Region &) = delete;
    Region &operator=(const Region &) = delete;
    void add(const Rect &r)
    {
        if (r.empty())
            return;
        const cairo_rectangle_int_t c{r.x, r.y, r.width, r.height};
        cairo_region_union_rectangle(region_, &c);
    }
    void add(const Damage &d)
    {
        for (const Rect &r : d)
            add(r);
    }
    Damage rectangles() const
    {
        Damage out;
        const int n = cairo_region_num_rectangles(region_);
        out.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            cairo_rectangle_int_t c;
            cairo_region_get_rectangle(region_, i, &c);
            out.push_back({c.x, c.y, c.width, c.height});
        }
        return out;
    }

private:
    cairo_region_t *region_;
};

// The smallest rectangle of whole pixels round [x0, x1] x [y0, y1], widened
// by `margin`.
Rect pixel_bounds(double x0, double y0, double x1, double y1, int margin)
{
    const int left = static_cast<int>(std::floor(x0)) - margin;
    const int top = static_cast<int>(std::floor(y0)) - margin;
    const int right = static_cast<int>(std::ceil(x1)) + margin;
    const int bottom = static_cast<int>(std::ceil(y1)) + margin;
    return {left, top, right - left, bottom - top};
}

void clip_to(cairo_t *cr, const Rect &area)
{
    cairo_rectangle(cr, area.x, area.y, area.width, area.height);
    cairo_clip(cr);
}

// The user space in which the hands are drawn, as qxhand draws them: the unit
// square over the clock, with the pivot at the origin, and the non-zero rule.
void hand_space(cairo_t *cr, int width, int height)
{
    cairo_scale(cr, width, height);
    cairo_translate(cr, 0.5, 0.5);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

void append_second(cairo_t *cr, double angle, double alt)
{
    quillkit::append_hand(cr, angle, quillkit::kSecondHandDesign, alt, quillkit::second_outline);
}

void destroy(cairo_surface_t *&surface)
{
    if (surface)
        cairo_surface_destroy(surface);
    surface = nullptr;
}

bool usable(cairo_surface_t *surface)
{
    return cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
}

// x * y / 255, rounded, for x and y in 0..255.
inline std::uint32_t mul(std::uint32_t x, std::uint32_t y)
{
    const std::uint32_t t = x * y + 128;
    return (t + (t >> 8)) >> 8;
}

// The pixels of `area` in an image surface.
template <typename Pixel>
Pixel *row_of(cairo_surface_t *s, int y)
{
    return reinterpret_cast<Pixel *>(cairo_image_surface_get_data(s) +
                                     static_cast<long>(y) * cairo_image_surface_get_stride(s));
}

// Makes `area` of the alpha mask `mask` clear.
void clear_part(cairo_surface_t *mask, const Rect &area)
{
    cairo_surface_flush(mask);
    for (int y = area.y; y < area.y + area.height; ++y)
        std::memset(row_of<unsigned char>(mask, y) + area.x, 0, static_cast<size_t>(area.width));
    cairo_surface_mark_dirty_rectangle(mask, area.x, area.y, area.width, area.height);
}

// Lays into `area` of `target` the `face` (ARGB32 or RGB24 like it), under the
// union of the alpha masks `kept_shadows` and `shadows` in black at the
// shadows' alpha, under the alpha mask `hands` in black: what cairo gives
// painting the face, the shadows as one translucent fill and the hands.
void lay_under_hand(cairo_surface_t *target, cairo_surface_t *face, cairo_surface_t *kept_shadows,
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

// The floor of tv_sec / period, for instants before the epoch too.
long period_of(const timeval &tv, int period)
{
    const long s = static_cast<long>(tv.tv_sec);
    return s >= 0 ? s / period : -((-s + period - 1) / period);
}

}  // namespace

long area_of(const Damage &damage)
{
    long n = 0;
    for (const Rect &r : damage)
        n += static_cast<long>(r.width) * r.height;
    return n;
}

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

Damage second_hand_pieces(int width, int height, const timeval &tv)
{
    quillkit::HandAngles angles{};
    if (width <= 0 || height <= 0 || !quillkit::hand_angles(tv, angles))
        return {};
    // As qxhand draws it: clockwise from 12 o'clock, in the unit square
    // stretched over the clock.
    const double theta = angles.second * quillkit::kPi / 180;
    const double along_x = std::sin(theta), along_y = -std::cos(theta);  // towards the tip
    const double across_x = std::cos(theta), across_y = std::sin(theta);
    const quillkit::HandDesign &hand = quillkit::kSecondHandDesign;
    const double tail = -hand.length / quillkit::kSecondHandTailDivisor;
    const double neck = -hand.length / quillkit::kSecondHandNeckDivisor;
    const double tip = quillkit::tip_radius(hand);
    const double side = std::max(width, height);
    const int pieces =
        std::clamp(static_cast<int>(std::ceil((tip - tail) * side / kPiecePixels)), 1, kMaxPieces);
    Damage out;
    for (int i = 0; i < pieces; ++i) {
        const double u0 = tail + (tip - tail) * i / pieces;
        const double u1 = tail + (tip - tail) * (i + 1) / pieces;
        const double half =
            u0 < neck ? quillkit::counterweight_half_width(hand) : quillkit::shaft_half_width(hand);
        double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
        for (const double u : {u0, u1})
            for (const double v : {-half, half})
                for (const double shadow : {0.0, hand.alt}) {
                    const double x = (0.5 + u * along_x + v * across_x + shadow / 2) * width;
                    const double y = (0.5 + u * along_y + v * across_y + shadow) * height;
                    x0 = std::min(x0, x), x1 = std::max(x1, x);
                    y0 = std::min(y0, y), y1 = std::max(y1, y);
                }
        const Rect r = intersect(pixel_bounds(x0, y0, x1, y1, kInkMargin), {0, 0, width, height});
        if (!r.empty())
            out.push_back(r);
    }
    return out;
}

void draw_face_layer(cairo_t *cr, int width, int height, const std::optional<Rgb> &background)
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

ClockFrame::~ClockFrame()
{
    reset();
}

void ClockFrame::reset()
{
    destroy(face_);
    destroy(kept_shadows_);
    destroy(kept_hands_);
    destroy(shadows_);
    drawn_ = false;
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
    kept_shadows_ = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
    kept_hands_ = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
    shadows_ = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
    if (!usable(face_) || !usable(kept_shadows_) || !usable(kept_hands_) || !usable(shadows_)) {
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

bool ClockFrame::keep_hands(const timeval &tv)
{
    quillkit::HandAngles angles{};
    const bool known = quillkit::hand_angles(tv, angles);
    for (cairo_surface_t *mask : {kept_shadows_, kept_hands_}) {
        Context cr(mask);
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr.get());
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_OVER);
        if (!known)
            continue;  // no hands, as qxhand draws none
        hand_space(cr.get(), width_, height_);
        const bool shadows = mask == kept_shadows_;
        const quillkit::HandDesign &hour = quillkit::kHourHandDesign;
        const quillkit::HandDesign &minute = quillkit::kMinuteHandDesign;
        quillkit::append_hand(cr.get(), angles.hour, hour, shadows ? hour.alt : 0,
                              quillkit::hour_outline);
        // The shadows are one path (their union); the hands one fill each.
        if (!shadows)
            cairo_fill(cr.get());
        quillkit::append_hand(cr.get(), angles.minute, minute, shadows ? minute.alt : 0,
                              quillkit::minute_outline);
        cairo_fill(cr.get());
        if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS)
            return false;
    }
    return true;
}

bool ClockFrame::compose(cairo_surface_t *target, const Rect &area, const timeval &tv, bool seconds)
{
    quillkit::HandAngles angles{};
    seconds = seconds && quillkit::hand_angles(tv, angles);
    clear_part(shadows_, area);
    if (seconds) {
        Context cr(shadows_);
        clip_to(cr.get(), area);
        hand_space(cr.get(), width_, height_);
        append_second(cr.get(), angles.second, quillkit::kSecondHandDesign.alt);
        cairo_fill(cr.get());
        if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS)
            return false;
    }
    // The face, the shadows as one and the kept hands: a pass over the
    // pixels, cheaper than three of cairo's.
    lay_under_hand(target, face_, kept_shadows_, shadows_, kept_hands_, area);
    if (!seconds)
        return true;
    Context cr(target);
    clip_to(cr.get(), area);
    hand_space(cr.get(), width_, height_);
    append_second(cr.get(), angles.second, 0);
    cairo_fill(cr.get());
    return cairo_status(cr.get()) == CAIRO_STATUS_SUCCESS;
}

Damage ClockFrame::changes(bool seconds, long period_index, const Rect &hour_minute,
                           const Damage &second) const
{
    if (!drawn_)
        return {{0, 0, width_, height_}};
    Region region;
    region.add(second_);
    region.add(second);
    if (period_index != period_index_ || seconds != seconds_) {
        region.add(hour_minute_);
        region.add(hour_minute);
    }
    return region.rectangles();
}

std::optional<Damage> ClockFrame::draw(cairo_surface_t *target, int width, int height,
                                       const timeval &tv, bool seconds)
{
    if (width <= 0 || height <= 0)
        return Damage{};
    if (!prepare(target, width, height))
        return std::nullopt;
    const long period_index = period_of(tv, frame_rate_for(width, height, false).seconds_per_frame);
    const bool new_period = !drawn_ || period_index != period_index_ || seconds != seconds_;
    const Rect hour_minute = new_period ? hands_bounds(width, height, tv, false) : hour_minute_;
    Damage second = seconds ? second_hand_pieces(width, height, tv) : Damage{};
    const Damage changed = changes(seconds, period_index, hour_minute, second);
    // One clip round all of it: cheaper for cairo than several rectangles.
    Rect redrawn;
    for (const Rect &r : changed)
        redrawn = unite(redrawn, r);
    if ((new_period && !keep_hands(tv)) || !compose(target, redrawn, tv, seconds)) {
        drawn_ = false;
        return std::nullopt;
    }
    cairo_surface_flush(target);
    drawn_ = true;
    seconds_ = seconds;
    period_index_ = period_index;
    hour_minute_ = hour_minute;
    second_ = std::move(second);
    redrawn_ = redrawn;
    return changed;
}

}  // namespace qxclock
