// Builds a real program from a generated snippets.c with the system's C
// compiler and lets it check the module from the inside (compile/check_module.c).
#include "compile_config.h"
#include "files.h"
#include "module_reader.h"
#include "run_quillmake.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using quillkit_test::ScratchDir;

struct SnippetFile {
    std::string path;   // also the argument given to quillmake
    std::string bytes;  // "pixel: AARRGGBB" marks what the snippet must paint at (16, 16)
};

std::vector<SnippetFile> odd_snippets()
{
    return {
        {"q\"uote.cairo", "const char *said = \"she said \\\"hi\\\" \\\\ and left\";\n"
                          "cairo_set_source_rgb (cr, 1, 0, 0);\n"
                          "if (strlen (said) == 24) cairo_rectangle (cr, 8, 8, 16, 16);\n"
                          "cairo_fill (cr); /* pixel: ffff0000 */\n"},
        {"back\\slash.cairo",  // CRLF line ends, a tab
         "cairo_set_source_rgb (cr, 0, 1, 0);\r\n"
         "\tcairo_rectangle (cr, 8, 8, 16, 16);\r\n"
         "cairo_fill (cr); /* pixel: ff00ff00 */\r\n"},
        {"star*/slash.cairo",
         "cairo_set_source_rgb (cr, 0, 0, 1); cairo_rectangle (cr, 8, 8, 16, 16);\n"
         "cairo_fill (cr); /* pixel: ff0000ff */\n"},
        {"new\nline.cairo",
         "const char *tab = \"\\t\";\n"
         "cairo_set_source_rgb (cr, 1, 1, 0);\n"
         "if (tab[0] == '\\t' && tab[1] == '\\0') cairo_rectangle (cr, 8, 8, 16, 16);\n"
         "cairo_fill (cr); /* pixel: ffffff00 */\n"},
        {"with space.cairo", ""},
        // The comment's '*' and '/' are joined by a line splice.
        {"a*\\\n/b.cairo",
         "cairo_set_source_rgb (cr, 1, 0, 1); cairo_rectangle (cr, 8, 8, 16, 16); "
         "cairo_fill (cr); /* pixel: ffff00ff */"},
        // The same with a lone CR as the line end.
        {"c*\\\r/d.cairo",
         "cairo_set_source_rgb (cr, 0.5, 0, 0); cairo_rectangle (cr, 8, 8, 16, 16);\n"
         "cairo_fill (cr); /* pixel: ff800000 */\n"},
        {std::string("ctl\001\177x\rcr.cairo"),
         "cairo_set_source_rgb (cr, 0, 1, 1); cairo_rectangle (cr, 8, 8, 16, 16);\n"
         "cairo_fill (cr); /* pixel: ff00ffff */\n"},
        {"sub/dot.cairo",
         "cairo_set_source_rgb (cr, 1, 1, 1); cairo_rectangle (cr, 8, 8, 16, 16);\n"
         "cairo_fill (cr); /* pixel: ffffffff */\n"},
        {".cairo", "cairo_set_source_rgba (cr, 0, 0, 0, 1); cairo_rectangle (cr, 8, 8, 16, 16);\n"
                   "cairo_fill (cr); /* pixel: ff000000 */\n"},
        {"x.cairo.cairo", "{ int snippet_no = 3; (void) snippet_no; }\n"},
        // Trigraphs: the strict modes read them, so the tables must not hold
        // any (the pasted code is the user's own: here they are in a comment).
        {"what?\?!.cairo", "/* ?\?= ?\?( */ cairo_set_source_rgb (cr, 0, 0.5, 0.5);\n"
                           "cairo_rectangle (cr, 8, 8, 16, 16);\n"
                           "cairo_fill (cr); /* pixel: ff008080 ?\?/ */\n"},
    };
}

class CompileTest : public ::testing::TestWithParam<const char *> {};

