// The snippet runtime (quillkit::snippets): cairo's early calls,
// read_png_argb32 and svg-cairo, and the background painters of a generated
// module linked with it, checked on image surfaces.
#include "snippets.h"

#include "files.h"
#include "image.h"
#include "path_copy.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using quillkit_test::Canvas;
using quillkit_test::ScratchDir;
using quillkit_test::word_at;

const std::string kAssets = SNIPPET_ASSETS;

// Colours of the sample background files, as their sources describe them.
constexpr std::uint32_t kSky = 0xff9acdf0, kGrass = 0xff5da34a, kSun = 0xffffd54a;
constexpr std::uint32_t kCream = 0xfff4e3c1, kTan = 0xffc9a66b, kRing = 0xff3b80ae;
constexpr std::uint32_t kRed = 0xffff0000;

struct FreeDeleter {
    void operator()(char *p) const { std::free(p); }
};

// A buffer from read_png_argb32 and its size.
struct PngPixels {
    int width = -1, height = -1, stride = -1;  // set by the read below: declared first
    std::unique_ptr<char, FreeDeleter> buffer;

    explicit PngPixels(const std::string &file)
        : buffer(read_png_argb32(file.c_str(), &width, &height, &stride))
    {
    }
    // The word of pixel (x, y), read through a surface on the buffer.
    std::uint32_t at(int x, int y) const
    {
        quillkit_test::SurfacePtr view(
            cairo_image_surface_create_for_data(reinterpret_cast<unsigned char *>(buffer.get()),
                                                CAIRO_FORMAT_ARGB32, width, height, stride));
        return word_at(view.get(), x, y);
    }
};

TEST(ReadPngArgb32, ReadsAnOpaquePngAsArgb32)
{
    const PngPixels png(kAssets + "/landscape.png");
    ASSERT_NE(png.buffer, nullptr);
    EXPECT_EQ(png.width, 64);
    EXPECT_EQ(png.height, 64);
    EXPECT_EQ(png.stride, 64 * 4);
    struct Probe {
        int x, y;
        std::uint32_t want;
    };
    for (const Probe &p : {Probe{0, 0, kSky}, Probe{63, 39, kSky}, Probe{0, 40, kGrass},
                           Probe{63, 63, kGrass}, Probe{48, 14, kSun}})
        EXPECT_EQ(png.at(p.x, p.y), p.want) << p.x << "," << p.y;
}

TEST(ReadPngArgb32, KeepsAlphaPremultiplied)
{
    // Three pixels, premultiplied: half-transparent red, clear, opaque green.
    const std::uint32_t want[3] = {0x80800000, 0x00000000, 0xff00ff00};
    ScratchDir dir;
    const std::string path = (dir / "alpha.png").string();
    {
        quillkit_test::SurfacePtr s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 3, 1));
        cairo_surface_flush(s.get());
        auto *row = reinterpret_cast<std::uint32_t *>(cairo_image_surface_get_data(s.get()));
        for (int i = 0; i < 3; i++)
            row[i] = want[i];
        cairo_surface_mark_dirty(s.get());
        ASSERT_EQ(cairo_surface_write_to_png(s.get(), path.c_str()), CAIRO_STATUS_SUCCESS);
    }
    const PngPixels png(path);
    ASSERT_NE(png.buffer, nullptr);
    ASSERT_EQ(png.width, 3);
    ASSERT_EQ(png.height, 1);
    EXPECT_EQ(png.stride, cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, 3));
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(png.at(i, 0), want[i]) << "pixel " << i;
}

