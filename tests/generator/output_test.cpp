// Where quillmake's module goes and what survives a run that is stopped: the
// output options, links, the old module read as a snippet, runs killed at
// chosen moments, closed standard streams, and what quillmake loads.
#include "files.h"
#include "run_quillmake.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using quillkit_test::ScratchDir;

// The module a plain run writes for `args` in `dir`.
std::string plain_module(const ScratchDir &dir, const std::vector<std::string> &args)
{
    ScratchDir elsewhere;
    for (const auto &entry : fs::directory_iterator(dir.path()))
        if (entry.path().extension() == ".cairo")
            fs::copy(entry.path(), elsewhere / entry.path().filename());
    const quillkit_test::RunResult run = quillkit_test::run_quillmake(elsewhere.path(), args);
    EXPECT_EQ(run.status, 0) << run.err;
    return quillkit_test::read_file(elsewhere / "snippets.c");
}

// The files in `dir`, by name.
std::vector<std::string> listing(const ScratchDir &dir)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::recursive_directory_iterator(dir.path()))
        names.push_back(entry.path().lexically_relative(dir.path()).string());
    std::sort(names.begin(), names.end());
    return names;
}

struct OptionCase {
    const char *label;
    std::vector<std::string> args;
    const char *module;  // the file that must hold the module, as the plain run writes it
    std::vector<std::string> absent;
};
void PrintTo(const OptionCase &c, std::ostream *os)
{
    *os << c.label;
}

class OptionTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(OptionTest, WritesThePlainModuleWhereAsked)
{
    const OptionCase &c = GetParam();
    ScratchDir dir;
    dir.write("a.cairo", "cairo_fill (cr);\n");
    dir.write("b.cairo", "cairo_stroke (cr);");
    fs::create_directory(dir / "out");

    const quillkit_test::RunResult run = quillkit_test::run_quillmake(dir.path(), c.args);
    ASSERT_EQ(run.status, 0) << run.err;
    // Each argument that begins with '-' and is no option gets a warning.
    std::string warnings;
    for (const std::string &arg : c.args)
        if (arg.front() == '-' && arg.rfind("--output=", 0) != 0)
            warnings += "quillmake: ignoring unknown option '" + arg + "'\n";
    EXPECT_EQ(run.out + run.err, warnings);
    EXPECT_TRUE(quillkit_test::read_file(dir / c.module) ==
                plain_module(dir, {"a.cairo", "b.cairo"}));
    for (const std::string &file : c.absent)
        EXPECT_FALSE(fs::exists(dir / file)) << file;
}

INSTANTIATE_TEST_SUITE_P(
    Options, OptionTest,
    ::testing::Values(
        OptionCase{"output", {"--output=out/m.c", "a.cairo", "b.cairo"}, "out/m.c", {"snippets.c"}},
        OptionCase{"last_output_counts",
                   {"--output=one.c", "a.cairo", "--output=two.c", "b.cairo"},
                   "two.c",
                   {"one.c", "snippets.c"}},
        // Only the one-argument form: "--output" alone is an unknown option.
        OptionCase{
            "unknown_options_ignored",
            {"--output", "-o", "--frobnicate", "a.cairo", "--line-directives=no", "-", "b.cairo"},
            "snippets.c",
            {}}),
    [](const auto &p) { return std::string(p.param.label); });

