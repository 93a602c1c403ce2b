// frame_test.cpp - the frame composed from the cached face: the picture
// qxhand draws, redrawn only where the hands were and are.
#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/time.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "cairo_ptr.h"
#include "frame.h"
#include "image.h"
#include "outline.h"
#include "qxdraw.h"

namespace {

// An ARGB32 image surface and its bytes.
struct Image {
    Image(int w, int h) : owned(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)) {}
    std::uint32_t at(int x, int y) const { return quillkit_test::word_at(surface, x, y); }
    quillkit::SurfacePtr owned;
    cairo_surface_t *const surface = owned.get();
};

// The clock drawn the plain way, face and hands straight onto a clear surface.
void draw_directly(Image &im, int w, int h, const timeval &tv, bool seconds)
{
    const quillkit::ContextPtr cr(cairo_create(im.surface));
    cairo_set_source_rgb(cr.get(), 0, 0, 0);
    qxface_draw(cr.get(), w, h);
    qxhand_draw(cr.get(), w, h, &tv, seconds ? 1 : 0);
}

// Copies the pixels of `from` into `to`, of the same size.
void copy(Image &from, Image &to)
{
    const quillkit::ContextPtr cr(cairo_create(to.surface));
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr.get(), from.surface, 0, 0);
    cairo_paint(cr.get());
}

bool inside(const qxclock::Damage &d, int x, int y)
{
    for (const qxclock::Rect &r : d)
        if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height)
            return true;
    return false;
}

// Whether two pixels differ by more than `tolerance` in a channel.
bool differ(std::uint32_t p, std::uint32_t q, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = int(p >> shift & 0xff), b = int(q >> shift & 0xff);
        if (std::abs(a - b) > tolerance)
            return true;
    }
    return false;
}

// The first pixel at which `a` and `b` differ (by more than `tolerance`)
// inside `d` (`in`) or outside it; "" when there is none.
std::string first_difference(Image &a, Image &b, const qxclock::Damage &d, bool in,
                             int tolerance = 0)
{
    const int w = cairo_image_surface_get_width(a.surface);
    const int h = cairo_image_surface_get_height(a.surface);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (inside(d, x, y) == in && differ(a.at(x, y), b.at(x, y), tolerance))
                return std::to_string(x) + "," + std::to_string(y);
    return "";
}

// The levels by which an edge pixel may differ between the window's frame and
// qxhand's drawing of the same clock: the frame lays the second hand's shadow
// over the kept hands' shadows as coverage masks, where qxhand fills them as
// one path, and cairo rasterises a little differently under a clip of several
// rectangles, or when other edges of the same fill cross the pixel's row. A
// hand or a shadow left behind or missing differs by far more.
constexpr int kRounding = 16;

// Fills a surface with something that must not survive a frame.
void scribble(Image &im)
{
    const quillkit::ContextPtr cr(cairo_create(im.surface));
    cairo_set_source_rgba(cr.get(), 0.9, 0.1, 0.1, 0.8);
    cairo_paint(cr.get());
}

// Some instants; any would do. At 200 and 256 px the minute hand moves
// visibly every 7 and 5 s, and kMorning + 1 s is in the same period.
constexpr timeval kMorning{1781254245, 500000};
constexpr timeval kEvening{1781290000, 0};

TEST(ClockFrameTest, FramesMatchTheClockDrawnDirectly)
{
    // Each frame redraws only where the hands were and are, on the last
    // frame. Where it says it changed the picture, that is the clock drawn
    // afresh; elsewhere the last frame stays. When the minute hand has moved
    // (or the size changed) the whole picture is the clock drawn afresh,
    // with no trace of earlier hands.
    const qxclock::Damage all{{0, 0, 320, 320}};
    struct Step {
        int w, h;
        timeval tv;
        bool seconds;
        bool whole;  // the whole picture is the clock for tv
    };
    const Step steps[] = {{200, 200, kMorning, true, true},
                          {200, 200, {kMorning.tv_sec + 1, 0}, true, false},  // seconds only
                          {200, 200, {kMorning.tv_sec + 1, 700000}, true, false},
                          {200, 200, kEvening, false, true},  // all hands moved
                          {200, 200, kMorning, true, true},
                          {320, 180, kEvening, true, true},  // a new size: all drawn again
                          {320, 180, {kEvening.tv_sec, 400000}, true, false},
                          {320, 180, kMorning, false, true}};
    qxclock::ClockFrame frame(std::nullopt);
    std::unique_ptr<Image> got;
    for (const Step &s : steps) {
        if (!got || cairo_image_surface_get_width(got->surface) != s.w) {
            got = std::make_unique<Image>(s.w, s.h);
            scribble(*got);
        }
        Image before(s.w, s.h);
        copy(*got, before);
        const quillkit::Result<void> drawn = frame.draw(got->surface, s.w, s.h, s.tv, s.seconds);
        ASSERT_TRUE(drawn) << drawn.error();
        const qxclock::Damage &changed = frame.changed();
        Image want(s.w, s.h);
        draw_directly(want, s.w, s.h, s.tv, s.seconds);
        const std::string at = std::to_string(s.tv.tv_sec) + "." + std::to_string(s.tv.tv_usec);
        EXPECT_EQ(first_difference(*got, want, changed, true, kRounding), "") << at;
        EXPECT_EQ(first_difference(*got, before, changed, false), "") << at;
        if (s.whole) {
            EXPECT_EQ(first_difference(*got, want, all, true, kRounding), "") << at;
        }
    }
}

