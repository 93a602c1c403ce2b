// png_test.cpp - qxclock --png: the picture for a fixed --time, files it
// must not destroy, and the handling of command lines.
#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "clock_geometry.h"
#include "files.h"
#include "image.h"
#include "process.h"
#include "quillkit_version.h"
#include "scratch_dir.h"

namespace quillkit_test {
namespace {

constexpr int kPngSize = 400;

// Runs qxclock with `args` and `env` added to its environment.
RunResult run_qxclock(const std::vector<std::string> &args, const std::vector<std::string> &env)
{
    std::vector<std::string> argv = {QXCLOCK_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildOptions options;
    options.env = env;
    return run_program(argv, options, 20000);
}

// A PNG read back; not ok() when it cannot be read.
class Png {
public:
    explicit Png(const std::string &path)
        : surface_(cairo_image_surface_create_from_png(path.c_str()))
    {
    }
    bool ok() const { return cairo_surface_status(surface_.get()) == CAIRO_STATUS_SUCCESS; }
    int width() const { return cairo_image_surface_get_width(surface_.get()); }
    int height() const { return cairo_image_surface_get_height(surface_.get()); }
    Argb at(int x, int y) const { return argb_at(surface_.get(), x, y); }
    Argb at(const Point &p) const { return argb_under(surface_.get(), p.x, p.y); }

private:
    SurfacePtr surface_;
};

// A stretch of a ray from the centre, in units of the picture's side, that
// must be covered by a hand (black) or must show no hand at all.
struct Ray {
    double degrees;
    double from, to;
    bool hand;
};

struct TimeCase {
    const char *name;
    const char *time;
    bool seconds;
    std::vector<Ray> rays;
};

// Hand angles follow from the time: the hour hand turns 30 degrees an hour
// plus 0.5 a minute, the minute hand 6 a minute plus 0.1 a second, the second
// hand 6 a second. Hand lengths: hour 0.25, minute 0.39, second 0.32 (from the
// pivot); the logo under them has no opaque black.
const std::vector<TimeCase> &time_cases()
{
    static const std::vector<TimeCase> cases = {
        {"ThreeOClock",
         "03:00:00",
         false,
         {{90, 0.03, 0.24, true},
          {0, 0.03, 0.38, true},
          {180, 0.05, 0.25, false},
          {270, 0.05, 0.25, false}}},
        // 15:00 shows the same picture as 03:00.
        {"FifteenHundred",
         "15:00:00",
         false,
         {{90, 0.03, 0.24, true},
          {0, 0.03, 0.38, true},
          {180, 0.05, 0.25, false},
          {270, 0.05, 0.25, false}}},
        {"HalfMinuteWithSeconds",
         "03:00:30",
         true,
         {{90.25, 0.03, 0.24, true},
          {3, 0.03, 0.38, true},
          {180, 0.03, 0.31, true},
          {270, 0.05, 0.25, false}}},
        {"HalfMinuteWithoutSeconds",
         "03:00:30",
         false,
         {{90.25, 0.03, 0.24, true}, {3, 0.03, 0.38, true}, {180, 0.05, 0.25, false}}},
        {"QuarterToTen",
         "09:45:00",
         false,
         {{292.5, 0.03, 0.24, true},
          {270, 0.03, 0.38, true},
          {90, 0.05, 0.25, false},
          {180, 0.05, 0.25, false}}},
    };
    return cases;
}

// Local time zones to draw in, as POSIX TZ strings (no zone files needed);
// --time is a time of the local day, so the picture must not depend on them.
const char *const time_zones[] = {"UTC0", "XST-5:30", "YST+9:45"};

class PngTimeTest : public ::testing::TestWithParam<std::tuple<size_t, const char *>> {};

TEST_P(PngTimeTest, HandsPointWhereTheTimeSays)
{
    const TimeCase &tc = time_cases()[std::get<0>(GetParam())];
    std::string path = ::testing::TempDir() + "qxclock-" + std::to_string(getpid()) + ".png";
    const RunResult run = run_qxclock({"--png", path, "--size", std::to_string(kPngSize), "--time",
                                       tc.time, tc.seconds ? "--seconds" : "--no-seconds"},
                                      {std::string("TZ=") + std::get<1>(GetParam())});
    ASSERT_EQ(run.status, 0) << run.err;
    Png png(path);
    unlink(path.c_str());
    ASSERT_TRUE(png.ok());
    ASSERT_EQ(png.width(), kPngSize);
    ASSERT_EQ(png.height(), kPngSize);

    for (const Ray &ray : tc.rays) {
        for (double d = ray.from; d <= ray.to; d += 0.005) {
            Point p = along_hand(ray.degrees, d, kPngSize, kPngSize);
            Argb got = png.at(p);
            if (ray.hand)
                EXPECT_TRUE(near(got, kBlack))
                    << "no hand at " << ray.degrees << " deg, " << d << ": " << got;
            else
                EXPECT_FALSE(near(got, kBlack, 8)) << "a hand at " << ray.degrees << " deg, " << d;
        }
    }
    // The face: every tick in its colour; outside it, nothing at all.
    for (int minute = 0; minute < 60; ++minute) {
        Point c = tick_centre(minute, kPngSize, kPngSize);
        EXPECT_TRUE(near(png.at(c), tick_colour(minute)))
            << "minute " << minute << ": " << png.at(c);
    }
    for (Point p : {Point{0, 0}, Point{kPngSize - 1.0, 0}, Point{0, kPngSize - 1.0},
                    Point{kPngSize - 1.0, kPngSize - 1.0}, Point{0.1 * kPngSize, 0.1 * kPngSize},
                    Point{0.9 * kPngSize, 0.9 * kPngSize}})
        EXPECT_EQ(png.at(p).a, 0) << "at (" << p.x << ", " << p.y << ")";
}

INSTANTIATE_TEST_SUITE_P(Times, PngTimeTest,
                         ::testing::Combine(::testing::Range<size_t>(0, time_cases().size()),
                                            ::testing::ValuesIn(time_zones)),
                         [](const ::testing::TestParamInfo<PngTimeTest::ParamType> &param_info) {
                             std::string tz = std::get<1>(param_info.param);
                             std::string name =
                                 std::string(time_cases()[std::get<0>(param_info.param)].name) +
                                 "_";
                             for (char c : tz)
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(PngTest, WithoutTimeDrawsNowAtTheDefaultSize)
{
    std::string path = ::testing::TempDir() + "qxclock-now-" + std::to_string(getpid()) + ".png";
    const RunResult run = run_qxclock({"--png", path}, {});
    ASSERT_EQ(run.status, 0) << run.err;
    Png png(path);
    unlink(path.c_str());
    ASSERT_TRUE(png.ok());
    EXPECT_EQ(png.width(), 512);
    EXPECT_EQ(png.height(), 512);
    EXPECT_TRUE(near(png.at(256, 256), kBlack)) << "no hands at the pivot";
}

struct BadArgs {
    const char *name;
    std::vector<std::string> args;
    int status;         // expected exit status
    const char *error;  // expected in the message
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
    const RunResult run = run_qxclock(c.args, {});
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
        BadArgs{"BadColour", {"--background", "#12345"}, 2, "bad colour '#12345'"},
        BadArgs{"UnknownColourForPng",
                {"--png", kOut, "--background", "no such colour"},
                2,
                "unknown colour 'no such colour'"},
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

// Of an option given twice the last one wins, as with GNU tools.
struct LastWinsCase {
    const char *name;
    std::vector<std::string> args;  // "@" stands for the PNG's path
    int status;
    const char *error;  // in stderr when status != 0
    int side;           // of the PNG; 0: none may be written
    int second_hand;    // 1: drawn, 0: not, -1: not looked at
};

void PrintTo(const LastWinsCase &c, std::ostream *os)
{
    *os << c.name;
}

class LastWinsTest : public ::testing::TestWithParam<LastWinsCase> {};

TEST_P(LastWinsTest, TheLastOneCounts)
{
    const LastWinsCase &c = GetParam();
    ScratchDir dir;
    const std::string path = (dir / "clock.png").string();
    std::vector<std::string> args = c.args;
    std::replace(args.begin(), args.end(), std::string("@"), path);
    const RunResult run = run_qxclock(args, {"DISPLAY=:bogus"});
    ASSERT_EQ(run.status, c.status) << run.err;
    if (c.status != 0) {
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    }
    if (c.side == 0) {
        EXPECT_FALSE(std::filesystem::exists(path));
        return;
    }
    Png png(path);
    ASSERT_TRUE(png.ok());
    EXPECT_EQ(png.width(), c.side);
    EXPECT_EQ(png.height(), c.side);
    // At 03:00:30 the second hand points straight down, where no other
    // hand is.
    if (c.second_hand < 0)
        return;
    for (double d = 0.05; d <= 0.25; d += 0.005) {
        const Argb got = png.at(along_hand(180, d, c.side, c.side));
        if (c.second_hand)
            EXPECT_TRUE(near(got, kBlack)) << "no second hand at " << d << ": " << got;
        else
            EXPECT_FALSE(near(got, kBlack, 8)) << "a second hand at " << d;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Options, LastWinsTest,
    ::testing::Values(
        LastWinsCase{"SizeTwice", {"--png", "@", "--size", "3", "--size=40"}, 0, "", 40, -1},
        LastWinsCase{"WindowThenPng", {"--window", "--png", "@", "--size", "24"}, 0, "", 24, -1},
        LastWinsCase{
            "PngThenWindow", {"--png", "@", "--window"}, 1, "cannot open display ':bogus'", 0, -1},
        LastWinsCase{
            "SecondsThenNot",
            {"--png", "@", "--size", "400", "--time", "03:00:30", "--seconds", "--no-seconds"},
            0,
            "",
            kPngSize,
            0},
        LastWinsCase{
            "NotThenSeconds",
            {"--png", "@", "--size", "400", "--time", "03:00:30", "--no-seconds", "--seconds"},
            0,
            "",
            kPngSize,
            1}),
    [](const ::testing::TestParamInfo<LastWinsCase> &param_info) {
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

// --background in every form, drawn without a display: the colour of a corner.
struct BackgroundCase {
    const char *colour;
    Argb corner;
};

void PrintTo(const BackgroundCase &c, std::ostream *os)
{
    *os << c.colour;
}

class PngBackgroundTest : public ::testing::TestWithParam<BackgroundCase> {};

TEST_P(PngBackgroundTest, PaintsTheCorners)
{
    ScratchDir dir;
    const std::string path = (dir / "bg.png").string();
    const RunResult run = run_qxclock(
        {"--png", path, "--size", "32", "--background", GetParam().colour}, {"DISPLAY="});
    ASSERT_EQ(run.status, 0) << run.err;
    Png png(path);
    ASSERT_TRUE(png.ok());
    EXPECT_TRUE(near(png.at(0, 0), GetParam().corner, 1)) << png.at(0, 0);
}

// #FFF is 0xf000 a channel, as in X: the digits are the high bits.
INSTANTIATE_TEST_SUITE_P(Colours, PngBackgroundTest,
                         ::testing::Values(BackgroundCase{"#FFF", Argb{255, 0xf0, 0xf0, 0xf0}},
                                           BackgroundCase{"rgb:ff/80/0", Argb{255, 255, 128, 0}},
                                           BackgroundCase{"rgbi:0/0/1", Argb{255, 0, 0, 255}},
                                           BackgroundCase{"light grey", Argb{255, 211, 211, 211}},
                                           BackgroundCase{"NavyBlue", Argb{255, 0, 0, 128}}));

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

// --png onto something that is there already: what it must leave of it.
struct TargetCase {
    const char *name;
    // Makes what is at `path` in `dir` before the run.
    void (*setup)(const ScratchDir &dir, const std::string &path);
    int status;
    const char *error;  // in stderr when status != 0
    // Checks what is at `path` after the run.
    void (*check)(const ScratchDir &dir, const std::string &path);
};

void PrintTo(const TargetCase &c, std::ostream *os)
{
    *os << c.name;
}

bool is_png(const std::string &path)
{
    return read_file(path).rfind("\x89PNG\r\n", 0) == 0;
}

std::string link_target(const std::string &path)
{
    char buf[4096];
    const ssize_t n = readlink(path.c_str(), buf, sizeof buf);
    return n < 0 ? "" : std::string(buf, static_cast<size_t>(n));
}

mode_t mode_of(const std::string &path, bool follow = true)
{
    struct stat st {};
    if ((follow ? stat(path.c_str(), &st) : lstat(path.c_str(), &st)) != 0)
        return 0;
    return st.st_mode;
}

// The minor numbers of the system's null and full devices (major 1).
constexpr unsigned kNullMinor = 3;
constexpr unsigned kFullMinor = 7;

// Makes `name` in `dir` a private device like the system's null or full one,
// and `path` a link to it; skips the test where devices cannot be made.
void link_to_device(const ScratchDir &dir, const char *name, unsigned minor,
                    const std::string &path)
{
    if (mknod((dir / name).c_str(), S_IFCHR | 0600, makedev(1, minor)) != 0)
        GTEST_SKIP() << "cannot make a device node here: " << std::strerror(errno);
    ASSERT_EQ(symlink(name, path.c_str()), 0);
}

class PngTargetTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(PngTargetTest, LeavesWhatItDidNotMake)
{
    const TargetCase &c = GetParam();
    ScratchDir dir;
    const std::string path = (dir / "clock.png").string();
    c.setup(dir, path);
    if (IsSkipped() || HasFatalFailure())
        return;
    const RunResult run = run_qxclock({"--png", path, "--size", "64"}, {});
    EXPECT_EQ(run.status, c.status) << run.err;
    if (c.status != 0) {
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    }
    c.check(dir, path);
    // Nothing of ours is left behind in the directory.
    for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().rfind(".qxclock", 0), std::string::npos)
            << entry.path();
}

INSTANTIATE_TEST_SUITE_P(
    Targets, PngTargetTest,
    ::testing::Values(TargetCase{"FullDisk",
                                 [](const ScratchDir &dir, const std::string &path) {
                                     link_to_device(dir, "full", kFullMinor, path);
                                 },
                                 1, "No space left on device",
                                 [](const ScratchDir &dir, const std::string &path) {
                                     EXPECT_EQ(link_target(path), "full");
                                     EXPECT_TRUE(S_ISCHR(mode_of((dir / "full").string())));
                                 }},
                      TargetCase{"LinkToNullDevice",
                                 [](const ScratchDir &dir, const std::string &path) {
                                     link_to_device(dir, "null", kNullMinor, path);
                                 },
                                 0, "",
                                 [](const ScratchDir &dir, const std::string &path) {
                                     EXPECT_EQ(link_target(path), "null");
                                     EXPECT_TRUE(S_ISCHR(mode_of((dir / "null").string())));
                                 }},
                      TargetCase{"LinkToAFile",
                                 [](const ScratchDir &dir, const std::string &path) {
                                     dir.write("real.png", "old");
                                     ASSERT_EQ(symlink("real.png", path.c_str()), 0);
                                 },
                                 0, "",
                                 [](const ScratchDir &dir, const std::string &path) {
                                     EXPECT_EQ(link_target(path), "real.png");
                                     EXPECT_TRUE(is_png((dir / "real.png").string()));
                                 }},
                      TargetCase{"ExistingFileKeepsItsMode",
                                 [](const ScratchDir &dir, const std::string &path) {
                                     dir.write("clock.png", "old");
                                     ASSERT_EQ(chmod(path.c_str(), 0640), 0);
                                 },
                                 0, "",
                                 [](const ScratchDir &, const std::string &path) {
                                     EXPECT_TRUE(is_png(path));
                                     EXPECT_EQ(mode_of(path) & 07777, 0640u);
                                 }},
                      TargetCase{"LinkToNothing",
                                 [](const ScratchDir &, const std::string &path) {
                                     ASSERT_EQ(symlink("missing.png", path.c_str()), 0);
                                 },
                                 1, "a symbolic link to a missing file",
                                 [](const ScratchDir &dir, const std::string &path) {
                                     EXPECT_EQ(link_target(path), "missing.png");
                                     EXPECT_FALSE(std::filesystem::exists(dir / "missing.png"));
                                 }},
                      TargetCase{"Directory",
                                 [](const ScratchDir &, const std::string &path) {
                                     ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
                                 },
                                 1, "Is a directory",
                                 [](const ScratchDir &, const std::string &path) {
                                     EXPECT_TRUE(S_ISDIR(mode_of(path)));
                                 }}),
    [](const ::testing::TestParamInfo<TargetCase> &param_info) {
        return std::string(param_info.param.name);
    });

}  // namespace
}  // namespace quillkit_test
