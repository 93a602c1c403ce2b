// The block scans of a snippet's escape against the byte-at-a-time escape
// (escape_reference.h): every short length around the block sizes with each
// kind of byte at each place, random inputs heavy in the bytes that need
// escaping, large inputs, inputs split anywhere, and whole modules written
// from blocks of any size.
#include "escape_reference.h"
#include "module_reader.h"
#include "module_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using quillkit::SourceScan;

constexpr std::size_t kLongestShort = 64;  // four 16-byte blocks, eight words
constexpr std::size_t kMaxOffset = 16;     // where the input starts, from an aligned address
constexpr std::size_t kGuard = 64;         // bytes past the bound that must stay as they are
constexpr char kGuardByte = '\x5a';

std::string printable(std::string_view bytes)
{
    return ::testing::PrintToString(std::string(bytes));
}

// Runs escape_source with `scan` on `bytes` placed `offset` bytes into a
// buffer of its own, into a buffer of exactly the bound plus a guard, and
// compares everything with the reference: the text, the '?' state, the end
// within the bound and the guard untouched.
::testing::AssertionResult matches_reference(SourceScan scan, std::string_view bytes,
                                             bool after_question, std::size_t offset)
{
    std::vector<char> input(offset + bytes.size() + 1, '\x01');
    std::copy(bytes.begin(), bytes.end(), input.begin() + static_cast<std::ptrdiff_t>(offset));
    const std::string_view in(input.data() + offset, bytes.size());

    const std::size_t bound = quillkit::source_escaped_bound(in.size());
    std::vector<char> out(bound + kGuard, kGuardByte);
    bool state = after_question;
    const char *const end = quillkit::escape_source(out.data(), in, state, scan);

    std::string want;
    const bool want_state = quillkit_test::reference_source_escaped(want, in, after_question);
    if (end < out.data() || end > out.data() + bound)
        return ::testing::AssertionFailure()
               << "the end lies outside the bound for " << printable(in);
    const std::string_view got(out.data(), static_cast<std::size_t>(end - out.data()));
    if (got != want)
        return ::testing::AssertionFailure()
               << "input " << printable(in) << " (after '?': " << after_question << ")\n  wrote "
               << printable(got) << "\n  want  " << printable(want);
    if (state != want_state)
        return ::testing::AssertionFailure() << "'?' state " << state << " after " << printable(in);
    for (std::size_t i = bound; i < out.size(); ++i)
        if (out[i] != kGuardByte)
            return ::testing::AssertionFailure()
                   << "wrote " << (i - bound + 1) << " bytes past the bound for " << printable(in);
    return ::testing::AssertionSuccess();
}

// Whether two long texts are the same; where not, the first place they part
// and a few bytes from there (a full diff of megabytes takes far too long).
::testing::AssertionResult same_text(std::string_view got, std::string_view want)
{
    if (got == want)
        return ::testing::AssertionSuccess();
    const auto parted = std::mismatch(got.begin(), got.end(), want.begin(), want.end());
    const auto at = static_cast<std::size_t>(parted.first - got.begin());
    return ::testing::AssertionFailure()
           << "sizes " << got.size() << " and " << want.size() << ", first difference at " << at
           << ": " << printable(got.substr(at, 24)) << " where " << printable(want.substr(at, 24));
}

// Random bytes, most of them ones that need a look: the escaped bytes, runs
// of '?', any byte at all, and letters for clean runs.
std::string biased_bytes(std::mt19937 &rng, std::size_t size)
{
    constexpr char kSpecial[] = {'\n', '"', '\\', '\r', '?'};
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<std::size_t> special(0, std::size(kSpecial) - 1);
    std::uniform_int_distribution<int> any(0, 255);
    std::string bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
        const int k = kind(rng);
        if (k < 4)
            bytes += kSpecial[special(rng)];
        else if (k == 4)
            bytes.append(std::min<std::size_t>(size - bytes.size(), 1 + any(rng) % 3), '?');
        else if (k < 7)
            bytes += static_cast<char>(any(rng));
        else
            bytes += static_cast<char>('a' + any(rng) % 26);
    }
    return bytes;
}

std::vector<SourceScan> available_scans()
{
    std::vector<SourceScan> scans{SourceScan::kWords};
    if (quillkit::kHaveSse2Scan)
        scans.push_back(SourceScan::kSse2);
    return scans;
}

class EscapeScanTest : public ::testing::TestWithParam<SourceScan> {};

TEST_P(EscapeScanTest, EachByteAtEachPlaceOfEveryShortLength)
{
    // One byte of each kind among fillers that need no escape or do ('?').
    constexpr char kBytes[] = {'\n', '"', '\\', '\r', '?', '\0', '\x80', '\xff', 'x'};
    for (const char filler : {'x', '?', '\n'})
        for (std::size_t length = 0; length <= kLongestShort; ++length)
            for (std::size_t place = 0; place < std::max<std::size_t>(length, 1); ++place)
                for (const char byte : kBytes) {
                    std::string text(length, filler);
                    if (length > 0)
                        text[place] = byte;
                    for (const bool after_question : {false, true})
                        ASSERT_TRUE(matches_reference(GetParam(), text, after_question,
                                                      (length + place) % kMaxOffset));
                }
}

TEST_P(EscapeScanTest, RandomShortInputsAtEveryOffset)
{
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> coin(0, 1);
    for (std::size_t length = 0; length <= kLongestShort; ++length)
        for (std::size_t offset = 0; offset < kMaxOffset; ++offset)
            for (int i = 0; i < 12; ++i) {
                const std::string text = biased_bytes(rng, length);
                ASSERT_TRUE(matches_reference(GetParam(), text, coin(rng) == 1, offset));
            }
}