TEST(ClockFrameTest, BetweenMinuteMovesOnlyTheSecondHandIsRedrawn)
{
    // From one second to the next only the second hand moves visibly: what
    // is redrawn is a small part of the window, inside the second hand's
    // pieces then and now.
    qxclock::ClockFrame frame(std::nullopt);
    Image im(256, 256);
    ASSERT_TRUE(frame.draw(im.surface, 256, 256, kMorning, true));
    const timeval next{kMorning.tv_sec + 1, kMorning.tv_usec};
    const quillkit::Result<void> drawn = frame.draw(im.surface, 256, 256, next, true);
    ASSERT_TRUE(drawn) << drawn.error();
    const qxclock::Damage &changed = frame.changed();
    EXPECT_GT(qxclock::area_of(changed), 0);
    EXPECT_LT(qxclock::area_of(changed), 256 * 256 / 10);
    qxclock::Damage pieces = qxclock::second_hand_pieces(256, 256, kMorning);
    for (const qxclock::Rect &r : qxclock::second_hand_pieces(256, 256, next))
        pieces.push_back(r);
    for (const qxclock::Rect &r : changed)
        for (const auto &[x, y] : {std::pair{r.x, r.y}, {r.x + r.width - 1, r.y + r.height - 1}})
            EXPECT_TRUE(inside(pieces, x, y)) << x << "," << y;
}

TEST(ClockFrameTest, TheSecondHandsPiecesHoldIt)
{
    // Every pixel that the second hand (with its shadow) changes lies in its
    // pieces, at any angle and in a stretched clock too.
    struct Case {
        int w, h;
        timeval tv;
    };
    for (const Case &c :
         {Case{256, 256, kMorning}, Case{256, 256, {kMorning.tv_sec + 7, 0}},
          Case{200, 200, {kMorning.tv_sec + 22, 250000}}, Case{320, 180, {kMorning.tv_sec + 31, 0}},
          Case{120, 300, {kMorning.tv_sec + 50, 0}}}) {
        Image with(c.w, c.h), without(c.w, c.h);
        draw_directly(with, c.w, c.h, c.tv, true);
        draw_directly(without, c.w, c.h, c.tv, false);
        const qxclock::Damage pieces = qxclock::second_hand_pieces(c.w, c.h, c.tv);
        EXPECT_EQ(first_difference(with, without, pieces, false, kRounding), "")
            << c.w << "x" << c.h << " at " << c.tv.tv_sec;
        // And they are tight: far less than the square round the hand.
        EXPECT_LT(qxclock::area_of(pieces), c.w * c.h / 4);
    }
}

TEST(ClockFrameTest, TheOutlineHoldsWhatIsDrawnOpaque)
{
    // The ticks and hands are in the outline, the clear corners and the
    // shadows are not; what is in it turns opaque in its own colour.
    constexpr int kSide = 200;
    qxclock::ClockFrame frame(std::nullopt);
    Image im(kSide, kSide);
    ASSERT_TRUE(frame.draw(im.surface, kSide, kSide, kMorning, true));
    Image drawn(kSide, kSide);
    copy(im, drawn);
    std::vector<qxclock::Rect> runs;
    qxclock::take_outline(im.surface, {0, 0, kSide, kSide}, runs);
    const int min_alpha = qxclock::outline_min_alpha();
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const std::uint32_t a = drawn.at(x, y) >> 24;
            ASSERT_EQ(inside(runs, x, y), a >= std::uint32_t(min_alpha)) << x << "," << y;
            if (a == 255) {
                ASSERT_EQ(im.at(x, y), drawn.at(x, y)) << x << "," << y;
            } else if (inside(runs, x, y)) {
                ASSERT_EQ(im.at(x, y) >> 24, 255u) << x << "," << y;
            }
        }
    EXPECT_FALSE(inside(runs, 0, 0));
    EXPECT_TRUE(inside(runs, kSide / 2, kSide / 2));
    // A shadow alone is translucent black: below the outline's alpha.
    EXPECT_GT(min_alpha, 255 * 3 / 10);
    EXPECT_LT(min_alpha, 255 / 2);
}

TEST(ClockFrameTest, BackgroundFillsTheOutside)
{
    qxclock::ClockFrame frame(quillkit::Rgb{1.0, 0.5, 0.0});
    Image im(100, 100);
    ASSERT_TRUE(frame.draw(im.surface, 100, 100, kMorning, false));
    for (auto [x, y] : {std::pair{0, 0}, {99, 99}, {5, 95}})
        EXPECT_EQ(im.at(x, y), 0xffff8000u) << x << "," << y;
}

TEST(ClockFrameTest, EmptySizeDrawsNothing)
{
    qxclock::ClockFrame frame(std::nullopt);
    Image im(10, 10);
    scribble(im);
    std::uint32_t before = im.at(5, 5);
    ASSERT_TRUE(frame.draw(im.surface, 0, 10, kMorning, true));
    EXPECT_TRUE(frame.changed().empty());
    ASSERT_TRUE(frame.draw(im.surface, 10, -3, kMorning, true));
    EXPECT_TRUE(frame.changed().empty());
    EXPECT_EQ(im.at(5, 5), before);
}

}  // namespace
