// quillmake under a real Makefile: what a failed or mistaken run leaves for
// the next `make`, and a dependency file that follows every change to the
// snippets.
#include "files.h"
#include "run_quillmake.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using quillkit_test::ScratchDir;

// Runs make in `dir` with QUILLMAKE set to the quillmake under test.
quillkit_test::RunResult make(const ScratchDir &dir)
{
    return quillkit_test::run_program(
        {"/usr/bin/make", "--no-print-directory", std::string("QUILLMAKE=") + QUILLMAKE_PATH},
        quillkit_test::in_dir(dir.path()), 30000);
}

// The snippet names in a module's name table, in order.
std::vector<std::string> module_names(const fs::path &module)
{
    const std::string text = quillkit_test::read_file(module);
    std::vector<std::string> names;
    std::size_t at = text.find("snippet_name[");
    at = text.find('\n', at) + 1;
    for (std::size_t end; (end = text.find(",\n", at)) != std::string::npos && text[at] == '"';
         at = end + 2)
        names.push_back(text.substr(at + 1, end - at - 2));
    return names;
}

struct MistakeCase {
    const char *label;
    const char *recipe;  // the rule's command
    int status;          // make's, first and second time
    const char *message;
    bool module_made;
};

// Each mistake must show on the second make as on the first: a failed rule
// leaves nothing that make could take for up to date.
class MakeMistakeTest : public ::testing::TestWithParam<MistakeCase> {};

TEST_P(MakeMistakeTest, TheNextMakeSeesItAgain)
{
    const MistakeCase &c = GetParam();
    ScratchDir dir;
    dir.write("a.cairo", "cairo_fill (cr);\n");
    dir.write("Makefile", std::string("snippets.c: a.cairo\n\t") + c.recipe + "\n");
    for (int run = 1; run <= 2; ++run) {
        const quillkit_test::RunResult made = make(dir);
        EXPECT_EQ(made.status == 0, c.status == 0) << "run " << run << ": " << made.err;
        const bool message = made.err.find(c.message) != std::string::npos;
        // A rule that worked is not run again; one that failed is.
        EXPECT_EQ(message, run == 1 || c.status != 0) << "run " << run << ": " << made.err;
        EXPECT_EQ(fs::exists(dir / "snippets.c"), c.module_made) << "run " << run;
        EXPECT_EQ(quillkit_test::read_file(dir / "a.cairo"), "cairo_fill (cr);\n");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, MakeMistakeTest,
    ::testing::Values(MistakeCase{"rejected_argument", "$(QUILLMAKE) a.cairo missing.cairo", 2,
                                  "unable to open 'missing.cairo'", false},
                      MistakeCase{"output_is_a_snippet", "$(QUILLMAKE) --output=a.cairo a.cairo", 2,
                                  "the output 'a.cairo' is one of the snippets", false},
                      MistakeCase{"unknown_option", "$(QUILLMAKE) --line-directive a.cairo", 0,
                                  "quillmake: ignoring unknown option '--line-directive'", true}),
    [](const auto &p) { return std::string(p.param.label); });

// The recipe of the kit's documentation: the module depends on the snippets
// there are now and, through the dependency file, on those it was made from.
constexpr const char *kDepfileMakefile =
    "SNIPPETS := $(wildcard *.cairo)\n"
    "snippets.c: $(SNIPPETS)\n"
    "\t$(QUILLMAKE) --depfile=snippets.d --output=$@ $(SNIPPETS)\n"
    "-include snippets.d\n";

struct Change {
    const char *label;
    void (*apply)(const ScratchDir &dir);
    std::vector<std::string> names;  // the module's snippets after the change
};

TEST(MakeDepfileTest, EveryChangeRebuildsOnceAndOnlyOnce)
{
    ScratchDir dir;
    dir.write("Makefile", kDepfileMakefile);
    dir.write("ab.cairo", "cairo_fill (cr);\n");
    // Make splits $(wildcard) at blanks and the shell expands '$': a '#' only.
    dir.write("c#d.cairo", "cairo_stroke (cr);\n");
    const Change changes[] = {
        {"first build", [](const ScratchDir &) {}, {"ab", "c#d"}},
        {"edit",
         [](const ScratchDir &d) { d.write("ab.cairo", "cairo_paint (cr);\n"); },
         {"ab", "c#d"}},
        {"add",
         [](const ScratchDir &d) { d.write("e.cairo", "cairo_fill (cr);\n"); },
         {"ab", "c#d", "e"}},
        {"remove", [](const ScratchDir &d) { fs::remove(d / "c#d.cairo"); }, {"ab", "e"}},
        {"rename",
         [](const ScratchDir &d) { fs::rename(d / "e.cairo", d / "f.cairo"); },
         {"ab", "f"}},
    };
    for (const Change &change : changes) {
        change.apply(dir);
        const quillkit_test::RunResult first = make(dir);
        ASSERT_EQ(first.status, 0) << change.label << ": " << first.err;
        EXPECT_NE(first.out.find("--depfile"), std::string::npos) << change.label << " ran nothing";
        EXPECT_EQ(module_names(dir / "snippets.c"), change.names) << change.label;
        if (change.names.size() == 2 && std::string(change.label) == "edit")
            EXPECT_NE(quillkit_test::read_file(dir / "snippets.c").find("cairo_paint"),
                      std::string::npos);
        const quillkit_test::RunResult second = make(dir);
        EXPECT_EQ(second.status, 0) << second.err;
        EXPECT_NE(second.out.find("is up to date"), std::string::npos)
            << change.label << ", second make:\n"
            << second.out;
    }
}

}  // namespace
