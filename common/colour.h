// colour.h - a colour as red, green and blue in 0..1 (not installed).
#ifndef QUILLKIT_COMMON_COLOUR_H
#define QUILLKIT_COMMON_COLOUR_H

namespace quillkit {

struct Rgb {
    double red, green, blue;
};

}  // namespace quillkit

#endif  // QUILLKIT_COMMON_COLOUR_H