TEST(OutputLinkTest, TheLinkStaysAndItsTargetIsReplaced)
{
    ScratchDir dir;
    dir.write("a.cairo", "cairo_fill (cr);\n");
    dir.write("target.c", "the link's target\n");
    fs::create_symlink("target.c", dir / "snippets.c");
    const quillkit_test::RunResult run = quillkit_test::run_quillmake(dir.path(), {"a.cairo"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::is_symlink(dir / "snippets.c"));
    EXPECT_EQ(quillkit_test::read_file(dir / "target.c"), plain_module(dir, {"a.cairo"}));
}

// An output that is one of the snippets (the same file by another name, or
// with a rejected argument after it) is refused before anything is written.
TEST(OutputLinkTest, AnOutputThatIsASnippetIsRefused)
{
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"x.cairo"},
          {"--output=x.cairo", "x.cairo"},
          {"--output=x.cairo", "x.cairo", "missing.cairo"}}) {
        ScratchDir dir;
        const std::string old_module(200000, 'o');
        dir.write("snippets.c", old_module);
        fs::create_symlink("snippets.c", dir / "x.cairo");
        const quillkit_test::RunResult run = quillkit_test::run_program(
            quillkit_test::quillmake_argv(args), quillkit_test::in_dir(dir.path()), 10000);
        EXPECT_EQ(run.status, 1);
        const std::string output = args.size() == 1 ? "snippets.c" : "x.cairo";
        EXPECT_EQ(run.err, "quillmake: the output '" + output +
                               "' is one of the snippets; nothing written\n");
        EXPECT_TRUE(quillkit_test::read_file(dir / "snippets.c") == old_module);
        EXPECT_EQ(listing(dir), (std::vector<std::string>{"snippets.c", "x.cairo"}));
    }
}

// A dependency file that is the output (by the same name, another spelling
// or a link) would leave the module holding only the make rule: refused,
// nothing written.
TEST(OutputLinkTest, ADepfileThatIsTheOutputIsRefused)
{
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--output=same.c", "--depfile=same.c", "a.cairo"},
          {"--output=same.c", "--depfile=./same.c", "a.cairo"},
          {"--output=old.c", "--depfile=link.c", "a.cairo"}}) {
        ScratchDir dir;
        dir.write("a.cairo", "cairo_fill (cr);\n");
        dir.write("old.c", "the old module\n");
        fs::create_symlink("old.c", dir / "link.c");
        const quillkit_test::RunResult run = quillkit_test::run_quillmake(dir.path(), args);
        EXPECT_EQ(run.status, 1) << args[1];
        EXPECT_NE(run.err.find("is the output"), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(dir / "same.c")) << args[1];
        EXPECT_EQ(quillkit_test::read_file(dir / "old.c"), "the old module\n");
    }
}

// --- Runs stopped at a chosen moment ----------------------------------------

// The state letter of a process from /proc ('T' when stopped).
char process_state(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t paren = text.rfind(')');
    return paren != std::string::npos && paren + 2 < text.size() ? text[paren + 2] : '?';
}

struct KillCase {
    const char *label;
    std::string moment;  // the fault that stops quillmake there
    int signal;          // sent while it is stopped; 0: none, it goes on
};
void PrintTo(const KillCase &c, std::ostream *os)
{
    *os << c.label;
}

class KillTest : public ::testing::TestWithParam<KillCase> {};

TEST_P(KillTest, LeavesTheOldModuleOrACompleteOne)
{
    const KillCase &c = GetParam();
    ScratchDir dir;
    // About seven blocks of module: several writes to stop at.
    dir.write("big.cairo", std::string(3 << 20, 'b') + "\n");
    dir.write("snippets.c", "an older module\n");
    const std::string complete = plain_module(dir, {"big.cairo"});

    quillkit_test::ChildProcess child(
        quillkit_test::quillmake_argv({"big.cairo"}),
        quillkit_test::in_dir(dir.path(), quillkit_test::with_faults({c.moment})));
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(quillkit_test::wait_until([&] { return process_state(child.pid()) == 'T'; }, 30000))
        << "quillmake never reached " << c.moment;
    EXPECT_EQ(quillkit_test::read_file(dir / "snippets.c"), "an older module\n");
    if (c.signal != 0)
        child.send_signal(c.signal);
    child.send_signal(SIGCONT);
    int status = 0;
    ASSERT_TRUE(child.wait_for_exit(30000, status));

    if (c.signal == 0) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_TRUE(quillkit_test::read_file(dir / "snippets.c") == complete);
    } else {
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << status;
        EXPECT_TRUE(quillkit_test::read_file(dir / "snippets.c") == "an older module\n");
    }
    // The module is written into an unnamed file until it is complete:
    // nothing is left behind, even after SIGKILL.
    EXPECT_EQ(listing(dir), (std::vector<std::string>{"big.cairo", "snippets.c"}));
}

