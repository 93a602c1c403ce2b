// colour_test.cpp - colours as X writes them, and the built-in names.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "colour_names.h"
#include "colour_parse.h"

namespace {

// A colour text and what it must give, in 16 bits a channel as XParseColor
// reports it (-1: refused).
struct ColourText {
    const char *text;
    int r, g, b;
};

void PrintTo(const ColourText &c, std::ostream *os)
{
    *os << '"' << c.text << '"';
}

class ColourTest : public ::testing::TestWithParam<ColourText> {};

TEST_P(ColourTest, ParsesAsXParseColorDoes)
{
    const ColourText &c = GetParam();
    const quillkit::Result<quillkit::Rgb> rgb = qxclock::parse_colour(c.text);
    ASSERT_EQ(rgb.ok(), c.r >= 0) << c.text;
    if (rgb) {
        EXPECT_EQ(std::lround(rgb->red * 65535), c.r);
        EXPECT_EQ(std::lround(rgb->green * 65535), c.g);
        EXPECT_EQ(std::lround(rgb->blue * 65535), c.b);
    } else {
        // A numeric form is malformed; anything else is a name not known.
        const std::string quoted = std::string("'") + c.text + "'";
        EXPECT_EQ(rgb.error().rfind(qxclock::is_numeric_colour(c.text) ? "bad colour " + quoted
                                                                       : "unknown colour " + quoted,
                                    0),
                  0u)
            << rgb.error();
    }
}

// "#" digits are the high bits of a channel; rgb: digits are scaled.
INSTANTIATE_TEST_SUITE_P(
    Texts, ColourTest,
    ::testing::Values(
        ColourText{"#FFF", 0xf000, 0xf000, 0xf000}, ColourText{"#3a7", 0x3000, 0xa000, 0x7000},
        ColourText{"#FF8000", 0xff00, 0x8000, 0}, ColourText{"#123456789", 0x1230, 0x4560, 0x7890},
        ColourText{"#fFfF00001234", 0xffff, 0, 0x1234}, ColourText{"rgb:f/8/0", 0xffff, 0x8888, 0},
        ColourText{"RGB:ff/80/0000", 0xffff, 0x8080, 0},
        ColourText{"rgb:1/22/333", 0x1111, 0x2222, 0x3333},
        ColourText{"rgb:ffff/0/abcd", 0xffff, 0, 0xabcd},
        ColourText{"rgbi:1/0.5/0", 65535, 32768, 0}, ColourText{"rgbi:0/.25/1.0", 0, 16384, 65535},
        ColourText{"white", 65535, 65535, 65535}, ColourText{"light grey", 0xd3d3, 0xd3d3, 0xd3d3},
        ColourText{"LightGray", 0xd3d3, 0xd3d3, 0xd3d3},
        ColourText{"Dark Slate Grey", 0x2f2f, 0x4f4f, 0x4f4f},
        ColourText{"gray", 0xbebe, 0xbebe, 0xbebe}, ColourText{"NavyBlue", 0, 0, 0x8080},
        ColourText{"yellowgreen", 0x9a9a, 0xcdcd, 0x3232},
        ColourText{"aliceblue", 0xf0f0, 0xf8f8, 0xffff}, ColourText{"#12345", -1, 0, 0},
        ColourText{"#", -1, 0, 0}, ColourText{"#12g", -1, 0, 0},
        ColourText{"#1234567890123", -1, 0, 0}, ColourText{"rgb:1/2", -1, 0, 0},
        ColourText{"rgb:1/2/3/4", -1, 0, 0}, ColourText{"rgb:12345/0/0", -1, 0, 0},
        ColourText{"rgb://", -1, 0, 0}, ColourText{"rgb:1/2/x", -1, 0, 0},
        ColourText{"rgbi:1.5/0/0", -1, 0, 0}, ColourText{"rgbi:-0/0/0", -1, 0, 0},
        ColourText{"rgbi:nan/0/0", -1, 0, 0}, ColourText{"rgbi:1/1/1x", -1, 0, 0},
        ColourText{"no such colour", -1, 0, 0}, ColourText{"", -1, 0, 0},
        ColourText{"whites", -1, 0, 0}));

TEST(ColourNamesTest, AreSortedOnceEachAndAllFound)
{
    // The lookup is a binary search over lower-case names without spaces.
    std::size_t count = 0;
    const qxclock::ColourName *names = qxclock::colour_names(count);
    ASSERT_GE(count, 140u);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            EXPECT_LT(std::strcmp(names[i - 1].name, names[i].name), 0) << names[i].name;
        }
        const quillkit::Result<quillkit::Rgb> rgb = qxclock::parse_colour(names[i].name);
        ASSERT_TRUE(rgb) << names[i].name;
        EXPECT_EQ(std::lround(rgb->green * 255), names[i].g) << names[i].name;
    }
}

}  // namespace
