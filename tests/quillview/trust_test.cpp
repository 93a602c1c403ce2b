// trust_test.cpp - quillview keeps the user's work, under a private Xvfb,
// driven through XTest and read back from the X server: unsaved typing is
// marked in the title and kept over a change on disk, quitting asks first,
// a file that is not UTF-8 is left as it is, a save keeps a link a link and
// a failed one says why and keeps the text unsaved; quitting is quick with
// a compile or a drawing stuck, a flood of compiler warnings freezes
// nothing, and the window still draws after a long idle time.
// gtest before Xlib, whose macros (None, Bool) would break its templates.
#include <gtest/gtest.h>

#include "trust_fixture.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

namespace quillkit_test {
namespace {

namespace fs = std::filesystem;

constexpr int kIdleMs = 35000;  // past GLib's 15 s for idle worker threads
constexpr int kQuitMs = 1000;   // the most quitting may take
constexpr int kWarnings = 100000;
constexpr int kFrozenMs = 1000;  // a key answered later than this: frozen
constexpr int kTogglesAfter = 4;
constexpr const char *kStopped = "a: does not compile — quillview";

using Trust = TrustFixture;

TEST_F(Trust, DrawsAfterALongIdleTime)
{
    start();
    const int before = count_colour(0xff0000);
    sleep_ms(kIdleMs);  // the idle time itself is what is tested
    key(XK_plus, {XK_Control_L});
    EXPECT_TRUE(wait_until([&] { return count_colour(0xff0000) > before; }, kWaitMs))
        << title() << stderr_text();
    EXPECT_EQ(title(), "a — quillview");
}

// Typed text stays unsaved, and a change on disk under it is asked about.
struct DiskChange {
    const char *name;
    KeySym answer;         // Alt + this, on the bar
    const char *answered;  // the title then
    bool saved_after;      // Ctrl+S after the answer writes the typed text
    std::uint32_t colour;
};

class TrustDiskChange : public TrustFixture, public ::testing::WithParamInterface<DiskChange> {};

TEST_P(TrustDiskChange, KeepsTheTypedTextAndAsks)
{
    const DiskChange &c = GetParam();
    start();
    type_at_end();
    ASSERT_TRUE(wait_until([&] { return title() == "• a — quillview"; }, kWaitMs)) << title();
    rewrite("a.cairo", paint("0, 0, 1"));
    ASSERT_TRUE(wait_until([&] { return title() == "• a: changed on disk — quillview"; }, kWaitMs))
        << title() << stderr_text();
    EXPECT_EQ(read_file(snippet("a")), paint("0, 0, 1"));  // never written over
    EXPECT_GT(count_colour(0xff0000), kMinPixels);         // the typed text is what is drawn
    key(c.answer, {XK_Alt_L});
    EXPECT_TRUE(wait_until([&] { return title() == c.answered; }, kWaitMs)) << title();
    key(XK_s, {XK_Control_L});
    const std::string expected = c.saved_after ? paint("1, 0, 0") + "//q" : paint("0, 0, 1");
    EXPECT_TRUE(wait_until([&] { return title() == "a — quillview"; }, kWaitMs)) << title();
    EXPECT_EQ(read_file(snippet("a")), expected);
    EXPECT_TRUE(wait_until([&] { return count_colour(c.colour) > kMinPixels; }, kWaitMs));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, TrustDiskChange,
    ::testing::Values(DiskChange{"KeepMine", XK_k, "• a — quillview", true, 0xff0000},
                      DiskChange{"Reload", XK_r, "a — quillview", false, 0x0000ff}),
    [](const auto &p) { return std::string(p.param.name); });

// Quitting, or closing the window, with unsaved text asks first.
struct Leaving {
    const char *name;
    bool quit;  // Ctrl+Q, else the window manager's close
    KeySym answer;
    std::vector<KeySym> modifiers;
    bool ends;
    bool saved;
};

class TrustLeaving : public TrustFixture, public ::testing::WithParamInterface<Leaving> {};

TEST_P(TrustLeaving, AsksAboutUnsavedText)
{
    const Leaving &c = GetParam();
    start();
    const std::string before = read_file(snippet("a"));
    type_at_end();
    ASSERT_TRUE(wait_until([&] { return title() == "• a — quillview"; }, kWaitMs)) << title();
    if (c.quit)
        key(XK_q, {XK_Control_L});
    else
        close_window(win_);
    Window dialog = None;
    ASSERT_TRUE(
        wait_until([&] { return (dialog = find_window("Unsaved snippets")) != None; }, kWaitMs));
    EXPECT_TRUE(view_->running());
    key(c.answer, c.modifiers);
    if (c.ends) {
        int ws = 0;
        ASSERT_TRUE(view_->wait_for_exit(kWaitMs, ws)) << stderr_text();
        EXPECT_TRUE(WIFEXITED(ws) && WEXITSTATUS(ws) == 0) << ws << stderr_text();
    } else {
        EXPECT_TRUE(wait_until([&] { return find_window("Unsaved snippets") == None; }, kWaitMs));
        EXPECT_TRUE(view_->running());
        EXPECT_EQ(title(), "• a — quillview");
    }
    EXPECT_EQ(read_file(snippet("a")), c.saved ? before + "//q" : before);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, TrustLeaving,
    ::testing::Values(Leaving{"QuitCancel", true, XK_Escape, {}, false, false},
                      Leaving{"QuitDiscard", true, XK_d, {XK_Alt_L}, true, false},
                      Leaving{"QuitSaveAll", true, XK_s, {XK_Alt_L}, true, true},
                      Leaving{"CloseCancel", false, XK_c, {XK_Alt_L}, false, false},
                      Leaving{"CloseSaveAll", false, XK_s, {XK_Alt_L}, true, true}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_F(Trust, FileThatIsNotUtf8IsLeftAsItIs)
{
    const std::string latin1 = "/* caf\xe9, na\xefve */\n" + paint("1, 0, 0");
    dir_.write("snippets/a.cairo", latin1);
    struct stat before {};
    ASSERT_EQ(stat(snippet("a").c_str(), &before), 0);
    start();
    EXPECT_TRUE(
        wait_until([&] { return title() == "a: not UTF-8, read-only — quillview"; }, kWaitMs))
        << title();
    type_at_end();  // read-only: nothing is typed
    key(XK_s, {XK_Control_L});
    // Keys are taken in order: once the next one is done, so is the save.
    key(XK_Down, {XK_Alt_L});
    ASSERT_TRUE(wait_until([&] { return title() == "b — quillview"; }, kWaitMs)) << title();
    EXPECT_EQ(read_file(snippet("a")), latin1);
    struct stat after {};
    ASSERT_EQ(stat(snippet("a").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    key(XK_Up, {XK_Alt_L});
    EXPECT_TRUE(
        wait_until([&] { return title() == "a: not UTF-8, read-only — quillview"; }, kWaitMs))
        << title();
}

TEST_F(Trust, SavingALinkKeepsTheLinkAndWritesItsFile)
{
    const fs::path real = dir_ / "elsewhere" / "real.cairo";
    dir_.write("elsewhere/real.cairo", paint("1, 0, 0"));
    fs::remove(snippet("a"));
    fs::create_symlink(real, snippet("a"));
    start();
    type_at_end();
    key(XK_s, {XK_Control_L});
    EXPECT_TRUE(wait_until([&] { return read_file(real) == paint("1, 0, 0") + "//q"; }, kWaitMs))
        << read_file(real) << stderr_text();
    EXPECT_TRUE(fs::is_symlink(snippet("a")));
    EXPECT_EQ(fs::read_symlink(snippet("a")), real);
    EXPECT_TRUE(wait_until([&] { return title() == "a — quillview"; }, kWaitMs)) << title();
}

// A save that fails says why in full and keeps the text unsaved.
struct FailedSave {
    const char *name;
    bool (*spoil)(const fs::path &folder);  // false: cannot be set up here
    const char *reason;                     // {} stands for the snippets' folder
};

std::string with_folder(std::string text, const std::string &folder)
{
    for (std::size_t at; (at = text.find("{}")) != std::string::npos;)
        text.replace(at, 2, folder);
    return text;
}

class TrustFailedSave : public TrustFixture, public ::testing::WithParamInterface<FailedSave> {};

TEST_P(TrustFailedSave, SaysWhyAndKeepsTheTextUnsaved)
{
    const FailedSave &c = GetParam();
    start(/*without_overrides=*/true);
    if (IsSkipped())
        return;
    const std::string before = read_file(snippet("a"));
    type_at_end();
    ASSERT_TRUE(wait_until([&] { return title() == "• a — quillview"; }, kWaitMs)) << title();
    if (!c.spoil(dir_ / "snippets"))
        GTEST_SKIP() << "cannot set up: " << c.name;
    key(XK_s, {XK_Control_L});
    const std::string reason =
        "quillview: cannot " + with_folder(c.reason, (dir_ / "snippets").string()) + "\n";
    EXPECT_TRUE(
        wait_until([&] { return stderr_text().find(reason) != std::string::npos; }, kWaitMs))
        << stderr_text();
    EXPECT_TRUE(wait_until([&] { return title() == "• a: not saved — quillview"; }, kWaitMs))
        << title();
    if (fs::is_regular_file(snippet("a"))) {
        EXPECT_EQ(read_file(snippet("a")), before);
    }
    restore_folder();
}

INSTANTIATE_TEST_SUITE_P(
    Failures, TrustFailedSave,
    ::testing::Values(FailedSave{"ReadOnlyFile",
                                 [](const fs::path &d) {
                                     fs::permissions(d / "a.cairo", fs::perms(0444));
                                     return true;
                                 },
                                 "write '{}/a.cairo': Permission denied"},
                      FailedSave{
                          "ReadOnlyFolder",
                          [](const fs::path &d) {
                              fs::permissions(d, fs::perms(0555));
                              return true;
                          },
                          "write '{}/a.cairo': cannot create a file in '{}': Permission denied"},
                      FailedSave{"FolderInItsPlace",
                                 [](const fs::path &d) {
                                     fs::remove(d / "a.cairo");
                                     return fs::create_directory(d / "a.cairo");
                                 },
                                 "create '{}/a.cairo': Is a directory"},
                      FailedSave{"FullDisk", &full_device_over_snippet,
                                 "write '{}/a.cairo': No space left on device"}),
    [](const auto &p) { return std::string(p.param.name); });

// Quitting kills a stuck compile or drawing at once.
struct Stuck {
    const char *name;
    const char *snippet;  // %s: the FIFO's path
    const char *process;  // the stuck process (its name), once it runs
    long busy_ticks;      // and its CPU time, in clock ticks
};

class TrustStuck : public TrustFixture, public ::testing::WithParamInterface<Stuck> {};

TEST_P(TrustStuck, QuitTakesAtMostASecond)
{
    const Stuck &c = GetParam();
    start();
    const fs::path fifo = dir_ / "fifo.h";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string text = c.snippet;
    text.replace(text.find("%s"), 2, fifo.string());
    rewrite("a.cairo", text);
    ASSERT_TRUE(wait_until([&] { return busy_descendant(c.process, c.busy_ticks); }, kWaitMs))
        << title() << stderr_text();
    const long long asked = monotonic_ms();
    key(XK_q, {XK_Control_L});
    int ws = 0;
    ASSERT_TRUE(view_->wait_for_exit(kWaitMs, ws));
    EXPECT_LE(monotonic_ms() - asked, kQuitMs);
    EXPECT_TRUE(WIFEXITED(ws) && WEXITSTATUS(ws) == 0) << ws << stderr_text();
    EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));
}

INSTANTIATE_TEST_SUITE_P(
    Stuck, TrustStuck,
    ::testing::Values(Stuck{"Compile", "#include \"%s\"\ncairo_paint (cr);\n", "cc1", 0},
                      Stuck{"Drawing", "/* %s */\nfor (;;)\n    cairo_new_path (cr);\n",
                            "quillview", 30}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_F(Trust, FloodOfWarningsFreezesNothing)
{
    // The C compiler takes minutes over so many warnings: stopped after a
    // few seconds, the log it wrote so far is what is shown.
    start(false, {"QUILLVIEW_BUILD_SECONDS=4"});
    // The canvas's columns: the picture's, which fills its width.
    int x0 = 0, x1 = 0;
    ASSERT_TRUE(columns_of(0xff0000, x0, x1));
    std::string text;
    for (int i = 0; i < kWarnings; i++)
        text += "#warning a warning\n";
    rewrite("a.cairo", text + paint("0, 0, 1"));
    // Every toggle of the checkerboard is on screen within the time, while
    // the flood is compiled, listed and marked, and a few more times after.
    const long long until = monotonic_ms() + kWaitMs;
    long long slowest = 0;
    bool checker = false;
    int after = 0;
    while (monotonic_ms() < until && !HasFailure() && after < kTogglesAfter) {
        key(XK_b, {XK_Control_L});
        checker = !checker;
        const long long pressed = monotonic_ms();
        ASSERT_TRUE(wait_until([&] { return (count_colour(kCheckerGrey, x0, x1) > 0) == checker; },
                               kWaitMs));
        slowest = std::max(slowest, monotonic_ms() - pressed);
        after += title() == kStopped ? 1 : 0;
    }
    EXPECT_EQ(after, kTogglesAfter) << title();
    EXPECT_LE(slowest, kFrozenMs);
    // The picture libtcc drew, stale since the C compiler was stopped.
    EXPECT_TRUE(wait_until([&] { return count_colour(0x0000ff) == 0; }, kWaitMs));
    std::printf("slowest answer to a key during the flood: %lld ms\n", slowest);
}

}  // namespace
}  // namespace quillkit_test
