// window_stop_test.cpp - the ways the qxclock window ends: closed,
// signalled, its server stalled, its window destroyed, its connection
// closed; and the stop signals its parent ignores, which stay ignored.
// GoogleTest first: Xlib's macros (None, Bool, Status) would break it.
#include <gtest/gtest.h>

#include "window_fixture.h"

#include <fstream>
#include <string>

namespace quillkit_test {
namespace {

// How the clock is asked to stop, and how it must end: 0 when it could close
// cleanly.
class ClockStopTest;
struct StopCase {
    const char *name;
    void (*stop)(ClockStopTest &);
    int status;
    const char *message;  // in its stderr, "" for nothing at all
};

void PrintTo(const StopCase &c, std::ostream *os)
{
    *os << c.name;
}

class ClockStopTest : public ClockWindowTest, public ::testing::WithParamInterface<StopCase> {
public:
    void close_request() { send_wm_delete(); }
    void signal_clock(int sig) { clock_->send_signal(sig); }
    void signal_server(int sig) { server_->process().send_signal(sig); }
    void destroy_window()
    {
        XDestroyWindow(dpy_, win_);
        XSync(dpy_, False);
    }
    // The server closes the clock's connection, as when it goes away.
    void kill_client()
    {
        XKillClient(dpy_, win_);
        XSync(dpy_, False);
    }
};

TEST_P(ClockStopTest, EndsPromptlyWithOneLine)
{
    const StopCase &c = GetParam();
    // A background of its own: stderr holds only what the stop makes it say.
    ASSERT_NO_FATAL_FAILURE(
        start({"--size", std::to_string(kWindowSize), "--background", "#ffffff"}));
    wait_for_clock();
    c.stop(*this);
    const int status = exit_status();
    signal_server(SIGCONT);  // should the case have stopped it
    EXPECT_EQ(status, c.status) << clock_stderr();
    const std::string err = clock_stderr();
    if (*c.message == '\0') {
        EXPECT_EQ(err, "");
    } else {
        EXPECT_EQ(err.rfind("qxclock: ", 0), 0u) << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_EQ(count_of(err, "\n"), 1) << err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ClockStopTest,
    ::testing::Values(
        StopCase{"WindowManagersRequest", [](ClockStopTest &test) { test.close_request(); }, 0, ""},
        StopCase{"Sigint", [](ClockStopTest &test) { test.signal_clock(SIGINT); }, 0, ""},
        StopCase{"Sigterm", [](ClockStopTest &test) { test.signal_clock(SIGTERM); }, 0, ""},
        // The server stops answering: closing the window would wait forever.
        StopCase{"SigtermWhileTheServerStalls",
                 [](ClockStopTest &test) {
                     test.signal_server(SIGSTOP);
                     test.signal_clock(SIGTERM);
                 },
                 1, "does not answer"},
        StopCase{"WindowDestroyed", [](ClockStopTest &test) { test.destroy_window(); }, 1,
                 "the window was destroyed"},
        StopCase{"ConnectionClosed", [](ClockStopTest &test) { test.kill_client(); }, 1,
                 "lost the connection"}),
    [](const ::testing::TestParamInfo<StopCase> &param_info) {
        return std::string(param_info.param.name);
    });

// A stop signal that the clock's parent ignores (nohup, a background job)
// stays ignored; the other one still closes the window.
struct IgnoredCase {
    const char *name;
    int ignored, stop;
};

void PrintTo(const IgnoredCase &c, std::ostream *os)
{
    *os << c.name;
}

// The signals in the mask of /proc/<pid>/status line `field` (SigIgn, SigCgt).
unsigned long long signal_mask(pid_t pid, const std::string &field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::stoull(line.substr(field.size() + 1), nullptr, 16);
    return 0;
}

class ClockIgnoredSignalTest : public ClockWindowTest,
                               public ::testing::WithParamInterface<IgnoredCase> {};

TEST_P(ClockIgnoredSignalTest, StaysIgnored)
{
    const IgnoredCase &c = GetParam();
    ignored_signal_ = c.ignored;
    ASSERT_NO_FATAL_FAILURE(start({"--size", std::to_string(kWindowSize)}));
    const auto bit = [](int sig) { return 1ULL << (sig - 1); };
    // The window is up: its handlers are in place.
    EXPECT_TRUE(signal_mask(clock_->pid(), "SigIgn") & bit(c.ignored));
    EXPECT_FALSE(signal_mask(clock_->pid(), "SigCgt") & bit(c.ignored));
    EXPECT_TRUE(signal_mask(clock_->pid(), "SigCgt") & bit(c.stop));
    clock_->send_signal(c.stop);
    EXPECT_EQ(exit_status(), 0) << clock_stderr();
}

INSTANTIATE_TEST_SUITE_P(Signals, ClockIgnoredSignalTest,
                         ::testing::Values(IgnoredCase{"Sigint", SIGINT, SIGTERM},
                                           IgnoredCase{"Sigterm", SIGTERM, SIGINT}),
                         [](const ::testing::TestParamInfo<IgnoredCase> &param_info) {
                             return std::string(param_info.param.name);
                         });

}  // namespace
}  // namespace quillkit_test