TEST_P(CompileTest, GeneratedModuleCompilesAndHoldsTheSnippets)
{
    ScratchDir dir;
    const std::vector<SnippetFile> snippets = odd_snippets();
    std::vector<std::string> args{"-v"};
    for (const SnippetFile &file : snippets) {
        dir.write(file.path, file.bytes);
        args.push_back(file.path);
    }
    args.push_back("q\"uote.cairo");  // a duplicate: the lookup finds the first

    const quillkit_test::RunResult made = quillkit_test::run_quillmake(dir.path(), args);
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string module = quillkit_test::read_file(dir / "snippets.c");
    quillkit_test::ModuleTables tables;
    ASSERT_EQ(quillkit_test::read_tables(module, tables, true), "");
    ASSERT_EQ(tables.names.size(), snippets.size() + 1);
    for (std::size_t i = 0; i < snippets.size(); ++i) {
        const SnippetFile &file = snippets[i];
        EXPECT_EQ(tables.names[i], file.path.substr(0, file.path.size() - 6));
        EXPECT_EQ(tables.sources[i], file.bytes);
    }

    // Build snippets.c with the test header, the early-cairo stand-ins and the
    // checking program.
    std::vector<std::string> cc{kCCompiler,   std::string("-std=") + GetParam(),
                                "-Wall",      "-Wextra",
                                "-Wpedantic", "-Werror",
                                "-I",         kCompileDir};
    cc.insert(cc.end(), std::begin(kCairoCflags), std::end(kCairoCflags));
    cc.insert(cc.end(), {"snippets.c", std::string(kCompileDir) + "/early_cairo.c",
                         std::string(kCompileDir) + "/check_module.c", "-o", "check_module"});
    cc.insert(cc.end(), std::begin(kCairoLibs), std::end(kCairoLibs));
    const quillkit_test::RunResult built =
        quillkit_test::run_program(cc, quillkit_test::in_dir(dir.path()));
    ASSERT_EQ(built.status, 0) << built.out << built.err;
    EXPECT_EQ(built.err, "") << "the compiler warned";

    std::vector<std::string> check{(dir / "check_module").string()};
    check.insert(check.end(), args.begin(), args.end());
    const quillkit_test::RunResult checked =
        quillkit_test::run_program(check, quillkit_test::in_dir(dir.path()));
    EXPECT_EQ(checked.status, 0) << checked.out << checked.err;
}

INSTANTIATE_TEST_SUITE_P(Standards, CompileTest, ::testing::Values("c99", "c11"));

// A module with line directives, made in the snippets' folder and compiled in
// a build folder of its own (as quillkit_add_snippets does): gcc and clang
// report an error in a snippet at the snippet's absolute path and line, and
// one in the module's own text at its true line in the module.
struct Compiler {
    const char *program;
    const char *standard;
};
class LineDirectiveTest : public ::testing::TestWithParam<Compiler> {};

TEST_P(LineDirectiveTest, ErrorsLandWhereTheirTextIs)
{
    const std::string compiler = std::string("/usr/bin/") + GetParam().program;
    if (access(compiler.c_str(), X_OK) != 0)
        GTEST_SKIP() << compiler << " is not installed";
    ScratchDir top;
    const fs::path src = top / "src", dir = top / "build";
    fs::create_directories(src);
    fs::create_directories(dir);
    top.write("src/good.cairo", "cairo_fill (cr);\n");
    top.write("src/bad.cairo", "cairo_set_source_rgb (cr, 0, 0, 0);\n\ndouble y = undeclared_y;\n");
    top.write("src/q\"?\?=.cairo", "int ok = 1;\nint x = undeclared_x; (void) ok;");
    const quillkit_test::RunResult made = quillkit_test::run_quillmake(
        src, {"--line-directives", "--output=" + (dir / "snippets.c").string(), "good.cairo",
              "./bad.cairo", "q\"?\?=.cairo"});
    ASSERT_EQ(made.status, 0) << made.err;

    // Where the module's own text names buffer first (1-based).
    const std::string module = quillkit_test::read_file(dir / "snippets.c");
    const std::size_t at = module.find("char *buffer;");
    ASSERT_NE(at, std::string::npos);
    const auto buffer_line = 1 + std::count(module.begin(), module.begin() + at, '\n');

    std::vector<std::string> cc{
        compiler,    std::string("-std=") + GetParam().standard, "-I",
        kCompileDir, "-Werror=implicit-function-declaration",    "-Dbuffer=@"};
    cc.insert(cc.end(), std::begin(kCairoCflags), std::end(kCairoCflags));
    cc.insert(cc.end(), {"-c", (dir / "snippets.c").string(), "-o", "snippets.o"});
    const quillkit_test::RunResult built =
        quillkit_test::run_program(cc, quillkit_test::in_dir(dir));
    EXPECT_NE(built.status, 0);
    // The snippets by their absolute paths, "./" folded away; the module by
    // the name it was given.
    for (const std::string &place :
         {src.string() + "/bad.cairo:3:", src.string() + "/q\"?\?=.cairo:2:",
          (dir / "snippets.c").string() + ":" + std::to_string(buffer_line) + ":"})
        EXPECT_NE(("\n" + built.err).find("\n" + place), std::string::npos) << place << " in\n"
                                                                            << built.err;
}

INSTANTIATE_TEST_SUITE_P(Compilers, LineDirectiveTest,
                         ::testing::Values(Compiler{"gcc", "c99"}, Compiler{"clang", "gnu11"}),
                         [](const auto &p) { return std::string(p.param.program); });

}  // namespace
