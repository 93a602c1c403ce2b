// Tests of the clock hands, drawn at fixed instants through qxhand_draw.
//
// The hands are checked against a geometric model of their outlines written
// out here from the hand design: each hand is a union of bars and discs in
// its own frame, turned to its clock angle about the centre of the unit
// square, and each shadow is the same shape moved (alt / 2, alt). Every pixel
// whose centre lies clearly inside or outside the shapes must be opaque black
// (a hand), black at alpha 0.3 over white (shadow only) or white.
#include "constants.h"
#include "qxdraw.h"

#include "image.h"

#include <gtest/gtest.h>

#include <ostream>

#include <sys/time.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

using namespace quillkit_test;

namespace {

using quillkit::kPi;

class Hands : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};

timeval at(int h, int m, int s, long usec = 0)
{
    timeval tv{};
    tv.tv_sec = h * 3600 + m * 60 + s;
    tv.tv_usec = usec;
    return tv;
}

// Clock angles in degrees for a time of day, as the clock defines them: the
// second hand moves 6 degrees a second, the minute hand 6 a minute plus a
// sixtieth of the second hand, the hour hand 30 an hour plus a twelfth of the
// minute hand.
struct Angles {
    double hour, minute, second;
};

Angles clock_angles(int h, int m, int s, long usec)
{
    const double second = (s + static_cast<double>(usec) / 1e6) * 6;
    const double minute = m * 6 + second / 60;
    return {h * 30 + minute / 12, minute, second};
}

// Signed distances (negative inside) in the hand's own frame: +x from the
// pivot to the tip.
double box(double x, double y, double x0, double x1, double half)
{
    const double cx = (x0 + x1) / 2, hx = (x1 - x0) / 2;
    const double qx = std::abs(x - cx) - hx, qy = std::abs(y) - half;
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0);
}
double disc(double x, double y, double cx, double radius)
{
    return std::hypot(x - cx, y) - radius;
}

enum class HandKind { kHour, kMinute, kSecond };

struct HandDesign {
    HandKind k;
    double width, length, alt;
};
const HandDesign kHour{HandKind::kHour, 0.03, 0.25, 0.01};
const HandDesign kMinute{HandKind::kMinute, 0.015, 0.39, 0.02};
const HandDesign kSecond{HandKind::kSecond, 0.0075, 0.32, 0.026};

double hand_distance(const HandDesign &h, double x, double y)
{
    const double r = h.width / 2;
    const double tip = disc(x, y, h.length, r);
    switch (h.k) {
    case HandKind::kHour:  // bar with a rounded tip out of a disc of radius `width`
        return std::min({tip, box(x, y, 0, h.length, r), disc(x, y, 0, h.width)});
    case HandKind::kMinute:  // bar from the pivot to a rounded tip
        return std::min(tip, box(x, y, 0, h.length, r));
    case HandKind::kSecond:  // shaft on behind the pivot, counterweight twice as thick
        return std::min({tip, box(x, y, -h.length / 10, h.length, r),
                         box(x, y, -h.length / 3, -h.length / 10, h.width)});
    }
    return 1;
}

// Distance from the unit-square point (u, v) to a hand at clock angle `deg`
// moved by (alt / 2, alt).
double placed_distance(const HandDesign &h, double deg, double alt, double u, double v)
{
    // Clock angle 0 points up, 90 to the right: the tip direction on a y-down
    // device is (sin a, -cos a).
    const double a = deg * kPi / 180;
    const double dx = u - (0.5 + alt / 2), dy = v - (0.5 + alt);
    const double along = dx * std::sin(a) - dy * std::cos(a);
    const double across = dx * std::cos(a) + dy * std::sin(a);
    return hand_distance(h, along, across);
}

struct ModelCounts {
    int mismatches = 0;
    int hand = 0, shadow = 0, shadow_overlap = 0, ground = 0;
    std::string first;
};

