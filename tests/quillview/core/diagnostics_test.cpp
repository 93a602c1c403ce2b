// diagnostics_test.cpp - the compilers' messages read back onto the
// snippet's lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diagnostics.h"

namespace quillview {
namespace {

TEST(Diagnostics, GccAndClangLinesLandOnTheSnippetsLines)
{
    struct Case {
        const char *line;
        int want_line, want_column;
        const char *severity, *text;
    };
    const Case cases[] = {
        // gcc, the snippet named by the absolute path of a line directive
        {"/tmp/quillview-x/0/a.cairo:3:17: error: expected ';' before 'cairo_fill'", 3, 17, "error",
         "expected ';' before 'cairo_fill'"},
        // clang, relative name
        {"a.cairo:12:5: warning: unused variable 'x' [-Wunused-variable]", 12, 5, "warning",
         "unused variable 'x' [-Wunused-variable]"},
        {"a.cairo:2:1: note: each undeclared identifier is reported only once", 2, 1, "note",
         "each undeclared identifier is reported only once"},
        // no column (tcc, older compilers); a fatal error is an error
        {"a.cairo:7: fatal error: missing.h: No such file or directory", 7, 0, "error",
         "missing.h: No such file or directory"},
        // another file: about the module, not a snippet line
        {"a.c:40:3: error: too few arguments", 0, 0, "error", "too few arguments"},
        {"/usr/include/cairo/cairo.h:900:1: note: declared here", 0, 0, "note", "declared here"},
        // a file whose name merely ends like the snippet's
        {"/x/ba.cairo:3:1: error: oops", 0, 0, "error", "oops"},
    };
    for (const Case &c : cases) {
        const std::vector<Diagnostic> got = parse_diagnostics(c.line, "a.cairo");
        ASSERT_EQ(got.size(), 1u) << c.line;
        EXPECT_EQ(got[0].line, c.want_line) << c.line;
        EXPECT_EQ(got[0].column, c.want_column) << c.line;
        EXPECT_EQ(got[0].severity, c.severity) << c.line;
        EXPECT_EQ(got[0].text, c.text) << c.line;
    }
}

TEST(Diagnostics, OtherLinesOfTheLogAreNotMessages)
{
    const std::string log = "In file included from a.c:1:\n"
                            "a.cairo: In function 'snippet_0':\n"
                            "    3 | cairo_paint (cr)\n"
                            "      |                 ^\n"
                            "collect2: error: ld returned 1 exit status\n"
                            "a.cairo:3:17: error: expected ';'\n";
    const std::vector<Diagnostic> got = parse_diagnostics(log, "a.cairo");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].line, 3);
}

TEST(Diagnostics, TheFirstErrorNamesTheSnippetElseTheLogElseTheFallback)
{
    const std::string log = "a.c:1:1: warning: w\na.cairo:9:2: error: e\n";
    EXPECT_EQ(first_error(parse_diagnostics(log, "a.cairo"), log, "a.cairo", "x"),
              "a.cairo:9:2: error: e");
    EXPECT_EQ(first_error({}, "cc: fatal: no input\nmore\n", "a.cairo", "x"),
              "cc: fatal: no input");
    EXPECT_EQ(first_error({}, "", "a.cairo", "the compiler said nothing"),
              "the compiler said nothing");
}

}  // namespace
}  // namespace quillview
