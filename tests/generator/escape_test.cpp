// The escapes of names and snippet texts, through the in-memory writer: the
// exact bytes each form is written as, and round trips through a reader that
// follows C's rules.
#include "module_reader.h"
#include "module_writer.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;

std::string module_for(const std::string &name, const std::string &text)
{
    return quillkit::render_module({name}, {text});
}

// --- Exact forms -----------------------------------------------------------

struct SourceForm {
    std::string text;
    std::string entry;  // the source table's entry, from its opening quote to "\",\n"
};
// Test names carry the case; print it, not the raw bytes.
void PrintTo(const SourceForm &c, std::ostream *os)
{
    *os << ::testing::PrintToString(c.text);
}

class SourceFormTest : public ::testing::TestWithParam<SourceForm> {};

TEST_P(SourceFormTest, EntryHasItsExactBytes)
{
    const std::string module = module_for("n", GetParam().text);
    const std::string table = "const char *snippet_source[2]={\n" + GetParam().entry + "NULL\n};\n";
    EXPECT_NE(module.find(table), std::string::npos) << "want " << table;
}

INSTANTIATE_TEST_SUITE_P(
    Escaping, SourceFormTest,
    ::testing::Values(SourceForm{"", "\"\",\n"},
                      SourceForm{"a\n",
                                 "\"a\\n\"\n\"\",\n"},  // newline: 5 bytes, empty last literal
                      SourceForm{"a\nb", "\"a\\n\"\n\"b\",\n"},  // no final newline
                      SourceForm{"\n\n", "\"\\n\"\n\"\\n\"\n\"\",\n"},
                      SourceForm{"say \"x\"", "\"say \\\"x\\\"\",\n"},  // quote: 2 bytes
                      SourceForm{"a\\b", "\"a\\\\b\",\n"},              // backslash: 2 bytes
                      SourceForm{"\\\n", "\"\\\\\\n\"\n\"\",\n"},       // no splice left behind
                      SourceForm{"x\r\n", "\"x\\r\\n\"\n\"\",\n"},      // CR written as \r
                      SourceForm{"\t\v\f", "\"\t\v\f\",\n"},            // other bytes kept
                      SourceForm{"a\0b"s, "\"a\0b\",\n"s},
                      SourceForm{"\x80\xC3\xA9\xFF", "\"\x80\xC3\xA9\xFF\",\n"},
                      SourceForm{"%s %i %%", "\"%s %i %%\",\n"},  // never a format
                      // A '?' after a '?' is escaped: no trigraph, in any mode.
                      SourceForm{"?\?=", "\"?\\?=\",\n"}, SourceForm{"???", "\"?\\?\\?\",\n"},
                      SourceForm{"?x?", "\"?x?\",\n"}, SourceForm{"?\n?", "\"?\\n\"\n\"?\",\n"}));

struct NameForm {
    std::string name;
    std::string literal;  // the name table's literal, quotes included
    std::string comment;  // what stands between "/* " and " */"
};
// Test names carry the case; print it, not the raw bytes.
void PrintTo(const NameForm &c, std::ostream *os)
{
    *os << ::testing::PrintToString(c.name);
}

class NameFormTest : public ::testing::TestWithParam<NameForm> {};

TEST_P(NameFormTest, NameHasItsExactBytes)
{
    const NameForm &f = GetParam();
    const std::string module = module_for(f.name, "x();\n");
    EXPECT_NE(module.find("const char *snippet_name[2]={\n" + f.literal + ",\nNULL\n};\n"),
              std::string::npos)
        << "want literal " << f.literal;
    EXPECT_NE(module.find("\n     case 0:{ /* " + f.comment + " */\n\n\nx();\n"), std::string::npos)
        << "want comment " << f.comment;
}