// Compares the image against the model, skipping pixels within a Argb of an
// edge, where antialiasing decides.
ModelCounts compare_with_model(cairo_surface_t *s, int w, int h, const Angles &a, bool seconds)
{
    std::vector<std::pair<HandDesign, double>> hands{{kHour, a.hour}, {kMinute, a.minute}};
    if (seconds)
        hands.push_back({kSecond, a.second});
    const double margin = 1.0 / std::min(w, h);
    const Argb black = kBlack, shadow = over_white(0, 0, 0, 0.3), white = kWhite;
    ModelCounts c;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            const double u = (x + 0.5) / w, v = (y + 0.5) / h;
            bool in_hand = false, hand_edge = false, shadow_edge = false;
            int in_shadows = 0;
            for (const auto &[design, deg] : hands) {
                const double dh = placed_distance(design, deg, 0, u, v);
                const double ds = placed_distance(design, deg, design.alt, u, v);
                in_hand |= dh < -margin;
                hand_edge |= std::abs(dh) <= margin;
                in_shadows += ds < -margin;
                shadow_edge |= std::abs(ds) <= margin;
            }
            Argb want;
            if (in_hand) {
                want = black;
                c.hand++;
            } else if (hand_edge || shadow_edge) {
                continue;
            } else if (in_shadows > 0) {
                want = shadow;
                c.shadow++;
                c.shadow_overlap += in_shadows > 1;
            } else {
                want = white;
                c.ground++;
            }
            const Argb got = argb_at(s, x, y);
            if (!near(got, want, 1)) {
                if (c.mismatches++ == 0)
                    c.first = "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
            }
        }
    return c;
}

struct InstantCase {
    const char *name;
    int h, m, s;
    long usec;
    int seconds;
    int width, height;
};
// Test names carry the case name; keep gtest from dumping the bytes too.
void PrintTo(const InstantCase &c, std::ostream *os)
{
    *os << c.name;
}

class HandsModel : public Hands, public ::testing::WithParamInterface<InstantCase> {};

TEST_P(HandsModel, MatchesTheOutlinesAndShadows)
{
    const InstantCase &t = GetParam();
    Canvas c(t.width, t.height);
    const timeval tv = at(t.h, t.m, t.s, t.usec);
    qxhand_draw(c.cr(), t.width, t.height, &tv, t.seconds);
    ASSERT_EQ(cairo_status(c.cr()), CAIRO_STATUS_SUCCESS);

    const ModelCounts m = compare_with_model(c.surface(), t.width, t.height,
                                             clock_angles(t.h, t.m, t.s, t.usec), t.seconds != 0);
    EXPECT_EQ(m.mismatches, 0) << "first at " << m.first;
    // Each class must really have been looked at.
    EXPECT_GT(m.hand, 300);
    EXPECT_GT(m.shadow, 100);
    EXPECT_GT(m.ground, 1000);
}

// 00:00:00 puts every hand straight up with its shadow right and below it, all
// shadows overlapping; 12:00:00 has hour angle 360 and the same picture;
// seconds 0 drops the second hand and its shadow, any other value shows them;
// a rectangle that is not square stretches everything.
INSTANTIATE_TEST_SUITE_P(
    Instants, HandsModel,
    ::testing::Values(InstantCase{"midnight", 0, 0, 0, 0, 1, 400, 400},
                      InstantCase{"noon", 12, 0, 0, 0, 1, 400, 400},
                      InstantCase{"morning", 10, 30, 45, 500000, 1, 400, 400},
                      InstantCase{"morning_no_seconds", 10, 30, 45, 500000, 0, 400, 400},
                      InstantCase{"morning_negative_flag", 10, 30, 45, 500000, -1, 400, 400},
                      InstantCase{"three", 3, 0, 0, 0, 2, 300, 300},
                      InstantCase{"evening_wide", 21, 37, 12, 250000, 1, 480, 300},
                      InstantCase{"evening_tall", 21, 37, 12, 250000, 1, 240, 420}),
    [](const ::testing::TestParamInfo<InstantCase> &param) {
        return std::string(param.param.name);
    });

