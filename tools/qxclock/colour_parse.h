// colour_parse.h - colours as X writes them, read without a display.
#ifndef QXCLOCK_COLOUR_PARSE_H
#define QXCLOCK_COLOUR_PARSE_H

#include <string>

#include "colour.h"
#include "result.h"

namespace qxclock {

// Parses a colour as XParseColor does, without a display: "#RGB",
// "#RRGGBB", "#RRRGGGBBB" and "#RRRRGGGGBBBB" (the digits are the high bits
// of each channel), "rgb:R/G/B" with one to four hex digits a channel (scaled
// to the full range), "rgbi:R/G/B" with numbers from 0 to 1, and the built-in
// X colour names (colour_names.h). Fails with "bad colour 'TEXT': ..." for a
// malformed numeric form, "unknown colour 'TEXT'" for any other text.
quillkit::Result<quillkit::Rgb> parse_colour(const std::string &text);

// Whether `text` is meant as a numeric colour ("#", "rgb:" or "rgbi:"), so
// that parse_colour refusing it makes it malformed rather than a name it does
// not know.
bool is_numeric_colour(const std::string &text);

}  // namespace qxclock

#endif  // QXCLOCK_COLOUR_PARSE_H