TEST(ReadPngArgb32, UnreadableFilesGiveOneClearPixelAndAMessage)
{
    ScratchDir dir;
    const std::string png = quillkit_test::read_file(kAssets + "/landscape.png");
    dir.write("text.png", "this is not a picture\n");
    dir.write("empty.png", "");
    dir.write("cut.png", png.substr(0, 40));
    for (const std::string file : {"no_such.png", "text.png", "empty.png", "cut.png", ""}) {
        const std::string path = (dir / file).string();  // "": the directory itself
        SCOPED_TRACE(path);
        testing::internal::CaptureStderr();
        const PngPixels read(path);
        const std::string err = testing::internal::GetCapturedStderr();
        ASSERT_NE(read.buffer, nullptr);
        EXPECT_EQ(read.width, 1);
        EXPECT_EQ(read.height, 1);
        EXPECT_EQ(read.stride, 4);
        EXPECT_EQ(read.at(0, 0), 0u);
        EXPECT_NE(err.find("read_png_argb32: cannot read '" + path + "'"), std::string::npos)
            << err;
    }
}

TEST(CairoShowSurface, PaintsScaledAtTheCurrentPointAndKeepsThePath)
{
    std::vector<std::uint32_t> pixels(2 * 2, kRed);
    quillkit_test::SurfacePtr src(cairo_surface_create_for_image(
        reinterpret_cast<char *>(pixels.data()), CAIRO_FORMAT_ARGB32, 2, 2, 8));
    ASSERT_EQ(cairo_surface_status(src.get()), CAIRO_STATUS_SUCCESS);

    const Canvas img(10, 10, false);
    cairo_move_to(img.cr(), 2, 3);
    const auto before = quillkit_test::copy_path(img.cr());
    cairo_show_surface(img.cr(), src.get(), 4, 4);

    EXPECT_EQ(cairo_status(img.cr()), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(quillkit_test::copy_path(img.cr()), before);
    // Covers x 2..5, y 3..6 exactly, edges included, nothing beyond.
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 10; x++) {
            const bool inside = x >= 2 && x < 6 && y >= 3 && y < 7;
            EXPECT_EQ(word_at(img.surface(), x, y), inside ? kRed : 0u) << x << "," << y;
        }
}

TEST(CairoShowSurface, WithoutACurrentPointStartsAtTheOrigin)
{
    std::uint32_t pixel = kRed;
    quillkit_test::SurfacePtr src(cairo_surface_create_for_image(reinterpret_cast<char *>(&pixel),
                                                                 CAIRO_FORMAT_ARGB32, 1, 1, 4));
    const Canvas img(4, 4, false);
    cairo_show_surface(img.cr(), src.get(), 2, 2);
    EXPECT_EQ(word_at(img.surface(), 0, 0), kRed);
    EXPECT_EQ(word_at(img.surface(), 1, 1), kRed);
    EXPECT_EQ(word_at(img.surface(), 2, 2), 0u);
    EXPECT_FALSE(cairo_has_current_point(img.cr()));
}

TEST(CairoShowSurface, SkipsWhatWouldBreakTheContext)
{
    std::uint32_t pixel = kRed;
    struct Case {
        const char *what;
        int stride, w, h;
    };
    for (const Case &c : {Case{"zero width", 4, 0, 1}, Case{"zero height", 4, 1, 0},
                          Case{"negative size", 4, -1, -1},
                          Case{"bad stride", 3, 1, 1}}) {  // cairo refuses it: an error surface
        SCOPED_TRACE(c.what);
        quillkit_test::SurfacePtr src(cairo_surface_create_for_image(
            reinterpret_cast<char *>(&pixel), CAIRO_FORMAT_ARGB32, 1, 1, c.stride));
        const Canvas img(2, 2, false);
        cairo_move_to(img.cr(), 0, 0);
        cairo_show_surface(img.cr(), src.get(), c.w, c.h);
        EXPECT_EQ(cairo_status(img.cr()), CAIRO_STATUS_SUCCESS);
        EXPECT_EQ(word_at(img.surface(), 0, 0), 0u);
    }
}