TEST_F(Hands, OverlappingShadowsAreOneUniformTranslucentBlack)
{
    // At midnight the three shadows lie on top of one another; the model test
    // checks the overlap pixels too, here they are counted so the case cannot
    // pass without them.
    constexpr int kSize = 1000;
    Canvas c(kSize, kSize);
    const timeval tv = at(0, 0, 0);
    qxhand_draw(c.cr(), kSize, kSize, &tv, 1);
    const ModelCounts m =
        compare_with_model(c.surface(), kSize, kSize, clock_angles(0, 0, 0, 0), true);
    EXPECT_EQ(m.mismatches, 0) << "first at " << m.first;
    EXPECT_GT(m.shadow_overlap, 150);

    // Probes at the shadows' right-hand edges, which lie alt / 2 right of the
    // hands' edges: hour x 0.505 + 0.015, minute 0.51 + 0.0075, second
    // 0.513 + 0.00375. Above the pivot at x 0.516 all three shadows overlap
    // beside the hour hand (which ends at 0.515) and the Argb is still 0.3.
    const Argb shadow = over_white(0, 0, 0, 0.3);
    EXPECT_TRUE(near(argb_under(c.surface(), kSize * 0.516, kSize * 0.45), shadow, 1));
    EXPECT_TRUE(is_white(argb_under(c.surface(), kSize * 0.521, kSize * 0.45)));
    // Beside the pivot disc (radius 0.03) only the hour shadow, moved 0.005
    // right, shows.
    EXPECT_TRUE(near(argb_under(c.surface(), kSize * 0.532, kSize * 0.51), shadow, 1));
    EXPECT_TRUE(is_white(argb_under(c.surface(), kSize * 0.537, kSize * 0.51)));
    // Below the counterweight (which ends 0.10667 below the pivot) its shadow,
    // moved 0.026 down, still shows.
    EXPECT_TRUE(near(argb_under(c.surface(), kSize * 0.51, kSize * 0.62), shadow, 1));
    EXPECT_TRUE(is_white(argb_under(c.surface(), kSize * 0.51, kSize * 0.64)));
}

TEST_F(Hands, FifteenHundredLooksLikeThree)
{
    Canvas c3(256, 256), c15(256, 256);
    const timeval three = at(3, 0, 0), fifteen = at(15, 0, 0);
    qxhand_draw(c3.cr(), 256, 256, &three, 1);
    qxhand_draw(c15.cr(), 256, 256, &fifteen, 1);
    EXPECT_LE(max_difference(c3.surface(), c15.surface()), 1);
    // And it is the 3 o'clock picture: the hour hand lies along the row
    // through the centre, reaching 0.265 to the right.
    EXPECT_TRUE(near(argb_under(c15.surface(), 256 * 0.75, 128), kBlack, 0));
    EXPECT_FALSE(near(argb_under(c15.surface(), 256 * 0.77, 128), kBlack, 60));
}

