// colour_parse.cpp - colours as X writes them, read without a display.
#include "colour_parse.h"

#include <cstdlib>
#include <cstring>

#include "colour_names.h"

namespace qxclock {

namespace {

using quillkit::Rgb;

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

int hex_value(char c)
{
    if (is_digit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `text` begins with `prefix` (lower case), in either case; `rest`
// is what follows it.
bool has_prefix(const char *text, const char *prefix, const char *&rest)
{
    for (; *prefix; ++prefix, ++text)
        if (lower(*text) != *prefix)
            return false;
    rest = text;
    return true;
}

// "#" and 3, 6, 9 or 12 hex digits: each channel's digits are its high bits.
bool parse_sharp(const char *digits, Rgb &out)
{
    const std::size_t length = std::strlen(digits);
    if (length == 0 || length > 12 || length % 3 != 0)
        return false;
    const std::size_t n = length / 3;
    double channel[3];
    for (std::size_t i = 0; i < 3; ++i) {
        unsigned value = 0;
        for (std::size_t k = 0; k < n; ++k) {
            const int digit = hex_value(digits[i * n + k]);
            if (digit < 0)
                return false;
            value = value << 4 | static_cast<unsigned>(digit);
        }
        channel[i] = (value << (16 - 4 * n)) / 65535.0;
    }
    out = {channel[0], channel[1], channel[2]};
    return true;
}

// "R/G/B" after "rgb:": one to four hex digits each, scaled to 0..1.
bool parse_rgb(const char *text, Rgb &out)
{
    double channel[3];
    for (int i = 0; i < 3; ++i) {
        unsigned value = 0, max = 0;
        int n = 0;
        for (; hex_value(*text) >= 0; ++text, ++n) {
            value = value << 4 | static_cast<unsigned>(hex_value(*text));
            max = max << 4 | 0xf;
        }
        if (n < 1 || n > 4 || *text != (i < 2 ? '/' : '\0'))
            return false;
        ++text;
        channel[i] = value / static_cast<double>(max);
    }
    out = {channel[0], channel[1], channel[2]};
    return true;
}

// "R/G/B" after "rgbi:": decimal numbers from 0 to 1.
bool parse_rgbi(const char *text, Rgb &out)
{
    double channel[3];
    for (int i = 0; i < 3; ++i) {
        if (!is_digit(*text) && *text != '.')
            return false;  // no sign, spaces, "inf" or "nan"
        char *end = nullptr;
        channel[i] = std::strtod(text, &end);
        if (end == text || *end != (i < 2 ? '/' : '\0') || !(channel[i] >= 0.0) || channel[i] > 1.0)
            return false;
        text = end + 1;
    }
    out = {channel[0], channel[1], channel[2]};
    return true;
}

// The numeric forms, by their prefix.
bool parse_numeric(const char *text, Rgb &out)
{
    const char *rest = nullptr;
    if (text[0] == '#')
        return parse_sharp(text + 1, out);
    if (has_prefix(text, "rgb:", rest))
        return parse_rgb(rest, out);
    return has_prefix(text, "rgbi:", rest) && parse_rgbi(rest, out);
}

}  // namespace

bool is_numeric_colour(const std::string &text)
{
    const char *rest = nullptr;
    return text[0] == '#' || has_prefix(text.c_str(), "rgb:", rest) ||
           has_prefix(text.c_str(), "rgbi:", rest);
}

quillkit::Result<Rgb> parse_colour(const std::string &text)
{
    const std::string quoted = "'" + text + "'";
    if (is_numeric_colour(text)) {
        Rgb rgb{};
        if (!parse_numeric(text.c_str(), rgb))
            return quillkit::fail(
                "bad colour " + quoted +
                ": give #rgb, #rrggbb, rgb:r/g/b, rgbi:r/g/b or an X colour name");
        return rgb;
    }
    const ColourName *name = find_colour_name(text);
    if (name == nullptr)
        return quillkit::fail("unknown colour " + quoted);
    return Rgb{name->r / 255.0, name->g / 255.0, name->b / 255.0};
}

}  // namespace qxclock
