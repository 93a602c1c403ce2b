// live_test.cpp - quillview's live window under a private Xvfb, driven
// through XTest and read back from the X server: an animation plays by
// itself and its keys pause and rewind it (never while typing); Ctrl+drag
// on a number changes it and the picture while the drag goes on, unsaved;
// Ctrl+wheel zooms around the pointer, drags move the picture, Ctrl+0 fits
// it again, and a line marks its unit square.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "live_fixture.h"

namespace quillkit_test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kRed = 0xff0000, kBlue = 0x0000ff;
constexpr int kStillMs = 1300;  // more than one second, the animation's period
constexpr int kPlayMs = 4000;   // for both halves of the period to show

// Red for the first half of each second, blue for the second.
constexpr const char *kBlinking = "double t = fmod (snippet_time (), 1);\n"
                                  "cairo_set_source_rgb (cr, t < 0.5, 0, t >= 0.5);\n"
                                  "cairo_paint (cr);\n";

// Grey of the one number in the text (the number starts a line).
constexpr const char *kGrey = "double level =\n"
                              "0.50;\n"
                              "cairo_set_source_rgb (cr, level, level, level);\n"
                              "cairo_paint (cr);\n";

// The left half red, the right half blue.
constexpr const char *kHalves = "cairo_set_source_rgb (cr, 1, 0, 0);\n"
                                "cairo_rectangle (cr, 0, 0, 0.5, 1);\n"
                                "cairo_fill (cr);\n"
                                "cairo_set_source_rgb (cr, 0, 0, 1);\n"
                                "cairo_rectangle (cr, 0.5, 0, 0.5, 1);\n"
                                "cairo_fill (cr);\n";

class Live : public LiveFixture {
protected:
    // Which of red and blue fills the picture now (0: neither yet).
    std::uint32_t shown() const
    {
        const Image image = grab();
        return image.count(kRed) > kMinPixels ? kRed : image.count(kBlue) > kMinPixels ? kBlue : 0;
    }
    // Both colours show, one after the other, within the deadline.
    bool plays() const
    {
        bool red = false, blue = false;
        return wait_until(
            [&] {
                const std::uint32_t now = shown();
                red = red || now == kRed;
                blue = blue || now == kBlue;
                return red && blue;
            },
            kPlayMs);
    }
    // One colour stays for longer than the period.
    bool still(std::uint32_t colour = 0) const
    {
        const std::uint32_t first = shown();
        const long long end = monotonic_ms() + kStillMs;
        bool same = first != 0 && (colour == 0 || first == colour);
        while (same && monotonic_ms() < end)
            same = shown() == first;
        return same;
    }
    // The middle of the canvas: left of the editor, right of the list.
    void canvas_middle(int &x, int &y) const
    {
        const Box picture = grab().box([](std::uint32_t p) { return p == kRed || p == kBlue; });
        x = (picture.x0 + picture.x1) / 2;
        y = (picture.y0 + picture.y1) / 2;
    }
};

TEST_F(Live, AnAnimationPlaysAndItsKeysPauseAndRewindItButNotWhileTyping)
{
    dir_.write("snippets/blink.cairo", kBlinking);
    start({}, dir_ / "snippets", "blink — quillview");
    const Image image = grab();
    struct Step {
        const char *what;
        std::function<void()> act;
        std::function<bool()> then;
    };
    const Step steps[] = {
        {"plays by itself", [] {}, [&] { return plays(); }},
        {"Ctrl+Space pauses", [&] { key(XK_space, {XK_Control_L}); }, [&] { return still(); }},
        {"Ctrl+Space plays", [&] { key(XK_space, {XK_Control_L}); }, [&] { return plays(); }},
        {"a click on the canvas and Space pause",
         [&] {
             int x = 0, y = 0;
             canvas_middle(x, y);
             click(x, y);
             key(XK_space);
         },
         [&] { return still(); }},
        {"Home goes back to 0 s, red", [&] { key(XK_Home); }, [&] { return still(kRed); }},
        {"Space plays", [&] { key(XK_space); }, [&] { return plays(); }},
        {"Space in the editor is typed, and it plays on",
         [&] {
             click(image.width - image.width / 8, image.height / 2);  // below the text
             key(XK_space);
         },
         [&] { return plays() && title().find("•") != std::string::npos; }},
    };
    for (const Step &s : steps) {
        s.act();
        EXPECT_TRUE(s.then()) << s.what << "; " << title() << stderr_text();
    }
}

