// live_files_test.cpp - where quillview starts and how its list follows
// the folder, under a private Xvfb through XTest: a folder without snippets
// opens a window that offers to make one, and Ctrl+N makes it from the
// template; a snippet named that does not exist opens as the template and
// is made by Ctrl+S; files made, renamed and deleted in the folder come and
// go in the list, and one with unsaved text stays, marked, until saved.
#include <filesystem>
#include <functional>
#include <string>

#include "live_fixture.h"
#include "snippet_template.h"

namespace quillkit_test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kTemplateBlue = 0x3366cc;  // the template's disc: 0.2, 0.4, 0.8
constexpr std::uint32_t kRed = 0xff0000, kBlue = 0x0000ff;
constexpr int kRetryMs = 200;

std::string paint(const char *rgb)
{
    return std::string("cairo_set_source_rgb (cr, ") + rgb + ");\ncairo_paint (cr);\n";
}

class LiveFiles : public LiveFixture {
protected:
    bool shows(std::uint32_t rgb) const
    {
        return wait_until([&] { return grab().count(rgb) > kMinPixels; }, kWaitMs);
    }
};

TEST_F(LiveFiles, AFolderWithoutSnippetsOpensAWindowWhereCtrlNMakesOne)
{
    // As the desktop's menu starts it (in the home folder), and on a folder.
    const struct {
        const char *what;
        std::vector<std::string> args;
        const char *cwd;
    } starts[] = {
        {"no operands", {}, "snippets"},
        {"the folder", {(dir_ / "snippets").string()}, "."},
    };
    for (const auto &s : starts) {
        SCOPED_TRACE(s.what);
        fs::remove_all(dir_ / "snippets");
        fs::create_directories(dir_ / "snippets");
        start(s.args, dir_ / s.cwd, "quillview");
        EXPECT_TRUE(view_->running());
        key(XK_n, {XK_Control_L});
        // The file chooser, in the window's folder, its name entry focused.
        ASSERT_TRUE(wait_until([&] { return focused(find_window("New snippet")); }, kWaitMs))
            << stderr_text();
        key(XK_a, {XK_Control_L});
        type("made");
        key(XK_Return);
        EXPECT_TRUE(wait_for_title("made — quillview")) << title() << stderr_text();
        EXPECT_EQ(read_file(dir_ / "snippets/made.cairo"), quillview::kSnippetTemplate);
        EXPECT_TRUE(shows(kTemplateBlue)) << stderr_text();
        stop();
    }
}

TEST_F(LiveFiles, ASnippetThatDoesNotExistOpensAsTheTemplateAndCtrlSMakesIt)
{
    const fs::path file = dir_ / "snippets/new.cairo";
    start({"new.cairo"}, dir_ / "snippets", "• new — quillview");
    EXPECT_TRUE(shows(kTemplateBlue)) << stderr_text();
    EXPECT_FALSE(fs::exists(file));
    key(XK_s, {XK_Control_L});
    EXPECT_TRUE(
        wait_until([&] { return read_file(file) == quillview::kSnippetTemplate; }, kWaitMs));
    EXPECT_TRUE(wait_for_title("new — quillview")) << title();
}

TEST_F(LiveFiles, FilesMadeRenamedAndDeletedComeAndGoAndUnsavedTextStays)
{
    const fs::path folder = dir_ / "snippets";
    dir_.write("snippets/a.cairo", paint("1, 0, 0"));
    start({}, folder, "a — quillview");
    ASSERT_TRUE(shows(kRed));
    const Image image = grab();
    // Selects the next snippet until `name`'s is shown: it is the last.
    const auto select_last = [&](const std::string &name) {
        return wait_until(
            [&] {
                key(XK_Down, {XK_Alt_L});
                return title() == name + " — quillview";
            },
            kWaitMs, kRetryMs);
    };
    const struct {
        const char *what;
        std::function<void()> act;
        std::function<bool()> then;
    } steps[] = {
        {"a new file joins the list",
         [&] { ASSERT_TRUE(write_file(folder / "c.cairo", paint("0, 0, 1"))); },
         [&] { return select_last("c") && shows(kBlue); }},
        {"renamed, it follows", [&] { fs::rename(folder / "c.cairo", folder / "d.cairo"); },
         [&] { return wait_for_title("d — quillview"); }},
        {"deleted, it leaves", [&] { fs::remove(folder / "d.cairo"); },
         [&] { return wait_for_title("a — quillview") && shows(kRed); }},
        {"deleted with unsaved text, it stays, marked",
         [&] {
             click(image.width - image.width / 8, image.height / 2);  // below the text
             type("//x");
             ASSERT_TRUE(wait_for_title("• a — quillview"));
             fs::remove(folder / "a.cairo");
         },
         [&] { return wait_for_title("• a: deleted on disk — quillview"); }},
        {"saved, it is on disk again", [&] { key(XK_s, {XK_Control_L}); },
         [&] {
             return wait_for_title("a — quillview") &&
                    read_file(folder / "a.cairo") == paint("1, 0, 0") + "//x";
         }},
    };
    for (const auto &s : steps) {
        s.act();
        EXPECT_TRUE(s.then()) << s.what << "; " << title() << stderr_text();
    }
}

}  // namespace
}  // namespace quillkit_test
