// quillmake's command line: rejected arguments, failures while writing or
// reading, and inputs past the old fixed limits.
#include "files.h"
#include "module_reader.h"
#include "run_quillmake.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using quillkit_test::ScratchDir;

std::string rejection(const std::string &arg)
{
    return "unable to open '" + arg + "' or snippet name doesn't end in .cairo\n";
}

std::string failure(const std::string &what, const std::string &file, int error)
{
    return "quillmake: " + what + " '" + file + "': " + std::strerror(error) + "\n";
}

struct RejectCase {
    const char *label;
    std::vector<std::string> files;  // created with a line of text each
    std::vector<std::string> args;
    std::string rejected;  // the argument the message must name
};
// Test names carry the case; print it, not the raw bytes.
void PrintTo(const RejectCase &c, std::ostream *os)
{
    *os << c.label;
}

class RejectTest : public ::testing::TestWithParam<RejectCase> {};

TEST_P(RejectTest, PrintsOneMessageAndLeavesAnEmptyModule)
{
    const RejectCase &c = GetParam();
    ScratchDir dir;
    for (const std::string &file : c.files)
        dir.write(file, "cairo_fill (cr);\n");
    dir.write("snippets.c", "an older module\n");

    const quillkit_test::RunResult run = quillkit_test::run_quillmake(dir.path(), c.args);
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.err, rejection(c.rejected));  // one message: later arguments are not looked at
    EXPECT_EQ(run.out, "");
    ASSERT_TRUE(fs::is_regular_file(dir / "snippets.c"));
    EXPECT_EQ(fs::file_size(dir / "snippets.c"), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, RejectTest,
    ::testing::Values(
        RejectCase{"missing_file", {}, {"missing.cairo"}, "missing.cairo"},
        RejectCase{"missing_dot_cairo", {}, {".cairo"}, ".cairo"},
        RejectCase{"missing_directory", {}, {"nodir/a.cairo"}, "nodir/a.cairo"},
        RejectCase{"bak_existing", {"a.cairo.bak"}, {"a.cairo.bak"}, "a.cairo.bak"},
        RejectCase{"bak_missing", {}, {"a.cairo.bak"}, "a.cairo.bak"},
        RejectCase{"upper_case_suffix", {"A.CAIRO"}, {"A.CAIRO"}, "A.CAIRO"},
        RejectCase{"suffix_without_dot", {"cairo"}, {"cairo"}, "cairo"},
        RejectCase{"suffix_on_directory_only", {"d.cairo/x"}, {"d.cairo/x"}, "d.cairo/x"},
        RejectCase{"empty_argument", {}, {""}, ""},
        RejectCase{"after_accepted_ones",
                   {"good.cairo"},
                   {"-v", "good.cairo", "gone.cairo", "good.cairo", "also-gone.cairo"},
                   "gone.cairo"},
        RejectCase{"first_of_several",
                   {"good.cairo"},
                   {"notes.txt", "-v", "nope.cairo", "good.cairo"},
                   "notes.txt"}),
    [](const auto &p) { return std::string(p.param.label); });

// --help and --version answer on standard output, whatever else is on the
// command line, and leave an existing module (or its absence) alone.
struct QueryCase {
    const char *label;
    std::vector<std::string> args;
    const char *output_starts;
    bool old_module;  // whether a snippets.c exists beforehand
};
void PrintTo(const QueryCase &c, std::ostream *os)
{
    *os << c.label;
}

class QueryTest : public ::testing::TestWithParam<QueryCase> {};

TEST_P(QueryTest, AnswersAndTouchesNoFile)
{
    const QueryCase &c = GetParam();
    ScratchDir dir;
    dir.write("a.cairo", "cairo_fill (cr);\n");
    if (c.old_module)
        dir.write("snippets.c", "an older module\n");

    const quillkit_test::RunResult run = quillkit_test::run_quillmake(dir.path(), c.args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.rfind(c.output_starts, 0), 0u) << run.out;
    if (c.old_module)
        EXPECT_EQ(quillkit_test::read_file(dir / "snippets.c"), "an older module\n");
    else
        EXPECT_FALSE(fs::exists(dir / "snippets.c"));
}

INSTANTIATE_TEST_SUITE_P(
    Options, QueryTest,
    ::testing::Values(
        QueryCase{"help", {"--help"}, "usage: quillmake ", false},
        QueryCase{"version", {"--version"}, "quillmake 1.", false},
        QueryCase{"version_after_snippet", {"a.cairo", "--version"}, "quillmake 1.", true},
        QueryCase{
            "help_before_missing_snippet", {"--help", "missing.cairo"}, "usage: quillmake ", true}),
    [](const auto &p) { return std::string(p.param.label); });

