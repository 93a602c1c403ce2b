// frame.cpp - one redraw of the clock, with the face kept between frames.
#include "frame.h"

#include <algorithm>
#include <cmath>

#include "compose.h"
#include "constants.h"
#include "frame_clock.h"
#include "hand_geometry.h"
#include "hand_outline.h"
#include "qxdraw.h"

namespace qxclock {

namespace {

// Antialiasing touches the pixels round a path's exact extents.
constexpr int kInkMargin = 1;
// The second hand is covered by pieces of about this many pixels along it,
// and by at most kMaxPieces.
constexpr double kPiecePixels = 16;
constexpr int kMaxPieces = 8;

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

bool usable(const quillkit::SurfacePtr &surface)
{
    return cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS;
}

bool drawn_well(const quillkit::ContextPtr &cr)
{
    return cairo_status(cr.get()) == CAIRO_STATUS_SUCCESS;
}

// The floor of tv_sec / period, for instants before the epoch too.
long period_of(const timeval &tv, int period)
{
    const long s = static_cast<long>(tv.tv_sec);
    return s >= 0 ? s / period : -((-s + period - 1) / period);
}

}  // namespace

Rect hands_bounds(int width, int height, const timeval &tv, bool seconds)
{
    // A recording surface keeps the drawing as paths; its ink extents are
    // the paths' bounds, found without rasterising anything.
    const quillkit::SurfacePtr recording(
        cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr));
    {
        const quillkit::ContextPtr cr(cairo_create(recording.get()));
        qxhand_draw(cr.get(), width, height, &tv, seconds ? 1 : 0);
    }
    double x = 0, y = 0, w = 0, h = 0;
    cairo_recording_surface_ink_extents(recording.get(), &x, &y, &w, &h);
    if (!(w > 0 && h > 0))
        return {};
    return intersect(pixel_bounds(x, y, x + w, y + h, kInkMargin), {0, 0, width, height});
}

Damage second_hand_pieces(int width, int height, const timeval &tv)
{
    Damage out;
    quillkit::HandAngles angles{};
    if (quillkit::hand_angles(tv, angles))
        second_hand_pieces(width, height, angles.second, out);
    return out;
}

void second_hand_pieces(int width, int height, double second_angle, Damage &out)
{
    out.clear();
    if (width <= 0 || height <= 0)
        return;
    // As qxhand draws it: clockwise from 12 o'clock, in the unit square
    // stretched over the clock.
    const double theta = second_angle * quillkit::kPi / 180;
    const double along_x = std::sin(theta), along_y = -std::cos(theta);  // towards the tip
    const double across_x = std::cos(theta), across_y = std::sin(theta);
    const quillkit::HandDesign &hand = quillkit::kSecondHandDesign;
    const double tail = -hand.length / quillkit::kSecondHandTailDivisor;
    const double neck = -hand.length / quillkit::kSecondHandNeckDivisor;
    const double tip = quillkit::tip_radius(hand);
    const double side = std::max(width, height);
    const int pieces =
        std::clamp(static_cast<int>(std::ceil((tip - tail) * side / kPiecePixels)), 1, kMaxPieces);
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
}