INSTANTIATE_TEST_SUITE_P(
    Escaping, NameFormTest,
    ::testing::Values(
        NameForm{"", "\"\"", ""}, NameForm{"sub/dot", "\"sub/dot\"", "sub/dot"},
        NameForm{"x.cairo", "\"x.cairo\"", "x.cairo"},
        NameForm{"with space", "\"with space\"", "with space"},
        NameForm{"%s%i%%", "\"%s%i%%\"", "%s%i%%"},  // printed, not a format
        NameForm{"\xC3\xA9\x80\xFF", "\"\xC3\xA9\x80\xFF\"", "\xC3\xA9\x80\xFF"},
        NameForm{"q\"b", "\"q\\\"b\"", "q\"b"}, NameForm{"b\\s", "\"b\\\\s\"", "b\\s"},
        NameForm{"n\nl", "\"n\\nl\"", "n\nl"}, NameForm{"c\rr", "\"c\\rr\"", "c\rr"},
        NameForm{"t\tab", "\"t\\011ab\"", "t\tab"},
        NameForm{"\001"
                 "7",
                 "\"\\0017\"",
                 "\001"
                 "7"},  // three digits, always
        NameForm{"\x1f\x7f", "\"\\037\\177\"", "\x1f\x7f"}, NameForm{"a*/b", "\"a*/b\"", "a*\\/b"},
        NameForm{"*/*/", "\"*/*/\"", "*\\/*\\/"}, NameForm{"**/", "\"**/\"", "**\\/"},
        NameForm{"/*/", "\"/*/\"", "/*\\/"}, NameForm{"a/b*", "\"a/b*\"", "a/b*"},
        NameForm{"*\\\n/", "\"*\\\\\\n/\"", "*\\\n\\/"},              // splice between * and /
        NameForm{"*\\ \t\n/", "\"*\\\\ \\011\\n/\"", "*\\ \t\n\\/"},  // gcc's splice with blanks
        NameForm{"*\\\r/", "\"*\\\\\\r/\"", "*\\\r\\/"},              // a lone CR ends a line too
        NameForm{"*\\\r\n/", "\"*\\\\\\r\\n/\"", "*\\\r\n\\/"},
        NameForm{"a?\?=", "\"a?\\?=\"", "a?\?="},                // no trigraph in the table
        NameForm{"*?\?/\n/", "\"*?\\?/\\n/\"", "*?\?/\n\\/"}));  // "??/" splices too

TEST(CountTest, CountsAndSizesGrowWithTheirDigits)
{
    for (const std::size_t n : {0u, 1u, 9u, 10u, 99u, 100u}) {
        std::vector<std::string> names, texts;
        for (std::size_t i = 0; i < n; ++i) {
            names.push_back("n" + std::to_string(i));
            texts.push_back(std::to_string(i) + ";");
        }
        const std::string module = quillkit::render_module(names, texts);
        const std::string counts = "\n\nint snippet_count=" + std::to_string(n) +
                                   ";\n\nconst char *snippet_name[" + std::to_string(n + 1) +
                                   "]={\n";
        EXPECT_NE(module.find(counts), std::string::npos) << n;
        EXPECT_NE(module.find("\n\nconst char *snippet_source[" + std::to_string(n + 1) + "]={\n"),
                  std::string::npos)
            << n;
        quillkit_test::ModuleTables tables;
        ASSERT_EQ(quillkit_test::read_tables(module, tables), "") << n;
        EXPECT_EQ(tables.names, names);
        EXPECT_EQ(tables.sources, texts);
        EXPECT_EQ(quillkit_test::check_dispatcher(module, tables.end, names, texts), "") << n;
    }
}

// --- Round trips -------------------------------------------------------------

std::vector<std::string> tricky_names()
{
    std::vector<std::string> names{"",
                                   "plain",
                                   "sub/dir/x",
                                   "\"",
                                   "\\",
                                   "\\\\",
                                   "\\\"",
                                   "end\\",
                                   "\n",
                                   "\r",
                                   "\r\n",
                                   "\\\n",
                                   "\\\r\n",
                                   "\t",
                                   "\001",
                                   "\0017",
                                   "\0018",
                                   "\x7f",
                                   "\x1f"
                                   "1",
                                   "*/",
                                   "*\\/",
                                   "**/",
                                   "*\\\n/",
                                   "*\\ \n/",
                                   "*\\\r\n/",
                                   "*\\\r/",
                                   "*\\ \r/",
                                   "*\\\r\\\n/",
                                   "*\\\n\\\n/",
                                   "/*",
                                   "*",
                                   "a*",
                                   "\xff\x80*/",
                                   "%s%%",
                                   "?\?/",
                                   "?\?=x",
                                   "???",
                                   "*?\?/\n/",
                                   "*?\?/ \r\n/"};
    std::string all_bytes;
    for (int b = 1; b < 256; ++b)
        all_bytes += static_cast<char>(b);
    names.push_back(all_bytes);
    return names;
}

std::vector<std::string> tricky_texts()
{
    std::vector<std::string> texts{
        "",      "\n",     "\r\n",   "\r",       "\"",         "\\",       "\\\n",    "\\\r\n",
        "a\0b"s, "\0"s,    "?\?/\n", "\x80\xff", "no newline", "\n\n\n",   "\"\\n\"", "???",
        "?\?(",  "\t\v\f", "*/",     "/*",       "case 9:",    "}break;\n"};
    std::string all_bytes;
    for (int b = 0; b < 256; ++b)
        all_bytes += static_cast<char>(b);
    texts.push_back(all_bytes);
    return texts;
}

// Read back as gcc's gnu modes do (no trigraphs) and as the strict modes do.
class RoundTripTest : public ::testing::TestWithParam<bool> {};

