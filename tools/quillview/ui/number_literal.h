// number_literal.h - the number under the pointer in a line of C, and the
// same number a few steps on, for tweaking it with the mouse.
//
// Only plain decimals are tweaked: digits with an optional point ("12",
// "0.35", ".5", "1."), a minus sign in front when it is not a subtraction.
// Exponents ("1.5e-3"), suffixes ("2.0f", "10u"), hexadecimal and octal
// ("0x1f", "017") and digits inside names ("x2", "M_PI") are left alone.
#ifndef QUILLVIEW_UI_NUMBER_LITERAL_H
#define QUILLVIEW_UI_NUMBER_LITERAL_H

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillview {

struct NumberLiteral {
    std::size_t start = 0, length = 0;  // in bytes of the line
    std::string text;
};

// The literal at byte `at` of `line` (or ending there), if any.
std::optional<NumberLiteral> number_at(std::string_view line, std::size_t at);

// `literal` moved by `steps` units of its last digit (0.35 by 0.01, 12 by
// 1), with as many decimals as it has: "0.35" 3 steps is "0.38", -40 steps
// "-0.05".
std::string stepped(const std::string &literal, long steps);

}  // namespace quillview

#endif  // QUILLVIEW_UI_NUMBER_LITERAL_H
