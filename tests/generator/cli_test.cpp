// quillmake's command line: rejected arguments, failures while writing or
// reading, and inputs past the old fixed limits.
#include "files.h"
#include "module_reader.h"
#include "run_quillmake.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
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
    std::string rejected;                      // the argument the message must name
    void (*make)(const fs::path &) = nullptr;  // makes what is not a plain file
};
// Test names carry the case; print it, not the raw bytes.
void PrintTo(const RejectCase &c, std::ostream *os)
{
    *os << c.label;
}

class RejectTest : public ::testing::TestWithParam<RejectCase> {};

// A rejected argument removes the old module, so that no build tool takes
// it for up to date and the failed rule runs again.
TEST_P(RejectTest, PrintsOneMessageAndRemovesTheModule)
{
    const RejectCase &c = GetParam();
    ScratchDir dir;
    for (const std::string &file : c.files)
        dir.write(file, "cairo_fill (cr);\n");
    if (c.make != nullptr)
        c.make(dir.path());
    dir.write("snippets.c", "an older module\n");

    // Special files are refused without waiting on them: a short time limit.
    const quillkit_test::RunResult run = quillkit_test::run_program(
        quillkit_test::quillmake_argv(c.args), quillkit_test::in_dir(dir.path()), 10000);
    EXPECT_EQ(run.status, 255);
    // One message (later arguments are not looked at), after a warning for
    // each ignored option.
    std::string warnings;
    for (const std::string &arg : c.args)
        if (!arg.empty() && arg.front() == '-')
            warnings += "quillmake: ignoring unknown option '" + arg + "'\n";
    EXPECT_EQ(run.err, warnings + rejection(c.rejected));
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(fs::exists(dir / "snippets.c"));
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
                   "notes.txt"},
        // Only regular files are snippets, and none of these may block the run.
        RejectCase{"directory",
                   {"a.cairo"},
                   {"a.cairo", "d.cairo"},
                   "d.cairo",
                   [](const fs::path &d) { fs::create_directory(d / "d.cairo"); }},
        RejectCase{"link_to_directory",
                   {},
                   {"l.cairo"},
                   "l.cairo",
                   [](const fs::path &d) { fs::create_directory_symlink(d, d / "l.cairo"); }},
        RejectCase{"fifo",
                   {},
                   {"f.cairo"},
                   "f.cairo",
                   [](const fs::path &d) { ASSERT_EQ(mkfifo((d / "f.cairo").c_str(), 0600), 0); }},
        RejectCase{"link_to_fifo",
                   {},
                   {"lf.cairo"},
                   "lf.cairo",
                   [](const fs::path &d) {
                       ASSERT_EQ(mkfifo((d / "f").c_str(), 0600), 0);
                       fs::create_symlink("f", d / "lf.cairo");
                   }},
        RejectCase{"link_to_device",
                   {},
                   {"zero.cairo"},
                   "zero.cairo",
                   [](const fs::path &d) { fs::create_symlink("/dev/zero", d / "zero.cairo"); }},
        RejectCase{"dangling_link",
                   {},
                   {"gone.cairo"},
                   "gone.cairo",
                   [](const fs::path &d) { fs::create_symlink("nowhere", d / "gone.cairo"); }}),
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

// Runs that fail once the module is being written: status 1, one message
// naming the file and the reason, the previous module left as it was and no
// temporary file left behind.
struct FailureCase {
    const char *label;
    std::vector<std::pair<std::string, std::string>> files;  // path, bytes
    std::vector<std::string> args;
    std::vector<std::string> faults;  // for the fault shim
    std::string message;
};
void PrintTo(const FailureCase &c, std::ostream *os)
{
    *os << c.label;
}

class FailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailureTest, ReportsAndKeepsThePreviousModule)
{
    const FailureCase &c = GetParam();
    ScratchDir dir;
    for (const auto &[path, bytes] : c.files)
        dir.write(path, bytes);
    dir.write("snippets.c", "an older module\n");

