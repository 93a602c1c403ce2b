// Tests of the clock face: sixty ticks of three kinds on a ring of radius
// 0.465 of the clock's square, round the logo.
//
// Minute m sits at 6m degrees turned from straight down, clockwise on the
// device: minute 0 below the centre, 15 at the left, 30 above, 45 at the
// right. Tick sizes are in tick units, 0.93 of the clock's square.
#include "constants.h"
#include "qxdraw.h"

#include "image.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <string>

using namespace quillkit_test;

namespace {

using quillkit::kPi;
constexpr double kTickUnit = 0.93;
constexpr double kRing = 0.465;

const Argb kGrey = over_white(0.73, 0.73, 0.73, 1);
const Argb kBlue = over_white(0.231, 0.502, 0.682, 1);

enum class TickKind { kQuarter, kFive, kMinute };

TickKind kind_of(int m)
{
    if (m % 15 == 0)
        return TickKind::kQuarter;
    if (m % 5 == 0)
        return TickKind::kFive;
    return TickKind::kMinute;
}

struct FaceSize {
    int width, height;
};
void PrintTo(const FaceSize &c, std::ostream *os)
{
    *os << c.width << 'x' << c.height;
}

class Face : public ::testing::TestWithParam<FaceSize> {
protected:
    // Device point of the unit-square point on the ring at `deg` degrees from
    // straight down, moved by (du, dv) tick units.
    struct Frame {
        int w, h;
        double x(double deg, double du) const
        {
            return w * (0.5 - kRing * std::sin(deg * kPi / 180) + kTickUnit * du);
        }
        double y(double deg, double dv) const
        {
            return h * (0.5 + kRing * std::cos(deg * kPi / 180) + kTickUnit * dv);
        }
    };
};

TEST_P(Face, SixtyTicksOfThreeKindsOnTheRing)
{
    const FaceSize s = GetParam();
    Canvas c(s.width, s.height);
    qxface_draw(c.cr(), s.width, s.height);
    ASSERT_EQ(cairo_status(c.cr()), CAIRO_STATUS_SUCCESS);
    const Frame f{s.width, s.height};

    int quarters = 0, fives = 0, minutes = 0;
    for (int m = 0; m < 60; m++) {
        const TickKind k = kind_of(m);
        quarters += k == TickKind::kQuarter;
        fives += k == TickKind::kFive;
        minutes += k == TickKind::kMinute;
        const double r = k == TickKind::kQuarter ? 0.015 : 0.01;
        const bool fancy = k != TickKind::kMinute;
        const Argb disc = fancy ? kBlue : kGrey;
        const Argb ring = fancy ? kGrey : kWhite;
        const double deg = 6.0 * m;
        // Outward and along the ring, in tick units.
        const double ox = -std::sin(deg * kPi / 180), oy = std::cos(deg * kPi / 180);
        const double tx = -oy, ty = ox;

        // The ring of a quarter tick reaches 0.035 tick units out, past the
        // midpoint to its neighbours (0.026): probes of a plain tick towards a
        // quarter neighbour, and the midpoint beside a quarter, would land on
        // that ring and are left out.
        const bool quarter_after = kind_of((m + 1) % 60) == TickKind::kQuarter;
        const bool quarter_before = kind_of((m + 59) % 60) == TickKind::kQuarter;
        struct Look {
            const char *what;
            double du, dv;
            Argb want;
            bool wanted;
        };
        const Look looks[] = {
            {"centre", 0, 0, disc, true},
            {"disc, left", -0.7 * r, 0, disc, true},
            {"disc, right", 0.7 * r, 0, disc, true},
            {"disc, up", 0, -0.7 * r, disc, true},
            {"disc, down", 0, 0.7 * r, disc, true},
            {"gap, left", -1.3 * r, 0, kWhite, true},
            {"gap, right", 1.3 * r, 0, kWhite, true},
            {"gap, up", 0, -1.3 * r, kWhite, true},
            {"gap, down", 0, 1.3 * r, kWhite, true},
            {"ring, outward", 2 * r * ox, 2 * r * oy, ring, true},
            {"ring, inward", -2 * r * ox, -2 * r * oy, ring, true},
            {"ring, towards the next minute", 2 * r * tx, 2 * r * ty, ring,
             fancy || !quarter_after},
            {"ring, towards the previous minute", -2 * r * tx, -2 * r * ty, ring,
             fancy || !quarter_before},
            {"beyond the ring, towards the next minute", 2.55 * r * tx, 2.55 * r * ty, kWhite,
             fancy || !quarter_after},
        };
        for (const Look &l : looks) {
            if (!l.wanted)
                continue;
            const Argb got = argb_under(c.surface(), f.x(deg, l.du), f.y(deg, l.dv));
            EXPECT_TRUE(near(got, l.want, 2))
                << "minute " << m << ", " << l.what << ": got " << got;
        }
        // Nothing on the ring halfway to the next minute.
        if (k != TickKind::kQuarter && !quarter_after) {
            const Argb between = argb_under(c.surface(), f.x(deg + 3, 0), f.y(deg + 3, 0));
            EXPECT_TRUE(near(between, kWhite, 0)) << "after minute " << m << ": " << between;
        }
    }
    EXPECT_EQ(quarters, 4);
    EXPECT_EQ(fives, 8);
    EXPECT_EQ(minutes, 48);
}

TEST_P(Face, MinuteZeroBelowFifteenLeft)
{
    const FaceSize s = GetParam();
    Canvas c(s.width, s.height);
    qxface_draw(c.cr(), s.width, s.height);
    // Quarter ticks straight below, left of, above and right of the centre.
    const double cx = s.width / 2.0, cy = s.height / 2.0;
    EXPECT_TRUE(near(argb_under(c.surface(), cx, cy + kRing * s.height), kBlue, 2));
    EXPECT_TRUE(near(argb_under(c.surface(), cx - kRing * s.width, cy), kBlue, 2));
    EXPECT_TRUE(near(argb_under(c.surface(), cx, cy - kRing * s.height), kBlue, 2));
    EXPECT_TRUE(near(argb_under(c.surface(), cx + kRing * s.width, cy), kBlue, 2));
    // Minute 1 lies just clockwise of minute 0 (to its left on the device)
    // and is a plain grey tick.
    const double a1 = 6 * kPi / 180;
    const Argb m1 = argb_under(c.surface(), cx - kRing * std::sin(a1) * s.width,
                               cy + kRing * std::cos(a1) * s.height);
    EXPECT_TRUE(near(m1, kGrey, 2)) << m1;
}

TEST_P(Face, LogoFillsTheMiddleSquare)
{
    // The logo is fitted into (0.15, 0.15)-(0.85, 0.85) of the clock's square:
    // its design box (69.504 by 58.224000000000004) spans that square's full
    // width and is centred vertically in it. Probe the frame's top edge and
    // the panel in the logo's own units.
    const FaceSize s = GetParam();
    Canvas c(s.width, s.height);
    qxface_draw(c.cr(), s.width, s.height);
    const double tilt = -0.27499070352984, scale = 1 / 69.504;
    const double y_off = (1 - 58.224000000000004 * scale) / 2;
    auto at = [&](double u, double v) {
        const double fx = -2.5 + u * std::cos(tilt) - v * std::sin(tilt);
        const double fy = 14.75 + u * std::sin(tilt) + v * std::cos(tilt);
        const double lx = scale * fx, ly = y_off + scale * fy;
        return argb_under(c.surface(), s.width * (0.15 + 0.7 * lx), s.height * (0.15 + 0.7 * ly));
    };
    EXPECT_TRUE(near(at(32, 1), kGrey, 2)) << at(32, 1);
    EXPECT_TRUE(near(at(32, 8), kBlue, 2)) << at(32, 8);
    EXPECT_TRUE(near(at(18, 16.125), kWhite, 2)) << at(18, 16.125);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Face, ::testing::Values(FaceSize{800, 800}, FaceSize{900, 500}),
                         [](const ::testing::TestParamInfo<FaceSize> &param) {
                             return std::to_string(param.param.width) + "x" +
                                    std::to_string(param.param.height);
                         });

TEST(FaceAlpha, TicksTakeTheAlphaOfTheCallersColour)
{
    Canvas c(400, 400);
    cairo_set_source_rgba(c.cr(), 0, 0, 0, 0.4);
    qxface_draw(c.cr(), 400, 400);
    // Minute 0 (a quarter) below the centre, minute 1 (plain) beside it.
    EXPECT_TRUE(near(argb_under(c.surface(), 200, 200 + 0.465 * 400),
                     over_white(0.231, 0.502, 0.682, 0.4), 2));
    const double a1 = 6 * kPi / 180;
    EXPECT_TRUE(near(
        argb_under(c.surface(), 200 - 0.465 * 400 * std::sin(a1), 200 + 0.465 * 400 * std::cos(a1)),
        over_white(0.73, 0.73, 0.73, 0.4), 2));
}

}  // namespace
