// trust_fixture.h - one quillview window under a private Xvfb for the
// trust tests: started on a folder of two snippets (a red, b green), keys
// pressed through XTest, the title and pixels read back from the server,
// and the processes it started looked up in /proc.
// gtest before Xlib, whose macros (None, Bool) would break its templates.
#ifndef QUILLKIT_TESTS_QUILLVIEW_TRUST_FIXTURE_H
#define QUILLKIT_TESTS_QUILLVIEW_TRUST_FIXTURE_H

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "files.h"
#include "process.h"
#include "scratch_dir.h"
#include "xvfb_server.h"

namespace quillkit_test {

constexpr int kWaitMs = 20000;
constexpr int kMinPixels = 500;                   // a picture on the canvas, not a stray pixel
constexpr std::uint32_t kCheckerGrey = 0xcccccc;  // the checkerboard's dark squares

// A snippet that paints the square in one colour ("r, g, b").
std::string paint(const char *rgb);

// Puts a device that is always full (as /dev/full) in place of a.cairo in
// `folder`; false where no such device can be made or written here.
bool full_device_over_snippet(const std::filesystem::path &folder);

class TrustFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts quillview in the snippets folder and waits for a's picture.
    // `without_overrides`: as root, without the capabilities that let root
    // write any file (skipped where that cannot be done).
    // `env`: more of its environment ("NAME=value").
    void start(bool without_overrides = false, const std::vector<std::string> &env = {});

    std::string title() const { return title_of(win_); }
    std::string title_of(Window w) const;
    // The viewable top-level window titled `name`, or None.
    Window find_window(const std::string &name) const;
    // How many of the main window's pixels in the columns [x0, x1) are
    // `rgb` (0xRRGGBB); x1 < 0: to the right edge.
    int count_colour(std::uint32_t rgb, int x0 = 0, int x1 = -1) const;
    // The columns [x0, x1) where the main window shows `rgb`; false if nowhere.
    bool columns_of(std::uint32_t rgb, int &x0, int &x1) const;

    // Presses and releases `sym` with `modifiers` held (Shift added when
    // the key gives `sym` only shifted).
    void key(KeySym sym, std::vector<KeySym> modifiers = {}) const;
    void click(Window w, int x, int y) const;
    // Asks window `w` to close, as a window manager does.
    void close_window(Window w) const;
    // Clicks below the editor's last line and types "//q" there.
    void type_at_end() const;

    std::filesystem::path snippet(const std::string &name) const
    {
        return dir_ / "snippets" / (name + ".cairo");
    }
    // Saves a snippet as editors do: a new file renamed over the old one.
    void rewrite(const std::string &file, const std::string &text) const;
    std::string stderr_text() const { return read_file(dir_ / "stderr.txt"); }
    // Whether a process named `name` that quillview started runs and has
    // used at least `ticks` of CPU.
    bool busy_descendant(const std::string &name, long ticks) const;
    bool compiler_running() const { return busy_descendant("cc1", 0); }
    // Makes the snippets folder writable again.
    void restore_folder() const;
    // Calls `pixel` for each of the main window's pixels (none when it is
    // not shown).
    void scan(const std::function<void(int x, int y, std::uint32_t rgb)> &pixel) const;

    XvfbServer server_;
    ScratchDir dir_;
    std::unique_ptr<ChildProcess> view_;
    Window win_ = None;
};

}  // namespace quillkit_test

#endif  // QUILLKIT_TESTS_QUILLVIEW_TRUST_FIXTURE_H