    const quillkit_test::RunResult run =
        quillkit_test::run_quillmake(dir.path(), c.args, quillkit_test::with_faults(c.faults));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, c.message);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(quillkit_test::read_file(dir / "snippets.c"), "an older module\n");
    std::vector<std::string> left;
    for (const auto &entry : fs::directory_iterator(dir.path()))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left.size(), c.files.size() + 1) << ::testing::PrintToString(left);
}

const std::string kChanged = "quillmake: 'b.cairo' changed while being read\n";
const std::vector<std::pair<std::string, std::string>> kTwoSnippets{
    {"a.cairo", "cairo_fill (cr);\n"}, {"b.cairo", "cairo_stroke (cr);\n"}};

INSTANTIATE_TEST_SUITE_P(
    Runs, FailureTest,
    ::testing::Values(FailureCase{"full_disk_without_snippets",
                                  {},
                                  {},
                                  {"QUILLKIT_WRITE_LIMIT=100"},
                                  failure("cannot write", "snippets.c", ENOSPC)},
                      // Large enough that the writes fail midway, not only at the end.
                      FailureCase{"full_disk_with_a_large_snippet",
                                  {{"big.cairo", std::string(3 << 20, 'a') + "\n"}},
                                  {"big.cairo"},
                                  {"QUILLKIT_WRITE_LIMIT=1500000"},
                                  failure("cannot write", "snippets.c", ENOSPC)},
                      FailureCase{"full_disk_elsewhere",
                                  {{"a.cairo", "x();\n"}, {"sub/keep", ""}},
                                  {"--output=sub/../snippets.c", "a.cairo"},
                                  {"QUILLKIT_WRITE_LIMIT=0"},
                                  failure("cannot write", "sub/../snippets.c", ENOSPC)},
                      // The snippet passes the scan (first open) and then cannot be opened
                      // again, for the source table (second open) or the dispatcher (third).
                      FailureCase{"gone_before_the_source_table",
                                  kTwoSnippets,
                                  {"a.cairo", "b.cairo"},
                                  {"QUILLKIT_FAIL_OPEN_PATH=b.cairo", "QUILLKIT_FAIL_OPEN_AT=2"},
                                  failure("cannot open", "b.cairo", ENOENT)},
                      FailureCase{"gone_before_the_dispatcher",
                                  kTwoSnippets,
                                  {"a.cairo", "b.cairo"},
                                  {"QUILLKIT_FAIL_OPEN_PATH=b.cairo", "QUILLKIT_FAIL_OPEN_AT=3"},
                                  failure("cannot open", "b.cairo", ENOENT)},
                      FailureCase{"grown_before_the_source_table",
                                  kTwoSnippets,
                                  {"a.cairo", "b.cairo"},
                                  {"QUILLKIT_CHANGE_PATH=b.cairo", "QUILLKIT_CHANGE_AT=2"},
                                  kChanged},
                      FailureCase{"grown_before_the_dispatcher",
                                  kTwoSnippets,
                                  {"a.cairo", "b.cairo"},
                                  {"QUILLKIT_CHANGE_PATH=b.cairo", "QUILLKIT_CHANGE_AT=3"},
                                  kChanged},
                      FailureCase{"touched_before_the_dispatcher",  // same size, other time
                                  kTwoSnippets,
                                  {"a.cairo", "b.cairo"},
                                  {"QUILLKIT_CHANGE_PATH=b.cairo", "QUILLKIT_CHANGE_AT=3",
                                   "QUILLKIT_CHANGE_HOW=touch"},
                                  kChanged}),
    [](const auto &p) { return std::string(p.param.label); });

TEST(OutputTest, OutputThatIsADirectoryIsNotTouched)
{
    ScratchDir dir;
    fs::create_directory(dir / "snippets.c");
    dir.write("a.cairo", "cairo_fill (cr);\n");
    const quillkit_test::RunResult run = quillkit_test::run_quillmake(dir.path(), {"a.cairo"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, failure("cannot create", "snippets.c", EISDIR));
    EXPECT_TRUE(fs::is_directory(dir / "snippets.c")) << "what was in the way must stay";
}

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
