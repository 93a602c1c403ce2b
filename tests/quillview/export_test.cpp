// export_test.cpp - quillview without a display: the command line, --list,
// and --export on a table of snippets (good ones, one that does not compile,
// one that crashes, loops, leaves cairo in an error state, one with HTML in
// a comment, PNG and SVG backgrounds), and the gallery page in Chromium.
#include <cairo.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files.h"
#include "image.h"
#include "process.h"
#include "quillkit_version.h"
#include "scratch_dir.h"

namespace quillkit_test {
namespace {

namespace fs = std::filesystem;

constexpr int kExportTimeoutMs = 60000;
constexpr int kSize = 64;

RunResult quillview(const std::vector<std::string> &args, const fs::path &cwd = {},
                    const std::vector<std::string> &env = {})
{
    std::vector<std::string> argv = {QUILLVIEW_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildOptions options;
    options.cwd = cwd;
    options.env = env;
    return run_program(argv, options, kExportTimeoutMs);
}

// How many times `needle` occurs in `text`.
int count(const std::string &text, const std::string &needle)
{
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + needle.size()))
        n++;
    return n;
}

struct CommandCase {
    std::vector<std::string> args;
    int status;
    std::string out;  // expected in standard output
    std::string err;  // expected in standard error; with status 2 its only line
};

TEST(QuillviewCommandLine, StatusesAndMessages)
{
    ScratchDir dir;
    dir.write("b.cairo", "cairo_paint (cr);\n");
    dir.write("a.cairo", "cairo_paint (cr);\n");
    dir.write("notes.txt", "not a snippet\n");
    const std::vector<CommandCase> cases = {
        {{"--help"}, 0, "Usage: quillview", ""},
        {{"--version"}, 0, "quillview " QUILLKIT_VERSION "\n", ""},
        {{"--list"}, 0, "a\nb\n", ""},
        {{"--list", "b.cairo", "."}, 0, "b\na\nb\n", ""},
        {{"--bogus"}, 2, "", "quillview: unknown option '--bogus'"},
        {{"--export"}, 2, "", "needs a folder"},
        {{"--export=out", "--size=0"}, 2, "", "invalid --size '0'"},
        {{"--export=out", "--size=12x"}, 2, "", "invalid --size '12x'"},
        {{"--export=out", "--format=png,gif"}, 2, "", "invalid --format 'png,gif'"},
        {{"--list", "missing.cairo"}, 2, "", "cannot open 'missing.cairo'"},
        {{"--list", "notes.txt"}, 2, "", "neither a snippet"},
        {{"--list", "out"}, 2, "", "cannot open 'out'"},
    };
    for (const CommandCase &c : cases) {
        std::string line;
        for (const std::string &a : c.args)
            line += a + " ";
        SCOPED_TRACE(line);
        const RunResult r = quillview(c.args, dir.path());
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        if (c.status == 2) {
            const std::string kTry = "\nTry 'quillview --help'.\n";
            EXPECT_EQ(count(r.err, "\n"), 2) << r.err;
            EXPECT_EQ(r.err.rfind(kTry), r.err.size() - kTry.size()) << r.err;
        }
    }
    EXPECT_FALSE(fs::exists(dir / "out"));  // a bad command line writes nothing

    // The window needs a display; saying so is all it can do without one.
    const RunResult r = quillview({"."}, dir.path(), {"DISPLAY=", "WAYLAND_DISPLAY="});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot open a display"), std::string::npos) << r.err;
}

// A snippet of the export table: its text, and what the export must say.
struct SnippetCase {
    std::string name;
    std::string text;
    std::string failure;  // expected on stderr after "quillview: <name>: "; empty: it draws
};

const std::vector<SnippetCase> &snippet_table()
{
    static const std::vector<SnippetCase> table = {
        {"good",
         "cairo_set_source_rgb (cr, 0, 0, 1);\ncairo_rectangle (cr, 0.25, 0.25, 0.5, 0.5);\n"
         "cairo_fill (cr);\n",
         ""},
        {"syntax", "cairo_set_source_rgb (cr, 0, 0, 1);\ncairo_paint (cr)\ncairo_fill (cr);\n",
         "does not compile: syntax.cairo:3:"},  // line 2 of the text, after the #include
        {"crash", "raise (SIGSEGV);\n", "the snippet crashed"},
        {"abort", "abort ();\n", "the snippet crashed"},
        {"loop", "for (;;) {\n}\n", "the snippet ran for more than 2 s"},
        {"cairo_error", "cairo_restore (cr);\n", "the snippet left cairo in an error state"},
        {"script",
         "/* </pre><script>document.title = 'unescaped';</script> */\n"
         "cairo_set_source_rgb (cr, 0, 1, 0);\ncairo_paint (cr);\n",
         ""},
        {"png_bg", "snippet_set_bg_png (cr, \"landscape.png\");\n", ""},
        {"svg_bg", "snippet_set_bg_svg (cr, \"tiles.svg\");\n", ""},
    };
    return table;
}

Argb png_pixel(const fs::path &png, double x, double y)
{
    SurfacePtr surface(cairo_image_surface_create_from_png(png.c_str()));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS ||
        cairo_image_surface_get_width(surface.get()) != kSize)
        return Argb{-1, -1, -1, -1};
    return argb_under(surface.get(), x * kSize, y * kSize);
}

