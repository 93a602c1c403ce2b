// colour_names.h - the X colour names qxclock knows without a display.
#ifndef QXCLOCK_COLOUR_NAMES_H
#define QXCLOCK_COLOUR_NAMES_H

#include <cstddef>
#include <string>

namespace qxclock {

// A built-in colour name, as X's colour database spells it, and its value.
struct ColourName {
    const char *name;
    unsigned char r, g, b;
};

// The built-in names: those of X's colour database in common use, each once
// (the "grey" spellings are found as "gray"), lower case without spaces, in
// byte order.
const ColourName *colour_names(std::size_t &count);

// The entry for `text`, in either case and with any spaces ("light grey" is
// "LightGray"); null when it is not a built-in name.
const ColourName *find_colour_name(const std::string &text);

}  // namespace qxclock

#endif  // QXCLOCK_COLOUR_NAMES_H