// Measures the direction of one hand precisely: the caller's matrix magnifies
// the neighbourhood of the point at `radius` along the expected direction, a
// scan line crosses the hand there, and the middle of the opaque run is a
// point on the hand's axis. Returns its clock angle as seen from the pivot.
double measured_angle(const timeval &tv, double expected, double radius)
{
    constexpr int kSize = 1000;
    constexpr double kZoom = 10000;  // device pixels per unit of the clock square
    const double a = expected * kPi / 180;
    const double px = 0.5 + radius * std::sin(a), py = 0.5 - radius * std::cos(a);

    Canvas c(kSize, kSize);
    cairo_translate(c.cr(), kSize / 2.0, kSize / 2.0);
    cairo_scale(c.cr(), kZoom, kZoom);
    cairo_translate(c.cr(), -px, -py);
    qxhand_draw(c.cr(), 1, 1, &tv, 1);

    // Scan across the hand: along a row when it runs more up-down than
    // sideways, along a column otherwise.
    const bool along_row = std::abs(std::cos(a)) >= std::abs(std::sin(a));
    auto dark = [&](int i) {
        const Argb p =
            along_row ? argb_at(c.surface(), i, kSize / 2) : argb_at(c.surface(), kSize / 2, i);
        return p.r < 90;
    };
    if (!dark(kSize / 2))
        return NAN;
    int lo = kSize / 2, hi = kSize / 2;
    while (lo > 0 && dark(lo - 1))
        lo--;
    while (hi < kSize - 1 && dark(hi + 1))
        hi++;
    if (lo == 0 || hi == kSize - 1)
        return NAN;
    const double mid = (lo + hi + 1) / 2.0 - kSize / 2.0;  // device units from the centre
    const double qx = px + (along_row ? mid / kZoom : 0), qy = py + (along_row ? 0 : mid / kZoom);
    double deg = std::atan2(qx - 0.5, -(qy - 0.5)) * 180 / kPi;
    if (deg < 0)
        deg += 360;
    return deg;
}

TEST_F(Hands, TenThirtyFortyFiveAndAHalfPointsAtTheGivenAngles)
{
    // 10:30:45.5: second hand 273 degrees, minute hand 184.55, hour hand
    // 315.37916666666666 (all clockwise from 12). The nearest wrong readings
    // (ignoring the microseconds or the seconds) differ by 0.05 degrees or more.
    const timeval tv = at(10, 30, 45, 500000);
    const double second = measured_angle(tv, 273, 0.28);
    const double minute = measured_angle(tv, 184.55, 0.35);
    const double hour = std::fmod(measured_angle(tv, 315.37916666666666, 0.22), 360.0);
    EXPECT_NEAR(second, 273, 0.02);
    EXPECT_NEAR(minute, 184.55, 0.02);
    EXPECT_NEAR(hour, 315.37916666666666, 0.03);
}

TEST_F(Hands, InstantThatCannotBeBrokenDownDrawsNothing)
{
    Canvas c(64, 64);
    timeval tv{};
    tv.tv_sec = std::numeric_limits<time_t>::max();
    struct tm probe;
    ASSERT_EQ(localtime_r(&tv.tv_sec, &probe), nullptr) << "this libc breaks down any time_t";
    qxhand_draw(c.cr(), 64, 64, &tv, 1);
    qxhand_draw(c.cr(), 64, 64, nullptr, 1);
    EXPECT_EQ(cairo_status(c.cr()), CAIRO_STATUS_SUCCESS);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
            ASSERT_TRUE(is_white(argb_at(c.surface(), x, y))) << x << "," << y;
}

TEST_F(Hands, DrawNowShowsTheCurrentTime)
{
    // Read the clock on both sides of the call; the minute hand drawn must lie
    // between the two readings' minute angles.
    timeval before, after;
    gettimeofday(&before, nullptr);
    Canvas c(400, 400);
    qxhand_draw_now(c.cr(), 400, 400, 1);
    gettimeofday(&after, nullptr);
    auto minute_of = [](const timeval &tv) {
        struct tm t;
        localtime_r(&tv.tv_sec, &t);
        return clock_angles(t.tm_hour, t.tm_min, t.tm_sec, tv.tv_usec);
    };
    const Angles a = minute_of(before), b = minute_of(after);
    if (b.hour < a.hour)
        GTEST_SKIP() << "the day turned during the call";
    const ModelCounts ma = compare_with_model(c.surface(), 400, 400, a, true);
    const ModelCounts mb = compare_with_model(c.surface(), 400, 400, b, true);
    // The second hand may have moved a little between the readings; one of the
    // two must match closely.
    EXPECT_LT(std::min(ma.mismatches, mb.mismatches), 40);
}

}  // namespace
