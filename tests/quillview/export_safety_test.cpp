// export_safety_test.cpp - quillview --export against snippets that misbehave
// on purpose and folders laid out to trip it: one row per kind of trouble,
// each with the limits lowered so that no row waits out a minute.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "files.h"
#include "process.h"
#include "scratch_dir.h"

namespace quillkit_test {
namespace {

namespace fs = std::filesystem;

constexpr int kExportTimeoutMs = 60000;

const std::string kGood = "cairo_set_source_rgb (cr, 0, 0, 1);\ncairo_paint (cr);\n";

struct SafetyCase {
    const char *what;
    // Lays out the scratch folder; returns the arguments after --export=out.
    std::function<std::vector<std::string>(const ScratchDir &)> setup;
    std::vector<std::string> env;
    int status;
    std::vector<std::string> said;  // each expected on standard error
    std::function<void(const ScratchDir &)> check;
};

bool is_png(const fs::path &path)
{
    return read_file(path).rfind("\x89PNG", 0) == 0;
}

// A number written into a file by a snippet's forked child.
pid_t pid_in(const fs::path &path)
{
    return static_cast<pid_t>(std::atoi(read_file(path).c_str()));
}

std::vector<SafetyCase> safety_table()
{
    return {
        {"forged reply",
         [](const ScratchDir &d) {
             // The header of a reply for a picture of 100000 x 100000 pixels,
             // written into the render process's socket.
             d.write("s/forged.cairo", "#include <unistd.h>\n"
                                       "unsigned int h[12] = {1, 1, 1, 100000, 100000};\n"
                                       "write (3, h, sizeof h);\n" +
                                           kGood);
             d.write("s/good.cairo", kGood);
             return std::vector<std::string>{"s"};
         },
         {},
         1,
         {"quillview: forged: the snippet wrote into quillview's channel"},
         [](const ScratchDir &d) { EXPECT_TRUE(is_png(d / "out/good.png")); }},
        {"fork",
         [](const ScratchDir &d) {
             d.write("s/fork.cairo", "#include <unistd.h>\n"
                                     "if (fork () == 0) {\n"
                                     "  FILE *f = fopen (\"child.pid\", \"w\");\n"
                                     "  fprintf (f, \"%d\", (int) getpid ()); fclose (f);\n"
                                     "  for (;;) pause ();\n"
                                     "}\n"
                                     "while (access (\"child.pid\", F_OK) != 0) usleep (1000);\n" +
                                         kGood);
             return std::vector<std::string>{"s"};
         },
         {},
         0,
         {},
         [](const ScratchDir &d) {
             const pid_t child = pid_in(d / "s/child.pid");
             ASSERT_GT(child, 0);
             EXPECT_TRUE(wait_until([&] { return kill(child, 0) != 0 && errno == ESRCH; }, 5000))
                 << "the snippet's child outlived the export";
         }},
        {"compiler memory",
         [](const ScratchDir &d) {
             d.write("s/zero.cairo", "#include \"/dev/zero\"\n");
             return std::vector<std::string>{"s"};
         },
         {"QUILLVIEW_COMPILER_MEMORY_MIB=300"},
         1,
         {"quillview: zero: does not compile: "},
         {}},
        {"compile blocked on a FIFO",
         [](const ScratchDir &d) {
             d.write("s/fifo.cairo", "#include \"" + (d / "s/fifo").string() + "\"\n");
             EXPECT_EQ(mkfifo((d / "s/fifo").c_str(), 0600), 0);
             return std::vector<std::string>{"s"};
         },
         {"QUILLVIEW_BUILD_SECONDS=1"},
         1,
         {"quillview: fifo: does not compile: ", "took more than 1 s and was stopped"},
         {}},
        {"log flood",
         [](const ScratchDir &d) {
             std::string text;
             for (int i = 0; i < 20000; i++)
                 text += "#warning flood\n";
             d.write("s/flood.cairo", text + "cairo_paint (cr)\ncairo_fill (cr);\n");
             return std::vector<std::string>{"s"};
         },
         {},
         1,
         // The error after the flood, with its line, however many warnings.
         {"quillview: flood: does not compile: flood.cairo:20001:"},
         {}},
        {"names that begin with a hyphen",
         [](const ScratchDir &d) {
             d.write("s/-red.cairo", kGood);
             return std::vector<std::string>{"--", "s/-red.cairo"};
         },
         {},
         0,
         {},
         [](const ScratchDir &d) { EXPECT_TRUE(is_png(d / "out/-red.png")); }},
        {"dangling link and loop",
         [](const ScratchDir &d) {
             d.write("s/good.cairo", kGood);
             fs::create_symlink("nowhere.cairo", d / "s/gone.cairo");
             fs::create_symlink("loop.cairo", d / "s/loop.cairo");
             return std::vector<std::string>{"s"};
         },
         {},
         0,
         {"skipping 's/gone.cairo'", "skipping 's/loop.cairo'"},
         [](const ScratchDir &d) { EXPECT_TRUE(is_png(d / "out/good.png")); }},
        {"one name in two folders",
         [](const ScratchDir &d) {
             d.write("a/x.cairo", kGood);
             d.write("b/x.cairo", "cairo_paint (cr);\n");
             return std::vector<std::string>{"a", "b"};
         },
         {},
         0,
         {},
         [](const ScratchDir &d) {
             EXPECT_NE(read_file(d / "out/a-x.png"), read_file(d / "out/b-x.png"));
             const std::string html = read_file(d / "out/index.html");
             EXPECT_NE(html.find("id=\"a-x\""), std::string::npos);
             EXPECT_NE(html.find("id=\"b-x\""), std::string::npos);
         }},
        {"a background is an input",
         [](const ScratchDir &d) {
             d.write("out/logo.cairo", "snippet_set_bg_png (cr, \"logo.png\");\n");
             fs::copy_file(fs::path(SNIPPET_ASSETS) / "landscape.png", d / "out/logo.png");
             return std::vector<std::string>{"out"};
         },
         {},
         1,
         {"quillview: logo: refusing to write '", "logo.png"},
         [](const ScratchDir &d) {
             EXPECT_EQ(read_file(d / "out/logo.png"),
                       read_file(fs::path(SNIPPET_ASSETS) / "landscape.png"));
         }},
        {"an unreadable background",
         [](const ScratchDir &d) {
             d.write("s/bg.cairo", "snippet_set_bg_png (cr, \"missing.png\");\n");
             return std::vector<std::string>{"s"};
         },
         {},
         1,
         {"quillview: bg: read_png_argb32: cannot read 'missing.png'"},
         {}},
        {"planted temporary name",
         [](const ScratchDir &d) {
             d.write("s/x.cairo", kGood);
             d.write("victim", "keep me\n");
             fs::create_directories(d / "out");
             fs::create_symlink("../victim", d / "out/.x.png.tmp");
             return std::vector<std::string>{"s"};
         },
         {},
         0,
         {},
         [](const ScratchDir &d) {
             EXPECT_EQ(read_file(d / "victim"), "keep me\n");
             EXPECT_TRUE(is_png(d / "out/x.png"));
         }},
        {"no C compiler",
         [](const ScratchDir &d) {
             d.write("s/a.cairo", kGood);
             d.write("s/b.cairo", kGood);
             return std::vector<std::string>{"s"};
         },
         {"CC=/nonexistent/cc"},
         1,
         {"quillview: cannot run the C compiler '/nonexistent/cc': install gcc and "
          "libquillkit-dev, or set CC"},
         [](const ScratchDir &d) {
             // Said once, not once a snippet; nothing drawn.
             EXPECT_FALSE(fs::exists(d / "out/a.png"));
         }},
    };
}

TEST(QuillviewExportSafety, EachKindOfTrouble)
{
    for (const SafetyCase &c : safety_table()) {
        ScratchDir dir;
        const std::vector<std::string> operands = c.setup(dir);
        std::vector<std::string> argv = {QUILLVIEW_PATH, "--export=out", "--format=png,html",
                                         "--size=16"};
        argv.insert(argv.end(), operands.begin(), operands.end());
        ChildOptions options;
        options.cwd = dir.path();
        options.env = c.env;
        options.env.push_back("TMPDIR=" + dir.path().string());
        const RunResult r = run_program(argv, options, kExportTimeoutMs);
        EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.err;
        for (const std::string &said : c.said)
            EXPECT_NE(r.err.find(said), std::string::npos) << c.what << ": " << said << "\n"
                                                           << r.err;
        if (c.check)
            c.check(dir);
        // Nothing of the private folder is left behind.
        for (const auto &entry : fs::directory_iterator(dir.path()))
            EXPECT_EQ(entry.path().filename().string().rfind("quillview-", 0), std::string::npos)
                << c.what;
    }
}

}  // namespace
}  // namespace quillkit_test
