// The escape of a snippet's text as quillmake wrote it before its block scans:
// one byte at a time, through a table of its own. The scans of
// quillkit::escape_source must write exactly what this writes, for every input.
#ifndef QUILLKIT_TESTS_GENERATOR_ESCAPE_REFERENCE_H
#define QUILLKIT_TESTS_GENERATOR_ESCAPE_REFERENCE_H

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace quillkit_test {

// What a byte becomes inside the source table's literal; empty: kept as it is.
// A '?' after a '?' becomes "\?" (see below); a lone one is kept.
constexpr std::array<std::string_view, 256> make_reference_escapes()
{
    std::array<std::string_view, 256> table{};
    table['\n'] = "\\n\"\n\"";
    table['"'] = "\\\"";
    table['\\'] = "\\\\";
    table['\r'] = "\\r";
    table['?'] = "?";
    return table;
}
inline constexpr std::array<std::string_view, 256> kReferenceEscapes = make_reference_escapes();

// Appends the escape of `bytes` to `out`; `after_question` says whether the
// text before them ended in '?', the result whether `bytes` do.
inline bool reference_source_escaped(std::string &out, std::string_view bytes, bool after_question)
{
    std::size_t run = 0;  // start of the pending run of bytes kept as they are
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        std::string_view escape = kReferenceEscapes[byte];
        if (escape.empty())
            continue;
        if (byte == '?') {
            const bool follows_question = i == 0 ? after_question : bytes[i - 1] == '?';
            if (!follows_question)
                continue;
            escape = "\\?";
        }
        out.append(bytes, run, i - run);
        out.append(escape);
        run = i + 1;
    }
    out.append(bytes, run, bytes.size() - run);
    return bytes.empty() ? after_question : bytes.back() == '?';
}

}  // namespace quillkit_test

#endif
