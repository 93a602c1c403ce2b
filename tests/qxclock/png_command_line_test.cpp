// png_command_line_test.cpp - qxclock's command line, run: bad ones named in
// one line with a pointer to --help, --help and --version on standard output
// (and their write errors), and no file written on a bad line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "files.h"
#include "quillkit_version.h"
#include "qxclock_run.h"
#include "scratch_dir.h"

namespace quillkit_test {
namespace {

struct BadArgs {
    const char *name;
    std::vector<std::string> args;
    int status;                         // expected exit status
    const char *error;                  // expected in the message
    std::vector<std::string> env = {};  // added to qxclock's environment
};

// Test names carry the case's name; gtest need not dump its bytes.
void PrintTo(const BadArgs &c, std::ostream *os)
{
    *os << c.name;
}

class PngBadArgsTest : public ::testing::TestWithParam<BadArgs> {};

TEST_P(PngBadArgsTest, FailsWithAMessage)
{
    const BadArgs &c = GetParam();
    const RunResult run = run_qxclock(c.args, c.env);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.err.rfind("qxclock: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    // A bad command line: one line naming the problem and a pointer to
    // --help, no usage text.
    if (c.status == 2) {
        const std::string try_help = "\nTry 'qxclock --help'.\n";
        EXPECT_EQ(run.err.find('\n'), run.err.size() - try_help.size()) << run.err;
        EXPECT_EQ(run.err.substr(run.err.find('\n')), try_help) << run.err;
    }
    EXPECT_EQ(run.out, "");
}

const std::string kOut = "/tmp/qxclock-never-written.png";

INSTANTIATE_TEST_SUITE_P(
    Cases, PngBadArgsTest,
    ::testing::Values(
        BadArgs{"MissingFile", {"--png"}, 2, "'--png' needs a value"},
        BadArgs{"SizeZero", {"--png", kOut, "--size", "0"}, 2, "bad size '0'"},
        BadArgs{"SizeNegative", {"--png", kOut, "--size", "-5"}, 2, "bad size '-5'"},
        BadArgs{"SizeNotANumber", {"--png", kOut, "--size=12px"}, 2, "bad size '12px'"},
        BadArgs{"SizeTooLarge", {"--png", kOut, "--size", "99999999999"}, 2, "bad size"},
        BadArgs{"SizeMissing", {"--png", kOut, "--size"}, 2, "'--size' needs a value"},
        BadArgs{"ValueForAFlag", {"--seconds=yes"}, 2, "'--seconds' takes no value"},
        BadArgs{"HourTooLarge", {"--png", kOut, "--time", "24:00:00"}, 2, "bad time '24:00:00'"},
        BadArgs{"MinuteTooLarge", {"--png", kOut, "--time", "12:60"}, 2, "bad time"},
        BadArgs{"NoMinutes", {"--png", kOut, "--time", "12"}, 2, "bad time '12'"},
        BadArgs{"TrailingText", {"--png", kOut, "--time", "12:00:00pm"}, 2, "bad time"},
        BadArgs{"TimeForWindow", {"--time", "12:00:00"}, 2, "'--time' applies to '--png' only"},
        BadArgs{"BadGeometry", {"--geometry", "10x"}, 2, "bad geometry '10x'"},
        BadArgs{"GeometryForPng", {"--png", kOut, "-geometry", "+1+1"}, 2, "applies to the window"},
        BadArgs{
            "SizeInBoth", {"--size", "100", "--geometry", "50x50"}, 2, "cannot be used together"},
        BadArgs{"BadColour",
                {"--png", kOut, "--background", "#12345"},
                2,
                "bad colour '#12345'",
                {"DISPLAY=:bogus"}},
        // A name not built in needs a server to look it up (with one, the
        // window test's ClockColourTest).
        BadArgs{"ColourNameWithoutADisplay",
                {"--png", kOut, "--background", "no such colour"},
                1,
                "cannot look up colour 'no such colour': cannot open display ':bogus'",
                {"DISPLAY=:bogus"}},
        BadArgs{"UnknownOption", {"--png", kOut, "--colour"}, 2, "unknown option '--colour'"},
        BadArgs{"AmbiguousOption",
                {"--png", kOut, "--s", "5"},
                2,
                "option '--s' is ambiguous; possibilities: '--seconds' '--size'"},
        BadArgs{"StrayArgument", {"clock.png"}, 2, "unexpected argument 'clock.png'"},
        BadArgs{"UnwritableFile",
                {"--png", "/nonexistent-dir/clock.png"},
                1,
                "cannot write '/nonexistent-dir/clock.png'"}),
    [](const ::testing::TestParamInfo<BadArgs> &param_info) {
        return std::string(param_info.param.name);
    });

TEST(CommandLineTest, HelpAndVersionGoToStandardOutput)
{
    const RunResult help = run_qxclock({"--help"}, {});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: qxclock", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
    const RunResult version = run_qxclock({"--version"}, {});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "qxclock " QUILLKIT_VERSION "\n");
}

// --help and --version onto a full disk: a private full device (as
// /dev/full) in a scratch folder.
class FullOutputTest : public ::testing::TestWithParam<const char *> {};

TEST_P(FullOutputTest, FailsWithTheWriteError)
{
    ScratchDir dir;
    const std::string full = (dir / "full").string();
    if (mknod(full.c_str(), S_IFCHR | 0600, makedev(1, 7)) != 0)
        GTEST_SKIP() << "cannot make a device node here: " << std::strerror(errno);
    ChildOptions options;
    options.stdout_path = full;
    options.stderr_path = dir / "err";
    ChildProcess clock({QXCLOCK_PATH, GetParam()}, options);
    int status = 0;
    ASSERT_TRUE(clock.wait_for_exit(20000, status));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(read_file(dir / "err"), "qxclock: write error: No space left on device\n");
}

INSTANTIATE_TEST_SUITE_P(Options, FullOutputTest, ::testing::Values("--help", "--version"));

TEST(WindowStartTest, WithoutADisplayFailsWithAMessage)
{
    const RunResult run = run_qxclock({"--window"}, {"DISPLAY=:bogus"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("qxclock: cannot open display ':bogus'"), std::string::npos) << run.err;
}

TEST(PngTest, BadArgumentsWriteNoFile)
{
    unlink(kOut.c_str());
    run_qxclock({"--png", kOut, "--size", "0"}, {});
    EXPECT_NE(access(kOut.c_str(), F_OK), 0);
}

}  // namespace
}  // namespace quillkit_test