TEST(SnippetSetBgPng, FillsTheUnitSquare)
{
    const Canvas img(64, 64, false);
    cairo_scale(img.cr(), 64, 64);
    snippet_set_bg_png(img.cr(), (kAssets + "/landscape.png").c_str());
    EXPECT_EQ(cairo_status(img.cr()), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(word_at(img.surface(), 0, 0), kSky);
    EXPECT_EQ(word_at(img.surface(), 63, 39), kSky);
    EXPECT_EQ(word_at(img.surface(), 0, 40), kGrass);
    EXPECT_EQ(word_at(img.surface(), 63, 63), kGrass);
    EXPECT_EQ(word_at(img.surface(), 48, 14), kSun);
    cairo_matrix_t m;
    cairo_get_matrix(img.cr(), &m);
    EXPECT_EQ(m.xx, 64);
    EXPECT_EQ(m.yy, 64);
}

TEST(SnippetSetBgPng, AMissingFileLeavesTheContextUsable)
{
    const Canvas img(8, 8, false);
    cairo_scale(img.cr(), 8, 8);
    testing::internal::CaptureStderr();
    snippet_set_bg_png(img.cr(), "no-such-background.png");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("no-such-background.png"), std::string::npos) << err;
    EXPECT_EQ(cairo_status(img.cr()), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(word_at(img.surface(), 4, 4), 0u);
    cairo_paint(img.cr());  // still draws
    EXPECT_EQ(word_at(img.surface(), 4, 4), 0xff000000u);
}

#ifdef QUILLKIT_HAVE_RSVG

// An svg-cairo object that is destroyed with the test.
struct SvgDeleter {
    void operator()(svg_cairo_t *svgc) const { svg_cairo_destroy(svgc); }
};
using SvgPtr = std::unique_ptr<svg_cairo_t, SvgDeleter>;

SvgPtr make_svg()
{
    svg_cairo_t *svgc = nullptr;
    EXPECT_EQ(svg_cairo_create(&svgc), SVG_CAIRO_STATUS_SUCCESS);
    return SvgPtr(svgc);
}

TEST(SvgCairo, SizeComesFromTheDocument)
{
    struct Case {
        const char *what, *svg;
        svg_cairo_status_t parsed;
        int w, h;
    } cases[] = {
        {"width and height", "<svg xmlns='http://www.w3.org/2000/svg' width='30' height='20'/>",
         SVG_CAIRO_STATUS_SUCCESS, 30, 20},
        {"fractions round", "<svg xmlns='http://www.w3.org/2000/svg' width='30.6' height='20.4'/>",
         SVG_CAIRO_STATUS_SUCCESS, 31, 20},
        {"view box only", "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 50 40'/>",
         SVG_CAIRO_STATUS_SUCCESS, 50, 40},
        {"percent with view box",
         "<svg xmlns='http://www.w3.org/2000/svg' width='100%' height='50%' viewBox='5 5 12 9'/>",
         SVG_CAIRO_STATUS_SUCCESS, 12, 9},
        {"no size at all", "<svg xmlns='http://www.w3.org/2000/svg'/>",
         SVG_CAIRO_STATUS_PARSE_ERROR, 1, 1},
        {"not svg", "hello", SVG_CAIRO_STATUS_IO_ERROR, 1, 1},
    };
    ScratchDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        dir.write("size.svg", c.svg);
        const SvgPtr svgc = make_svg();
        testing::internal::CaptureStderr();
        EXPECT_EQ(svg_cairo_parse(svgc.get(), (dir / "size.svg").c_str()), c.parsed);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.empty(), c.parsed == SVG_CAIRO_STATUS_SUCCESS) << err;
        int w = -1, h = -1;
        svg_cairo_get_size(svgc.get(), &w, &h);
        EXPECT_EQ(w, c.w);
        EXPECT_EQ(h, c.h);
    }
}