TEST_P(EscapeScanTest, LargeInputs)
{
    std::mt19937 rng(7);
    std::string uniform(300000, '\0');
    std::uniform_int_distribution<int> any(0, 255);
    for (char &c : uniform)
        c = static_cast<char>(any(rng));
    const std::vector<std::string> texts{
        biased_bytes(rng, (std::size_t{1} << 20) + 13),
        uniform,
        std::string(100003, 'a'),   // nothing to escape
        std::string(100003, '\n'),  // the longest escape everywhere
        std::string(100003, '?'),   // a '?' after a '?' everywhere but first
        std::string(100003, '"'),
    };
    for (const std::string &text : texts)
        for (const bool after_question : {false, true})
            ASSERT_TRUE(matches_reference(GetParam(), text, after_question, 3));
}

TEST_P(EscapeScanTest, TextSplitAnywhereEscapesAsAWhole)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 200; ++round) {
        const std::string text = biased_bytes(rng, 2000);
        std::string want;
        quillkit_test::reference_source_escaped(want, text, false);

        std::string got;
        bool after_question = false;
        std::uniform_int_distribution<std::size_t> cut(0, 40);
        for (std::size_t at = 0; at < text.size();) {
            const std::string_view piece = std::string_view(text).substr(at, cut(rng));
            std::vector<char> out(quillkit::source_escaped_bound(piece.size()));
            const char *end =
                quillkit::escape_source(out.data(), piece, after_question, GetParam());
            got.append(out.data(), static_cast<std::size_t>(end - out.data()));
            at += piece.size();
        }
        ASSERT_TRUE(same_text(got, want)) << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(Scans, EscapeScanTest, ::testing::ValuesIn(available_scans()),
                         [](const ::testing::TestParamInfo<SourceScan> &scan) {
                             return scan.param == SourceScan::kSse2 ? "Sse2" : "Words";
                         });

TEST(EscapeScanTest, AppendSourceEscapedMatchesTheReference)
{
    std::mt19937 rng(5);
    std::string got = "prefix";
    std::string want = "prefix";
    bool state = true;
    for (std::size_t length = 0; length <= kLongestShort; ++length) {
        const std::string text = biased_bytes(rng, length);
        const bool want_state = quillkit_test::reference_source_escaped(want, text, state);
        state = quillkit::append_source_escaped(got, text, state);
        ASSERT_EQ(state, want_state) << length;
    }
    EXPECT_TRUE(same_text(got, want));
}

// --- Whole modules ------------------------------------------------------------

// A module for `texts` whose snippet bytes reach the writer in blocks of
// `block` bytes (0: whole).
std::string module_in_blocks(const std::vector<std::string> &names,
                             const std::vector<std::string> &texts, std::size_t block,
                             const quillkit::ModuleOptions &options = {})
{
    quillkit::StringSink sink;
    const bool complete = quillkit::write_module(
        sink, names,
        [&](std::size_t index, const quillkit::EmitBytes &emit) {
            const std::string_view text = texts.at(index);
            const std::size_t step = block == 0 ? std::max<std::size_t>(text.size(), 1) : block;
            for (std::size_t at = 0; at < text.size(); at += step)
                emit(text.substr(at, step));
            return true;
        },
        options);
    EXPECT_TRUE(complete);
    return std::move(sink.text);
}

TEST(EscapeWriterTest, LargeSnippetsInBlocksOfAnySizeMatchTheReference)
{
    // Larger than the writer's pieces and its buffer, mostly bytes that grow.
    std::mt19937 rng(11);
    const std::vector<std::string> names{"big", "lines", "small"};
    const std::vector<std::string> texts{biased_bytes(rng, 700001), std::string(300007, '\n'),
                                         "a??b\n"};
    std::string table = "const char *snippet_source[4]={\n";
    for (const std::string &text : texts) {
        table += '"';
        quillkit_test::reference_source_escaped(table, text, false);
        table += "\",\n";
    }
    table += "NULL\n};\n";

    const std::string whole = module_in_blocks(names, texts, 0);
    const std::size_t at = whole.find("const char *snippet_source[");
    ASSERT_NE(at, std::string::npos);
    ASSERT_TRUE(same_text(std::string_view(whole).substr(at, table.size()), table));
    quillkit_test::ModuleTables tables;
    ASSERT_EQ(quillkit_test::read_tables(whole, tables), "");
    ASSERT_EQ(tables.sources.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_TRUE(same_text(tables.sources[i], texts[i])) << names[i];
    EXPECT_EQ(quillkit_test::check_dispatcher(whole, tables.end, names, texts), "");

    for (const std::size_t block :
         {std::size_t{1}, std::size_t{15}, std::size_t{16}, std::size_t{17}, std::size_t{4096},
          std::size_t{65535}, std::size_t{65536}, std::size_t{65537}, std::size_t{262145}}) {
        EXPECT_TRUE(same_text(module_in_blocks(names, texts, block), whole))
            << "blocks of " << block;
    }

    quillkit::ModuleOptions options;
    options.line_directives = true;
    for (const std::size_t block : {std::size_t{0}, std::size_t{4097}, std::size_t{65537}})
        EXPECT_EQ(quillkit_test::check_line_directives(
                      module_in_blocks(names, texts, block, options), whole, names, "snippets.c"),
                  "")
            << "blocks of " << block;
}

}  // namespace