void ClockFrame::reset()
{
    face_.reset();
    kept_shadows_.reset();
    kept_hands_.reset();
    shadows_.reset();
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
    face_.reset(cairo_image_surface_create(format, width, height));
    kept_shadows_.reset(cairo_image_surface_create(CAIRO_FORMAT_A8, width, height));
    kept_hands_.reset(cairo_image_surface_create(CAIRO_FORMAT_A8, width, height));
    shadows_.reset(cairo_image_surface_create(CAIRO_FORMAT_A8, width, height));
    if (!usable(face_) || !usable(kept_shadows_) || !usable(kept_hands_) || !usable(shadows_)) {
        reset();
        return false;
    }
    const quillkit::ContextPtr face(cairo_create(face_.get()));
    draw_face_layer(face.get(), width, height, background_);
    if (!drawn_well(face)) {
        reset();
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

bool ClockFrame::keep_hands(const quillkit::HandAngles *angles)
{
    for (cairo_surface_t *mask : {kept_shadows_.get(), kept_hands_.get()}) {
        const quillkit::ContextPtr cr(cairo_create(mask));
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr.get());
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_OVER);
        if (angles == nullptr)
            continue;  // no hands, as qxhand draws none
        hand_space(cr.get(), width_, height_);
        const bool shadows = mask == kept_shadows_.get();
        const quillkit::HandDesign &hour = quillkit::kHourHandDesign;
        const quillkit::HandDesign &minute = quillkit::kMinuteHandDesign;
        quillkit::append_hand(cr.get(), angles->hour, hour, shadows ? hour.alt : 0,
                              quillkit::hour_outline);
        // The shadows are one path (their union); the hands one fill each.
        if (!shadows)
            cairo_fill(cr.get());
        quillkit::append_hand(cr.get(), angles->minute, minute, shadows ? minute.alt : 0,
                              quillkit::minute_outline);
        cairo_fill(cr.get());
        if (!drawn_well(cr))
            return false;
    }
    return true;
}

bool ClockFrame::compose(cairo_surface_t *target, const quillkit::HandAngles *angles)
{
    const Damage &areas = changed_.rectangles();
    Rect bounds;
    for (const Rect &r : areas)
        bounds = unite(bounds, r);
    clear_mask(shadows_.get(), areas);
    if (angles != nullptr) {
        const quillkit::ContextPtr cr(cairo_create(shadows_.get()));
        clip_to(cr.get(), bounds);
        hand_space(cr.get(), width_, height_);
        append_second(cr.get(), angles->second, quillkit::kSecondHandDesign.alt);
        cairo_fill(cr.get());
        if (!drawn_well(cr))
            return false;
    }
    // The face, the shadows as one and the kept hands: a pass over the
    // pixels, cheaper than three of cairo's.
    lay_under_hands(target, {face_.get(), kept_shadows_.get(), shadows_.get(), kept_hands_.get()},
                    areas);
    if (angles == nullptr)
        return true;
    const quillkit::ContextPtr cr(cairo_create(target));
    clip_to(cr.get(), bounds);
    hand_space(cr.get(), width_, height_);
    append_second(cr.get(), angles->second, 0);
    cairo_fill(cr.get());
    return drawn_well(cr);
}

void ClockFrame::find_changes(bool new_period, const Rect &hour_minute)
{
    changed_.clear();
    if (!drawn_) {
        changed_.add({0, 0, width_, height_});
        return;
    }
    changed_.add(second_);
    changed_.add(next_second_);
    if (new_period) {
        changed_.add(hour_minute_);
        changed_.add(hour_minute);
    }
}

quillkit::Result<void> ClockFrame::draw(cairo_surface_t *target, int width, int height,
                                        const timeval &tv, bool seconds)
{
    changed_.clear();
    if (width <= 0 || height <= 0)
        return {};
    if (!prepare(target, width, height))
        return quillkit::fail("cannot draw the clock");
    quillkit::HandAngles angles{};
    const bool known = quillkit::hand_angles(tv, angles);
    const long period_index = period_of(tv, frame_rate_for(width, height, false).seconds_per_frame);
    const bool new_period = !drawn_ || period_index != period_index_ || seconds != seconds_;
    const Rect hour_minute = new_period ? hands_bounds(width, height, tv, false) : hour_minute_;
    next_second_.clear();
    if (seconds && known)
        second_hand_pieces(width, height, angles.second, next_second_);
    find_changes(new_period, hour_minute);
    const quillkit::HandAngles *hands = known ? &angles : nullptr;
    if ((new_period && !keep_hands(hands)) || !compose(target, seconds ? hands : nullptr)) {
        drawn_ = false;
        return quillkit::fail("cannot draw the clock");
    }
    cairo_surface_flush(target);
    drawn_ = true;
    seconds_ = seconds;
    period_index_ = period_index;
    hour_minute_ = hour_minute;
    second_.swap(next_second_);
    return {};
}

}  // namespace qxclock
