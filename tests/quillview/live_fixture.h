// live_fixture.h - one quillview window under a private Xvfb for the live
// tests: started with the test's operands in a folder of its own, the
// keyboard and the mouse driven through XTest as a user's, the title and
// pixels read back from the X server.
// gtest before Xlib, whose macros (None, Bool) would break its templates.
#ifndef QUILLKIT_TESTS_QUILLVIEW_LIVE_FIXTURE_H
#define QUILLKIT_TESTS_QUILLVIEW_LIVE_FIXTURE_H

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

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
constexpr int kMinPixels = 300;  // a picture on the canvas, not a stray pixel

// The columns and rows of a window's pixels of some colour.
struct Box {
    int x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // inclusive; empty when x1 < x0

    bool empty() const { return x1 < x0; }
    int width() const { return x1 - x0 + 1; }
    int height() const { return y1 - y0 + 1; }
};

// A window's pixels as the server has them, 0xRRGGBB.
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    int count(std::uint32_t rgb) const;
    // Where the pixels that pass `test` are.
    Box box(const std::function<bool(std::uint32_t rgb)> &test) const;
    // The mean place of the pixels of colour `rgb` (a picture's middle, some
    // text of that colour aside), when there are more than `least`.
    bool middle(std::uint32_t rgb, int least, int &x, int &y) const;
};

class LiveFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override { stop(); }

    // Ends quillview (SIGTERM, as at logout): it exits with status 0 and
    // takes its private folder with it.
    void stop();

    // Starts quillview with `args` in `cwd` and waits for its window
    // titled `title`.
    void start(const std::vector<std::string> &args, const std::filesystem::path &cwd,
               const std::string &title);

    std::string title() const { return title_of(win_); }
    std::string title_of(Window w) const;
    // The viewable top-level window titled `title`, or None.
    Window find_window(const std::string &title) const;
    bool wait_for_title(const std::string &title) const;
    // Whether the keyboard's focus is in window `w`.
    bool focused(Window w) const;
    Image grab() const;
    // The middle of the editor's only number: the pixels in the colour the
    // editor gives numbers (magenta in its default scheme); false when there
    // is no such span on one line.
    bool find_number(int &x, int &y) const;

    // Presses and releases `sym` with `modifiers` held (and Shift when the
    // key gives `sym` only shifted).
    void key(KeySym sym, std::vector<KeySym> modifiers = {}) const;
    void hold(KeySym modifier, bool down) const;
    // Types letters, digits, '.', '/' and spaces.
    void type(const std::string &text) const;
    // The pointer to (x, y) of the window.
    void move(int x, int y) const;
    void button(unsigned button, bool down) const;
    void click(int x, int y) const;
    // Drags with `button` held from (x, y) by (dx, dy), a few pixels a move.
    void drag(unsigned button, int x, int y, int dx, int dy) const;

    std::string stderr_text() const { return read_file(dir_ / "stderr.txt"); }

    XvfbServer server_;
    ScratchDir dir_;
    std::unique_ptr<ChildProcess> view_;
    Window win_ = None;
};

}  // namespace quillkit_test

#endif  // QUILLKIT_TESTS_QUILLVIEW_LIVE_FIXTURE_H