TEST(QuillviewExport, TableOfSnippets)
{
    ScratchDir dir;
    for (const SnippetCase &c : snippet_table())
        dir.write("snippets/" + c.name + ".cairo", "#include <signal.h>\n" + c.text);
    // Every snippet starts with the same #include, which the crash needs.
    fs::copy_file(fs::path(SNIPPET_ASSETS) / "landscape.png", dir / "snippets/landscape.png");
    fs::copy_file(fs::path(SNIPPET_ASSETS) / "tiles.svg", dir / "snippets/tiles.svg");

    const RunResult r = quillview({"--export=" + (dir / "out").string(),
                                   "--size=" + std::to_string(kSize), (dir / "snippets").string()});
    EXPECT_EQ(r.status, 1) << r.err;
    const std::string html = read_file(dir / "out/index.html");
    EXPECT_EQ(count(html, "<figure"), static_cast<int>(snippet_table().size()));
    for (const SnippetCase &c : snippet_table()) {
        SCOPED_TRACE(c.name);
        const bool draws = c.failure.empty();
        if (!draws)
            EXPECT_NE(r.err.find("quillview: " + c.name + ": " + c.failure), std::string::npos)
                << r.err;
        else
            EXPECT_EQ(r.err.find("quillview: " + c.name + ":"), std::string::npos) << r.err;
        for (const char *ext : {".png", ".svg", ".pdf"})
            EXPECT_EQ(fs::exists(dir / "out" / (c.name + ext)), draws) << ext;
        EXPECT_NE(html.find("<h2>" + c.name + "</h2>"), std::string::npos);
    }
    // The pictures: the unit square scaled to the size, on transparency.
    const fs::path out = dir / "out";
    EXPECT_EQ(png_pixel(out / "good.png", 0.5, 0.5), (Argb{255, 0, 0, 255}));
    EXPECT_EQ(png_pixel(out / "good.png", 0.1, 0.1), (Argb{0, 0, 0, 0}));
    EXPECT_EQ(png_pixel(out / "script.png", 0.1, 0.1), (Argb{255, 0, 255, 0}));
    const Argb sky = png_pixel(out / "png_bg.png", 0.1, 0.1);
    const Argb grass = png_pixel(out / "png_bg.png", 0.1, 0.9);
    EXPECT_TRUE(sky.a == 255 && sky.b > sky.r && sky.b > sky.g) << sky;
    EXPECT_TRUE(grass.a == 255 && grass.g > grass.r && grass.g > grass.b) << grass;
#ifdef QUILLKIT_HAVE_RSVG
    EXPECT_EQ(png_pixel(out / "svg_bg.png", 0.02, 0.02).a, 255);
#endif
    EXPECT_NE(read_file(out / "good.svg").find("<svg"), std::string::npos);
    EXPECT_EQ(read_file(out / "good.pdf").rfind("%PDF-", 0), 0u);
    // The source text is on the page as text, never as markup.
    EXPECT_EQ(html.find("</pre><script>"), std::string::npos);
    EXPECT_NE(html.find("/* &lt;/pre&gt;&lt;script&gt;document.title"), std::string::npos);
    // No temporary file is left behind.
    for (const auto &entry : fs::directory_iterator(out))
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
}

TEST(QuillviewExport, FormatsAndGalleryInChromium)
{
    if (std::string(CHROMIUM_PATH).empty())
        GTEST_SKIP() << "chromium not installed (Debian package chromium): the gallery page is not "
                        "opened in a browser";
    ScratchDir dir;
    const std::vector<std::string> names = {"alpha", "beta & <gamma>"};
    dir.write("alpha.cairo", "/* </pre><script>document.title = 'unescaped';</script> */\n"
                             "cairo_paint (cr);\n");
    dir.write("beta & <gamma>.cairo", "cairo_arc (cr, 0.5, 0.5, 0.25, 0, 2 * M_PI);\n"
                                      "cairo_fill (cr);\n");
    const RunResult r =
        quillview({"--export=out", "--format=png,html", "--size=32", "."}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir / "out/alpha.png"));
    EXPECT_FALSE(fs::exists(dir / "out/alpha.svg"));
    EXPECT_FALSE(fs::exists(dir / "out/alpha.pdf"));

    ChildOptions options;
    options.env = {"HOME=" + dir.path().string(), "XDG_CONFIG_HOME=" + (dir / "config").string(),
                   "XDG_CACHE_HOME=" + (dir / "cache").string()};
    const RunResult page =
        run_program({CHROMIUM_PATH, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                     "--user-data-dir=" + (dir / "chromium").string(), "--dump-dom",
                     "file://" + (dir / "out/index.html").string()},
                    options, kExportTimeoutMs);
    ASSERT_EQ(page.status, 0) << page.err;
    // One figure each, with its picture; the page's title is its own, and the
    // only script is none at all.
    EXPECT_EQ(count(page.out, "<figure"), 2) << page.out;
    EXPECT_EQ(count(page.out, "<img src=\"alpha.png\""), 1) << page.out;
    EXPECT_EQ(count(page.out, "<img src=\"beta%20%26%20%3Cgamma%3E.png\""), 1) << page.out;
    EXPECT_EQ(count(page.out, "<script"), 0) << page.out;
    EXPECT_NE(page.out.find("<title>Snippets</title>"), std::string::npos) << page.out;
    EXPECT_NE(page.out.find("&lt;/pre&gt;&lt;script&gt;document.title"), std::string::npos);
    EXPECT_NE(page.out.find("<h2>beta &amp; &lt;gamma&gt;</h2>"), std::string::npos);
}

}  // namespace
}  // namespace quillkit_test
