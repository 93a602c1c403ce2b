// constants.h - numbers the kit's drawing code shares (not installed).
#ifndef QUILLKIT_COMMON_CONSTANTS_H
#define QUILLKIT_COMMON_CONSTANTS_H

namespace quillkit {

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = kPi / 2;

}  // namespace quillkit

#endif  // QUILLKIT_COMMON_CONSTANTS_H
