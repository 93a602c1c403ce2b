// Whole modules written by quillmake, compared byte for byte with modules
// written out by hand (golden/*.golden).
#include "files.h"
#include "run_quillmake.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <utility>
#include <vector>

namespace {

using quillkit_test::ScratchDir;

std::string high_bytes()
{
    std::string bytes;
    for (int b = 0x80; b <= 0xff; ++b)
        bytes += static_cast<char>(b);
    return bytes;
}

struct GoldenCase {
    const char *label;
    std::vector<std::pair<std::string, std::string>> files;  // path, bytes
    std::vector<std::string> args;
    const char *golden;
};
// Test names carry the case; print it, not the raw bytes.
void PrintTo(const GoldenCase &c, std::ostream *os)
{
    *os << c.label;
}

std::vector<GoldenCase> golden_cases()
{
    return {
        {"no_arguments", {}, {}, "empty.golden"},
        {"only_hyphen_arguments",
         {},
         {"-", "--", "-v", "-x.cairo", "-missing.cairo"},
         "empty.golden"},
        {"few",
         {{"a.cairo",
           "cairo_move_to (cr, 0.1, 0.2);\n\tcairo_show_text (cr, \"say \\\"hi\\\" \\\\ ok\");\n"},
          {"empty.cairo", ""},
          {"nonl.cairo", "cairo_fill (cr);"}},
         {"-v", "a.cairo", "empty.cairo", "nonl.cairo"},
         "few.golden"},
        {"names",
         {{"dup.cairo", "cairo_stroke (cr);\n"},
          {"sub/dot.cairo", "cairo_arc (cr, 0.5, 0.5, 0.1, 0, 6.3);\n"},
          {"x.cairo.cairo", "/* x */\n"},
          {".cairo", "cairo_fill (cr);\n\n"},
          {"bytes.cairo", "\tA\r\nB" + high_bytes() + "\n"},
          {"q\"b\\c*/d.cairo", "q();"}},
         {"dup.cairo", "sub/dot.cairo", "x.cairo.cairo", ".cairo", "dup.cairo", "bytes.cairo",
          "q\"b\\c*/d.cairo"},
         "names.golden"},
    };
}

class GoldenTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenTest, WritesTheModuleByteForByte)
{
    const GoldenCase &c = GetParam();
    ScratchDir dir;
    for (const auto &[path, bytes] : c.files)
        dir.write(path, bytes);
    // An old module is emptied first, whatever its size.
    dir.write("snippets.c", std::string(5000, 'x'));

    const quillkit_test::RunResult run = quillkit_test::run_quillmake(dir.path(), c.args);
    EXPECT_EQ(run.status, 0);
    // Arguments that begin with '-' are ignored, each with a warning.
    std::string warnings;
    for (const std::string &arg : c.args)
        if (arg.front() == '-')
            warnings += "quillmake: ignoring unknown option '" + arg + "'\n";
    EXPECT_EQ(run.err, warnings);
    EXPECT_EQ(run.out, "");
    const std::string expected =
        quillkit_test::read_file(std::string(QUILLKIT_GOLDEN_DIR) + "/" + c.golden);
    const std::string written = quillkit_test::read_file(dir / "snippets.c");
    EXPECT_EQ(written, expected);
}

INSTANTIATE_TEST_SUITE_P(Modules, GoldenTest, ::testing::ValuesIn(golden_cases()),
                         [](const auto &p) { return std::string(p.param.label); });

TEST(EmptyModule, Is1487Bytes)
{
    // A module without snippets is the fixed text alone: banner and include,
    // count 0, both tables holding only NULL, a dispatcher with only its
    // default case, and the three helper functions; 1487 bytes in all.
    ScratchDir dir;
    const quillkit_test::RunResult run = quillkit_test::run_quillmake(dir.path(), {});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(quillkit_test::read_file(dir / "snippets.c").size(), 1487u);
}

}  // namespace
