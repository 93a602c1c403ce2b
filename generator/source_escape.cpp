// source_escape.cpp - a snippet's text as the body of a C string literal,
// scanned a block at a time (16 bytes with SSE2, else 8-byte words) for the
// bytes that need escaping, clean runs copied in one go.
#include "module_writer.h"

#include <array>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace quillkit {
namespace {

// What a byte of snippet text becomes inside the source table's literal; an
// empty entry means the byte is written as it is.
constexpr std::array<std::string_view, 256> make_source_escapes()
{
    std::array<std::string_view, 256> table{};
    table['\n'] = "\\n\"\n\"";  // end this line's literal, open the next one
    table['"'] = "\\\"";
    table['\\'] = "\\\\";
    table['\r'] = "\\r";  // a raw CR inside a literal does not compile
    // A '?' right after another would start a trigraph: it becomes "\?"
    // (see append_source_escaped); a lone '?' stays as it is.
    table['?'] = "?";
    return table;
}
constexpr std::array<std::string_view, 256> kSourceEscapes = make_source_escapes();

// The bytes that kSourceEscapes has an entry for, as a table of one byte an
// entry, for the few bytes after the last whole block.
constexpr std::array<bool, 256> make_source_attention()
{
    std::array<bool, 256> table{};
    for (std::size_t byte = 0; byte < table.size(); ++byte)
        table[byte] = !kSourceEscapes[byte].empty();
    return table;
}
constexpr std::array<bool, 256> kSourceAttention = make_source_attention();

// An escape as one 8-byte word, written with one fixed-size copy of which the
// first `size` bytes count. A '?' is here in its escaped form "\?", for the
// '?' that follows another.
struct EscapeWord {
    std::array<char, 8> bytes{};
    std::size_t size = 0;
};
constexpr std::array<EscapeWord, 256> make_escape_words()
{
    const std::array<std::string_view, 256> escapes = make_source_escapes();
    std::array<EscapeWord, 256> table{};
    for (std::size_t byte = 0; byte < table.size(); ++byte) {
        std::string_view escape = escapes[byte];
        if (byte == '?')
            escape = "\\?";
        for (std::size_t i = 0; i < escape.size(); ++i)
            table[byte].bytes[i] = escape[i];
        table[byte].size = escape.size();
    }
    return table;
}
constexpr std::array<EscapeWord, 256> kEscapeWords = make_escape_words();

// Writes what bytes[at], a byte with an entry in kSourceEscapes, becomes at
// `out`, and returns the end. A '?' becomes "\?" only after another '?' (at
// 0, after the text before `bytes`). Writes up to 8 bytes.
char *put_escape(char *out, std::string_view bytes, std::size_t at, bool question_before)
{
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (byte == '?' && !(at == 0 ? question_before : bytes[at - 1] == '?')) {
        *out = '?';
        return out + 1;
    }
    const EscapeWord &escape = kEscapeWords[byte];
    std::memcpy(out, escape.bytes.data(), escape.bytes.size());
    return out + escape.size;
}

// A scan's block: kSize bytes that copy(in, out) copies from `in` to `out`
// whole, returning a mask of the bytes among them that need a look (nonzero
// when there is one); first(mask) is the place of the first.

// 8 bytes in a 64-bit word. zero_bytes() sets the high bit of each byte of
// `x` that is zero and no other bit: no carry crosses from byte to byte.
constexpr std::uint64_t kLow7 = 0x7f7f7f7f7f7f7f7fULL;
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t zero_bytes(std::uint64_t x)
{
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}

struct WordBlock {
    static constexpr std::size_t kSize = 8;
    static std::uint64_t copy(const char *in, char *out)
    {
        std::uint64_t word;
        std::memcpy(&word, in, sizeof word);
        std::memcpy(out, &word, sizeof word);
        return zero_bytes(word ^ (kOnes * '\n')) | zero_bytes(word ^ (kOnes * '"')) |
               zero_bytes(word ^ (kOnes * '\\')) | zero_bytes(word ^ (kOnes * '\r')) |
               zero_bytes(word ^ (kOnes * '?'));
    }
    static std::size_t first(std::uint64_t mask)
    {
        // The byte at the lowest address is the word's lowest byte on a
        // little-endian machine, its highest on a big-endian one.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        return static_cast<std::size_t>(__builtin_clzll(mask)) / 8;
#else
        return static_cast<std::size_t>(__builtin_ctzll(mask)) / 8;
#endif
    }
};

#ifdef __SSE2__
// 16 bytes in an SSE2 register; the mask has bit k for byte k.
struct Sse2Block {
    static constexpr std::size_t kSize = 16;
    static unsigned copy(const char *in, char *out)
    {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), block);
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\n')),
                                                   _mm_cmpeq_epi8(block, _mm_set1_epi8('"'))),
                                      _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\\')),
                                                   _mm_cmpeq_epi8(block, _mm_set1_epi8('\r')))),
                         _mm_cmpeq_epi8(block, _mm_set1_epi8('?')));
        return static_cast<unsigned>(_mm_movemask_epi8(hits));
    }
    static std::size_t first(unsigned mask)
    {
        return static_cast<std::size_t>(__builtin_ctz(mask));
    }
};
#endif

// The escape of `bytes` a block at a time: each block is copied whole, and
// where it holds a byte that needs a look, the output goes on from that byte's
// escape and the next block starts right after the byte. The few bytes after
// the last whole block go one at a time.
template <typename Block>
char *escape_blocks(char *out, std::string_view bytes, bool question_before)
{
    const char *const in = bytes.data();
    const std::size_t size = bytes.size();
    std::size_t at = 0;
    while (size - at >= Block::kSize) {
        const auto mask = Block::copy(in + at, out);
        if (mask == 0) {
            at += Block::kSize;
            out += Block::kSize;
            continue;
        }
        const std::size_t first = Block::first(mask);
        at += first;
        out = put_escape(out + first, bytes, at, question_before);
        ++at;
    }
    for (; at < size; ++at) {
        if (kSourceAttention[static_cast<unsigned char>(in[at])])
            out = put_escape(out, bytes, at, question_before);
        else
            *out++ = in[at];
    }
    return out;
}

}  // namespace

char *escape_source(char *out, std::string_view bytes, bool &after_question, SourceScan scan)
{
    const bool question_before = after_question;
    if (!bytes.empty())
        after_question = bytes.back() == '?';
#ifdef __SSE2__
    if (scan == SourceScan::kSse2)
        return escape_blocks<Sse2Block>(out, bytes, question_before);
#else
    (void)scan;
#endif
    return escape_blocks<WordBlock>(out, bytes, question_before);
}

bool append_source_escaped(std::string &out, std::string_view bytes, bool after_question)
{
    const std::size_t old_size = out.size();
    out.resize(old_size + source_escaped_bound(bytes.size()));
    char *const end = escape_source(out.data() + old_size, bytes, after_question);
    out.resize(static_cast<std::size_t>(end - out.data()));
    return after_question;
}

}  // namespace quillkit
