// number_literal.cpp - finding and stepping plain decimal literals.
#include "number_literal.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>

namespace quillview {

namespace {

constexpr std::size_t kMaxDigits = 17;  // exact in a 64-bit integer, with room to step

bool is_digit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Part of a name or of a number in C.
bool is_word(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// Whether a '-' right before a number at `minus` is a sign: nothing that
// ends an operand comes before it.
bool is_sign(std::string_view line, std::size_t minus)
{
    std::size_t i = minus;
    while (i > 0 && (line[i - 1] == ' ' || line[i - 1] == '\t'))
        i--;
    if (i == 0)
        return true;
    const char before = line[i - 1];
    return !is_word(before) && before != ')' && before != ']' && before != '.';
}

struct Parts {
    bool negative = false;
    bool has_whole = false, has_point = false;
    std::int64_t units = 0;  // the value in units of the last digit
    std::size_t decimals = 0;
};

std::optional<Parts> parse(const std::string &text)
{
    Parts p;
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') {
        p.negative = true;
        i++;
    }
    std::size_t digits = 0;
    for (; i < text.size(); i++) {
        if (text[i] == '.') {
            if (p.has_point)
                return std::nullopt;
            p.has_point = true;
            continue;
        }
        if (!is_digit(text[i]) || ++digits > kMaxDigits)
            return std::nullopt;
        p.units = p.units * 10 + (text[i] - '0');
        if (p.has_point)
            p.decimals++;
        else
            p.has_whole = true;
    }
    if (digits == 0)
        return std::nullopt;
    return p;
}

}  // namespace

std::optional<NumberLiteral> number_at(std::string_view line, std::size_t at)
{
    if (at > line.size())
        return std::nullopt;
    const auto in_number = [&](std::size_t i) { return is_digit(line[i]) || line[i] == '.'; };
    std::size_t start = at, end = at;
    if (at < line.size() && line[at] == '-' && at + 1 < line.size() && in_number(at + 1))
        start = end = at + 1;  // on the sign
    else if (!(at < line.size() && in_number(at)) && !(at > 0 && in_number(at - 1)))
        return std::nullopt;
    while (start > 0 && in_number(start - 1))
        start--;
    while (end < line.size() && in_number(end))
        end++;
    if ((start > 0 && is_word(line[start - 1])) || (end < line.size() && is_word(line[end])))
        return std::nullopt;  // in a name, or with an exponent or a suffix
    const std::string digits(line.substr(start, end - start));
    const std::optional<Parts> parts = parse(digits);
    if (!parts || (parts->has_whole && !parts->has_point && digits.size() > 1 && digits[0] == '0'))
        return std::nullopt;  // not a decimal, or octal
    if (start > 0 && line[start - 1] == '-' && is_sign(line, start - 1))
        start--;
    return NumberLiteral{start, end - start, std::string(line.substr(start, end - start))};
}

std::string stepped(const std::string &literal, long steps)
{
    const std::optional<Parts> p = parse(literal);
    if (!p)
        return literal;
    const std::int64_t value = (p->negative ? -p->units : p->units) + steps;
    const bool negative = value < 0;
    std::string digits = std::to_string(negative ? -value : value);
    if (digits.size() <= p->decimals)
        digits.insert(0, p->decimals + 1 - digits.size(), '0');
    std::string whole = digits.substr(0, digits.size() - p->decimals);
    if (!p->has_whole && whole == "0")
        whole.clear();  // ".5" stays without its zero
    std::string text = negative ? "-" : "";
    text += whole;
    if (p->has_point)
        text += "." + digits.substr(digits.size() - p->decimals);
    return text;
}

}  // namespace quillview