TEST_F(Live, CtrlDragOnANumberChangesItAndThePictureWhileDragging)
{
    const fs::path file = dir_ / "snippets/grey.cairo";
    dir_.write("snippets/grey.cairo", kGrey);
    start({}, dir_ / "snippets", "grey — quillview");
    const auto grey = [](double level) {
        const auto v = static_cast<std::uint32_t>(std::lround(level * 255));
        return v << 16 | v << 8 | v;
    };
    constexpr int kPicturePixels = 100 * 100;  // the canvas shows at least that
    int px = 0, py = 0;
    ASSERT_TRUE(
        wait_until([&] { return grab().middle(grey(0.5), kPicturePixels, px, py); }, kWaitMs));
    const auto near = [](std::uint32_t a, std::uint32_t b) {
        return std::abs(static_cast<int>(a & 255) - static_cast<int>(b & 255)) <= 1 &&
               (a & 255) == (a >> 16) && (b & 255) == (b >> 16);
    };
    // One after the other: a step is 8 pixels sideways; Shift, ten steps.
    // Without Ctrl a drag selects, and changes nothing.
    const struct {
        int dx;
        bool ctrl, shift;
        double level;
    } drags[] = {
        {28, true, false, 0.53},  {-20, true, false, 0.51}, {12, true, true, 0.61},
        {28, false, false, 0.61}, {8, true, false, 0.62},
    };
    for (const auto &d : drags) {
        int nx = 0, ny = 0;
        ASSERT_TRUE(wait_until([&] { return find_number(nx, ny); }, kWaitMs)) << d.level;
        for (KeySym held : {XK_Control_L, XK_Shift_L})
            if (held == XK_Control_L ? d.ctrl : d.shift)
                hold(held, true);
        move(nx, ny);
        button(1, true);
        for (int x = 4; x <= std::abs(d.dx); x += 4)
            move(nx + (d.dx > 0 ? x : -x), ny);
        // The picture follows before the button is let go.
        EXPECT_TRUE(wait_until([&] { return near(grab().at(px, py), grey(d.level)); }, kWaitMs))
            << d.level << std::hex << " " << grab().at(px, py) << stderr_text();
        button(1, false);
        hold(XK_Shift_L, false);
        hold(XK_Control_L, false);
        click(nx, py + py / 2);  // below the text: nothing selected
        // Changed in the editor, not on disk.
        EXPECT_EQ(read_file(file), kGrey);
        EXPECT_NE(title().find("•"), std::string::npos) << title();
    }
    key(XK_s, {XK_Control_L});
    EXPECT_TRUE(
        wait_until([&] { return read_file(file).find("\n0.62;\n") != std::string::npos; }, kWaitMs))
        << read_file(file);
}

TEST_F(Live, CtrlWheelZoomsAroundThePointerDragsMoveThePictureAndCtrl0FitsIt)
{
    constexpr int kSide = 100;
    constexpr double kNotch = 1.1;                // a wheel's notch of zoom
    constexpr std::uint32_t kOutline = 0x8c8c8c;  // the unit square's line
    dir_.write("snippets/halves.cairo", kHalves);
    start({"--size=" + std::to_string(kSide)}, dir_ / "snippets", "halves — quillview");
    const auto picture = [&] {
        return grab().box([](std::uint32_t p) { return p == kRed || p == kBlue; });
    };
    Box first;
    ASSERT_TRUE(wait_until([&] { return (first = picture()).width() == kSide; }, kWaitMs));
    // A one-pixel line all around it.
    const Image image = grab();
    int ring = 0;
    for (int i = -1; i <= kSide; i++)
        for (const auto &[x, y] : {std::pair{first.x0 + i, first.y0 - 1},
                                   {first.x0 + i, first.y1 + 1},
                                   {first.x0 - 1, first.y0 + i},
                                   {first.x1 + 1, first.y0 + i}})
            ring += image.at(x, y) == kOutline ? 1 : 0;
    EXPECT_EQ(ring, 4 * (kSide + 2)) << "the outline";

    // Each step from where the last one left the picture: its side and the
    // point of it that stays under the pointer, or where it moves.
    const int border = first.x0 + kSide / 2, height = first.y0 + kSide / 4;
    const auto wheel = [&](unsigned button, int notches) {
        move(border, height);
        hold(XK_Control_L, true);
        for (int i = 0; i < notches; i++) {
            this->button(button, true);
            this->button(button, false);
        }
        hold(XK_Control_L, false);
    };
    const struct {
        const char *what;
        std::function<void()> act;
        int side, dx, dy;  // dx, dy: the move, when the side stays
    } steps[] = {
        {"Ctrl+wheel up", [&] { wheel(4, 1); }, static_cast<int>(std::lround(kSide * kNotch)), 0,
         0},
        {"Ctrl+wheel down twice", [&] { wheel(5, 2); },
         static_cast<int>(std::lround(kSide / kNotch)), 0, 0},
        {"a drag with the middle button", [&] { drag(2, border, height, 30, 20); }, 0, 30, 20},
        {"a drag with Shift and the first button",
         [&] {
             hold(XK_Shift_L, true);
             drag(1, border, height, -25, 10);
             hold(XK_Shift_L, false);
         },
         0, -25, 10},
    };
    Box last = first;
    for (const auto &s : steps) {
        s.act();
        const int side = s.side > 0 ? s.side : last.width();
        Box want = last;
        if (s.side > 0) {  // zoomed: the point under the pointer stays
            const double scale = static_cast<double>(side) / last.width();
            want.x0 = static_cast<int>(std::lround(border - (border - last.x0) * scale));
            want.y0 = static_cast<int>(std::lround(height - (height - last.y0) * scale));
        } else {
            want.x0 += s.dx;
            want.y0 += s.dy;
        }
        Box now;
        EXPECT_TRUE(wait_until(
            [&] {
                now = picture();
                return now.width() == side && std::abs(now.x0 - want.x0) <= 1 &&
                       std::abs(now.y0 - want.y0) <= 1;
            },
            kWaitMs))
            << s.what << ": " << now.x0 << "," << now.y0 << " side " << now.width() << ", not "
            << want.x0 << "," << want.y0 << " side " << side;
        last = now;
    }
    key(XK_0, {XK_Control_L});
    EXPECT_TRUE(wait_until(
        [&] {
            const Box now = picture();
            return now.x0 == first.x0 && now.y0 == first.y0 && now.width() == kSide;
        },
        kWaitMs))
        << "Ctrl+0";
}

}  // namespace
}  // namespace quillkit_test