INSTANTIATE_TEST_SUITE_P(
    Moments, KillTest,
    ::testing::Values(KillCase{"first_write_kill", "QUILLKIT_STOP_AT_WRITE=1", SIGKILL},
                      KillCase{"first_write_hangup", "QUILLKIT_STOP_AT_WRITE=1", SIGHUP},
                      KillCase{"midway_kill", "QUILLKIT_STOP_AT_WRITE=4", SIGKILL},
                      KillCase{"midway_terminate", "QUILLKIT_STOP_AT_WRITE=4", SIGTERM},
                      KillCase{"complete_but_unnamed_kill", "QUILLKIT_STOP_AT_NAMING=1", SIGKILL},
                      KillCase{"complete_but_unnamed_interrupt", "QUILLKIT_STOP_AT_NAMING=1",
                               SIGINT},
                      KillCase{"midway_going_on", "QUILLKIT_STOP_AT_WRITE=4", 0}),
    [](const auto &p) { return std::string(p.param.label); });

// --- Closed standard streams --------------------------------------------------

struct ClosedCase {
    const char *label;
    const char *closing;  // shell redirections that close streams
    std::vector<std::string> args;
    int status;
    bool rejected;  // a rejection: no module at all, so no message landed in one
};
void PrintTo(const ClosedCase &c, std::ostream *os)
{
    *os << c.label;
}

class ClosedStreamsTest : public ::testing::TestWithParam<ClosedCase> {};

TEST_P(ClosedStreamsTest, KeepStrayTextOutOfTheModule)
{
    const ClosedCase &c = GetParam();
    ScratchDir dir;
    dir.write("a.cairo", "cairo_fill (cr);\n");
    std::vector<std::string> argv{"/bin/sh", "-c", std::string("exec \"$0\" \"$@\" ") + c.closing,
                                  QUILLMAKE_PATH};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const quillkit_test::RunResult run =
        quillkit_test::run_program(argv, quillkit_test::in_dir(dir.path()));
    EXPECT_EQ(run.status, c.status);
    if (c.rejected)
        EXPECT_FALSE(fs::exists(dir / "snippets.c"));
    else
        EXPECT_EQ(quillkit_test::read_file(dir / "snippets.c"), plain_module(dir, {"a.cairo"}));
}

INSTANTIATE_TEST_SUITE_P(
    Streams, ClosedStreamsTest,
    ::testing::Values(
        ClosedCase{"all_closed", "<&- >&- 2>&-", {"a.cairo"}, 0, false},
        ClosedCase{"stderr_closed_rejection", "2>&-", {"a.cairo", "missing.cairo"}, 255, true},
        ClosedCase{"stdout_stderr_closed_rejection", ">&- 2>&-", {"nope"}, 255, true},
        ClosedCase{"stdin_closed", "<&-", {"a.cairo"}, 0, false}),
    [](const auto &p) { return std::string(p.param.label); });

// --- What quillmake needs at run time ---------------------------------------

TEST(RuntimeTest, LoadsTheCLibraryAlone)
{
#ifdef QUILLKIT_SANITIZED
    GTEST_SKIP() << "a sanitizer build loads the sanitizers' runtimes";
#else
    const quillkit_test::RunResult ldd =
        quillkit_test::run_program({"/usr/bin/ldd", QUILLMAKE_PATH});
    ASSERT_EQ(ldd.status, 0) << ldd.err;
    EXPECT_NE(ldd.out.find("libc.so"), std::string::npos) << ldd.out;
    for (const char *library : {"libstdc++", "libgcc_s", "libm."})
        EXPECT_EQ(ldd.out.find(library), std::string::npos) << library << " in\n" << ldd.out;
#endif
}

}  // namespace