TEST(SvgCairo, RenderFillsTheDocumentSizeAndKeepsThePath)
{
    const SvgPtr svgc = make_svg();
    ASSERT_EQ(svg_cairo_parse(svgc.get(), (kAssets + "/tiles.svg").c_str()),
              SVG_CAIRO_STATUS_SUCCESS);
    int w = 0, h = 0;
    svg_cairo_get_size(svgc.get(), &w, &h);
    EXPECT_EQ(w, 80);
    EXPECT_EQ(h, 80);

    const Canvas img(80, 80, false);
    cairo_move_to(img.cr(), 1, 2);
    cairo_line_to(img.cr(), 3, 4);
    const auto before = quillkit_test::copy_path(img.cr());
    EXPECT_EQ(svg_cairo_render(svgc.get(), img.cr()), SVG_CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(quillkit_test::copy_path(img.cr()), before);
    EXPECT_EQ(cairo_status(img.cr()), CAIRO_STATUS_SUCCESS);
    // Quarters of the checkerboard, and the ring (centre 40, 40, radius 24,
    // 4 wide) at the top.
    EXPECT_EQ(word_at(img.surface(), 10, 10), kCream);
    EXPECT_EQ(word_at(img.surface(), 70, 10), kTan);
    EXPECT_EQ(word_at(img.surface(), 10, 70), kTan);
    EXPECT_EQ(word_at(img.surface(), 70, 70), kCream);
    EXPECT_EQ(word_at(img.surface(), 40, 15), kRing);
}

TEST(SvgCairo, ParsingAgainReplacesTheDocument)
{
    ScratchDir dir;
    dir.write("small.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='7' height='9'/>");
    const SvgPtr svgc = make_svg();
    ASSERT_EQ(svg_cairo_parse(svgc.get(), (kAssets + "/tiles.svg").c_str()),
              SVG_CAIRO_STATUS_SUCCESS);
    ASSERT_EQ(svg_cairo_parse(svgc.get(), (dir / "small.svg").c_str()), SVG_CAIRO_STATUS_SUCCESS);
    int w = 0, h = 0;
    svg_cairo_get_size(svgc.get(), &w, &h);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 9);
    // A failed parse leaves it empty, not holding the old document.
    testing::internal::CaptureStderr();
    EXPECT_NE(svg_cairo_parse(svgc.get(), "no-such.svg"), SVG_CAIRO_STATUS_SUCCESS);
    testing::internal::GetCapturedStderr();
    svg_cairo_get_size(svgc.get(), &w, &h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    const Canvas img(4, 4, false);
    EXPECT_EQ(svg_cairo_render(svgc.get(), img.cr()), SVG_CAIRO_STATUS_INVALID_CALL);
}

TEST(SvgCairo, NullObjectsAreRefused)
{
    int w = 0, h = 0;
    svg_cairo_get_size(nullptr, &w, &h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(svg_cairo_parse(nullptr, "x.svg"), SVG_CAIRO_STATUS_INVALID_CALL);
    EXPECT_EQ(svg_cairo_destroy(nullptr), SVG_CAIRO_STATUS_INVALID_CALL);
}

TEST(SnippetSetBgSvg, FillsTheUnitSquare)
{
    const Canvas img(40, 40, false);
    cairo_scale(img.cr(), 40, 40);
    snippet_set_bg_svg(img.cr(), (kAssets + "/tiles.svg").c_str());
    EXPECT_EQ(cairo_status(img.cr()), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(word_at(img.surface(), 5, 5), kCream);
    EXPECT_EQ(word_at(img.surface(), 35, 5), kTan);
}

#endif  // QUILLKIT_HAVE_RSVG

// A document that cannot be had, and every document where the kit was built
// without librsvg (snippets_none_test), is reported and draws nothing.
TEST(SnippetSetBgSvg, SkipsWhatItCannotReadWithAMessage)
{
    const std::string file = NO_SVG_EXPECTED ? kAssets + "/tiles.svg" : "no-such-background.svg";
    const Canvas img(8, 8, false);
    cairo_scale(img.cr(), 8, 8);
    testing::internal::CaptureStderr();
    snippet_set_bg_svg(img.cr(), file.c_str());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("svg_cairo_parse: cannot read '" + file + "'"), std::string::npos) << err;
    EXPECT_EQ(cairo_status(img.cr()), CAIRO_STATUS_SUCCESS);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(word_at(img.surface(), x, y), 0u) << x << "," << y;
}

}  // namespace