TEST_P(RoundTripTest, TablesDecodeToTheExactInput)
{
    // Every tricky name with every tricky text, all in one module.
    std::vector<std::string> names, texts;
    for (const std::string &name : tricky_names())
        for (const std::string &text : tricky_texts()) {
            names.push_back(name);
            texts.push_back(text);
        }
    const std::string module = quillkit::render_module(names, texts);
    quillkit_test::ModuleTables tables;
    ASSERT_EQ(quillkit_test::read_tables(module, tables, GetParam()), "");
    ASSERT_EQ(tables.names.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(tables.names[i], names[i]) << i;
        EXPECT_EQ(tables.sources[i], texts[i]) << i;
    }
    EXPECT_EQ(quillkit_test::check_dispatcher(module, tables.end, names, texts, GetParam()), "");
}

INSTANTIATE_TEST_SUITE_P(Trigraphs, RoundTripTest, ::testing::Bool(),
                         [](const auto &p) { return p.param ? "read" : "ignored"; });

TEST(LineDirectiveTest, AddOnlyDirectiveLinesWithTrueNumbers)
{
    // Every tricky name with a few texts that end in awkward places: without a
    // newline, in a line splice, in a CR.
    std::vector<std::string> names, texts;
    for (const std::string &name : tricky_names())
        for (const std::string text : {"", "x();\n", "a\nb", "s \\", "s ?\?/", "c\r", "\n\n"}) {
            names.push_back(name);
            texts.push_back(text);
        }
    for (const std::string file : {"snippets.c", "out/q\"?\?=.c"}) {
        quillkit::ModuleOptions options;
        options.line_directives = true;
        options.module_file = file;
        EXPECT_EQ(quillkit_test::check_line_directives(
                      quillkit::render_module(names, texts, options),
                      quillkit::render_module(names, texts), names, file),
                  "");
    }
}

// The checker must see a wrong number or a changed byte, or the test above
// proves nothing.
TEST(LineDirectiveTest, CheckerSeesWrongDirectives)
{
    quillkit::ModuleOptions options;
    options.line_directives = true;
    const std::string plain = quillkit::render_module({"a"}, {"x();\n"});
    const std::string with = quillkit::render_module({"a"}, {"x();\n"}, options);
    ASSERT_EQ(quillkit_test::check_line_directives(with, plain, {"a"}, "snippets.c"), "");
    const std::size_t at = with.find("#line 1 ");
    ASSERT_NE(at, std::string::npos);
    for (const auto &[from, to] : std::vector<std::pair<std::string, std::string>>{
             {"#line 1 \"a.cairo\"", "#line 2 \"a.cairo\""},
             {"#line 1 \"a.cairo\"", "#line 1 \"b.cairo\""},
             {"#line 1 \"a.cairo\"\n", ""},
             {"x();", "x(); "}}) {
        std::string bad = with;
        bad.replace(bad.find(from), from.size(), to);
        EXPECT_NE(quillkit_test::check_line_directives(bad, plain, {"a"}, "snippets.c"), "") << to;
    }
    std::string renumbered = with;
    const std::size_t after = renumbered.rfind("#line ") + 6;
    renumbered.insert(after, "1");
    EXPECT_NE(quillkit_test::check_line_directives(renumbered, plain, {"a"}, "snippets.c"), "");
}

// The reader itself must reject what a compiler rejects, or the round trips
// above prove nothing.
TEST(ReaderTest, RejectsBrokenLiterals)
{
    std::string out;
    EXPECT_EQ(quillkit_test::decode_literal_body("a\\\"b\\\\\\101\\x41\\?", out), "");
    EXPECT_EQ(out, "a\"b\\AA?");
    // Written with "?\?" so that this file's own compiler sees no trigraphs.
    EXPECT_EQ(quillkit_test::replace_trigraphs("?\?=?\?(?\?/?\?)?\?'?\?<?\?!?\?>?\?-?\?\?=?\?x"),
              "#[\\]^{|}~?#?\?x");
    for (const char *broken : {"a\"b", "a\nb", "a\rb", "a\\", "\\q", "\\x", "\\x100", "\\400"}) {
        out.clear();
        EXPECT_NE(quillkit_test::decode_literal_body(broken, out), "") << broken;
    }
    out.clear();
    EXPECT_EQ(quillkit_test::decode_literal_body("a\\\nb", out), "");  // a splice
    EXPECT_EQ(out, "ab");
}

TEST(ReaderTest, SeesACommentThatEndsEarly)
{
    const std::string good = quillkit::render_module({"a*/b"}, {"x();"});
    quillkit_test::ModuleTables tables;
    ASSERT_EQ(quillkit_test::read_tables(good, tables), "");
    ASSERT_EQ(quillkit_test::check_dispatcher(good, tables.end, {"a*/b"}, {"x();"}), "");
    std::string bad = good;
    bad.replace(bad.find("a*\\/b"), 5, "a*/b");
    EXPECT_NE(quillkit_test::check_dispatcher(bad, tables.end, {"a*/b"}, {"x();"}), "");
}

}  // namespace