// Runs that fail after snippets.c was created: status 1, one message naming
// the file and the reason, and no module left behind.
class FailureTest : public ::testing::Test {
protected:
    void expect_failed_without_module(const quillkit_test::RunResult &run,
                                      const std::string &message)
    {
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, message);
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "snippets.c")));
    }
    ScratchDir dir;
};

TEST_F(FailureTest, FullDiskWithoutSnippets)
{
    fs::create_symlink("/dev/full", dir / "snippets.c");
    expect_failed_without_module(quillkit_test::run_quillmake(dir.path(), {}),
                                 failure("cannot write", "snippets.c", ENOSPC));
}

TEST_F(FailureTest, FullDiskWithALargeSnippet)
{
    // Large enough that the writes fail midway, not only at the close.
    dir.write("big.cairo", std::string(3 << 20, 'a') + "\n");
    fs::create_symlink("/dev/full", dir / "snippets.c");
    expect_failed_without_module(quillkit_test::run_quillmake(dir.path(), {"big.cairo"}),
                                 failure("cannot write", "snippets.c", ENOSPC));
}

TEST_F(FailureTest, SnippetThatIsADirectory)
{
    dir.write("a.cairo", "cairo_fill (cr);\n");
    fs::create_directory(dir / "x.cairo");
    expect_failed_without_module(quillkit_test::run_quillmake(dir.path(), {"a.cairo", "x.cairo"}),
                                 failure("cannot read", "x.cairo", EISDIR));
}

TEST_F(FailureTest, OutputCannotBeCreated)
{
    fs::create_directory(dir / "snippets.c");
    dir.write("a.cairo", "cairo_fill (cr);\n");
    const quillkit_test::RunResult run = quillkit_test::run_quillmake(dir.path(), {"a.cairo"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, failure("cannot create", "snippets.c", EISDIR));
    EXPECT_TRUE(fs::is_directory(dir / "snippets.c")) << "what was in the way must stay";
}

// The snippet passes the scan (first open) and then cannot be opened again,
// either for the source table (second open) or for the dispatcher (third).
class VanishingSnippetTest : public FailureTest, public ::testing::WithParamInterface<int> {};

TEST_P(VanishingSnippetTest, ReportsTheSnippetAndRemovesTheModule)
{
    dir.write("a.cairo", "cairo_fill (cr);\n");
    dir.write("b.cairo", "cairo_stroke (cr);\n");
    std::string asan = "ASAN_OPTIONS=verify_asan_link_order=0";
    if (const char *given = std::getenv("ASAN_OPTIONS"))
        asan += std::string(":") + given;
    const quillkit_test::RunResult run = quillkit_test::run_quillmake(
        dir.path(), {"a.cairo", "b.cairo"},
        {std::string("LD_PRELOAD=") + QUILLKIT_FAIL_OPEN, "QUILLKIT_FAIL_OPEN_PATH=b.cairo",
         "QUILLKIT_FAIL_OPEN_AT=" + std::to_string(GetParam()), asan});
    expect_failed_without_module(run, failure("cannot open", "b.cairo", ENOENT));
}

INSTANTIATE_TEST_SUITE_P(ReadAgain, VanishingSnippetTest, ::testing::Values(2, 3));

TEST(LimitsTest, ManySnippetsAndLongNamesAreWrittenInFull)
{
    ScratchDir dir;
    std::vector<std::string> args;
    std::vector<std::string> names;
    std::vector<std::string> texts;
    auto add = [&](const std::string &path, const std::string &text) {
        dir.write(path, text);
        args.push_back(path);
        names.push_back(path.substr(0, path.size() - 6));
        texts.push_back(text);
    };
    for (int i = 0; i < 600; ++i)
        add("s" + std::to_string(i) + ".cairo", "/* snippet " + std::to_string(i) + " */\n");
    const std::string long_dir(120, 'd');
    add(long_dir + "/a_snippet_name_well_past_thirty_three_bytes_" + std::string(80, 'n') +
            ".cairo",
        "cairo_stroke (cr);\n");
    add((dir / "absolute.cairo").string(), "cairo_fill (cr);");

    const quillkit_test::RunResult run = quillkit_test::run_quillmake(dir.path(), args);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string module = quillkit_test::read_file(dir / "snippets.c");
    EXPECT_NE(module.find("\n\nint snippet_count=602;\n\nconst char *snippet_name[603]={\n"),
              std::string::npos);
    quillkit_test::ModuleTables tables;
    ASSERT_EQ(quillkit_test::read_tables(module, tables), "");
    EXPECT_EQ(tables.names, names);
    EXPECT_EQ(tables.sources, texts);
    EXPECT_EQ(quillkit_test::check_dispatcher(module, tables.end, names, texts), "");
}

}  // namespace
