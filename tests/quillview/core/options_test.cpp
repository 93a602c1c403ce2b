// options_test.cpp - quillview's command line, and the names an export
// gives its files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gallery_export.h"
#include "options.h"

namespace quillview {
namespace {

quillkit::Result<Options> parse(std::vector<const char *> args)
{
    args.insert(args.begin(), "quillview");
    return parse_options(static_cast<int>(args.size()), args.data());
}

TEST(QuillviewOptions, TheLastOfARepeatedOptionWins)
{
    const quillkit::Result<Options> o =
        parse({"--size=10", "--export", "one", "--size", "20", "--export=two", "--format=png",
               "--format=svg,html", "--", "--size=30.cairo"});
    ASSERT_TRUE(o) << o.error();
    EXPECT_EQ(o->size, 20);
    EXPECT_EQ(o->mode, Mode::kExport);
    EXPECT_EQ(o->export_dir, "two");
    EXPECT_FALSE(o->formats.png);
    EXPECT_TRUE(o->formats.svg && o->formats.html);
    EXPECT_EQ(o->operands, std::vector<std::string>{"--size=30.cairo"});
    EXPECT_EQ(parse({"--export=x", "--list"})->mode, Mode::kList);
    EXPECT_EQ(parse({"--list", "--export=x"})->mode, Mode::kExport);
    EXPECT_EQ(parse({"--version", "--help"})->mode, Mode::kHelp);
    EXPECT_EQ(parse({"--si=7"})->size, 7);  // an abbreviation
}

TEST(QuillviewOptions, MistakesNameTheArgument)
{
    const std::pair<std::vector<const char *>, const char *> cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"-x"}, "unknown option '-x'"},
        {{"--export"}, "option '--export' needs a folder"},
        {{"--export="}, "option '--export' needs a folder: --export=DIR"},
        {{"--list=yes"}, "option '--list' takes no value"},
        {{"--size=0"}, "invalid --size '0' (1 to 8192)"},
        {{"--size", "8193"}, "invalid --size '8193' (1 to 8192)"},
        {{"--frames=0"}, "invalid --frames '0' (1 to 100000)"},
        {{"--fps=-1"}, "invalid --fps '-1' (a number above 0, at most 1000)"},
        {{"--fps", "1e3"}, "invalid --fps '1e3' (a number above 0, at most 1000)"},
        {{"--format=png,gif"}, "invalid --format 'png,gif' (a list of png, svg, pdf, html, webp)"},
    };
    for (const auto &[args, message] : cases) {
        const quillkit::Result<Options> o = parse(args);
        ASSERT_FALSE(o) << message;
        EXPECT_EQ(o.error(), message);
    }
}

TEST(ExportNames, SnippetsOfOneNameFromSeveralFoldersGetFilesOfTheirOwn)
{
    // Unique names stay; a clash takes the folders' names, and a clash of
    // those a number (here "a-x" is also a snippet's own name).
    const std::vector<SnippetFile> snippets = {
        {"x", "a/x.cairo", "a"},     {"x", "b/x.cairo", "b"},   {"y", "y.cairo", "."},
        {"x", "c/a/x.cairo", "c/a"}, {"a-x", "a-x.cairo", "."},
    };
    EXPECT_EQ(export_names(snippets),
              (std::vector<std::string>{"a-x-2", "b-x", "y", "a-x-3", "a-x"}));
    EXPECT_EQ(url_escape("beta & <gamma>"), "beta%20%26%20%3Cgamma%3E");
    EXPECT_EQ(html_escape("<a href=\"'\">&"), "&lt;a href=&quot;&#39;&quot;&gt;&amp;");
}

}  // namespace
}  // namespace quillview
