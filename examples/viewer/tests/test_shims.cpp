// The calls snippets.h supplies to the generated module: the early cairo
// calls, read_png_argb32 and svg-cairo, checked on image surfaces.
#include "snippets.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string assets = SNIPPET_ASSETS;

// Colours of the sample background files, as their sources describe them.
constexpr uint32_t sky = 0xff9acdf0, grass = 0xff5da34a, sun = 0xffffd54a;
constexpr uint32_t cream = 0xfff4e3c1, tan = 0xffc9a66b, ring = 0xff3b80ae;
constexpr uint32_t red = 0xffff0000;

struct Image {
    cairo_surface_t *surface;
    cairo_t *cr;
    explicit Image(int w, int h)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)), cr(cairo_create(surface))
    {
    }
    ~Image()
    {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    uint32_t at(int x, int y)
    {
        cairo_surface_flush(surface);
        const unsigned char *row =
            cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        return reinterpret_cast<const uint32_t *>(row)[x];
    }
};

uint32_t word(const char *buffer, int stride, int x, int y)
{
    return reinterpret_cast<const uint32_t *>(buffer + y * stride)[x];
}

std::string temp_file(const std::string &name, const std::string &bytes)
{
    std::string path = testing::TempDir() + "viewer_shims_" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// The current path as (type, x, y) of each point, for before/after checks.
std::vector<double> path_of(cairo_t *cr)
{
    std::vector<double> out;
    cairo_path_t *path = cairo_copy_path(cr);
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        out.push_back(path->data[i].header.type);
        for (int k = 1; k < path->data[i].header.length; k++) {
            out.push_back(path->data[i + k].point.x);
            out.push_back(path->data[i + k].point.y);
        }
    }
    cairo_path_destroy(path);
    return out;
}

TEST(ReadPngArgb32, ReadsAnOpaquePngAsArgb32)
{
    int w = 0, h = 0, stride = 0;
    char *buffer = read_png_argb32((assets + "/landscape.png").c_str(), &w, &h, &stride);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 64);
    EXPECT_EQ(stride, 64 * 4);
    EXPECT_EQ(word(buffer, stride, 0, 0), sky);
    EXPECT_EQ(word(buffer, stride, 63, 39), sky);
    EXPECT_EQ(word(buffer, stride, 0, 40), grass);
    EXPECT_EQ(word(buffer, stride, 63, 63), grass);
    EXPECT_EQ(word(buffer, stride, 48, 14), sun);
    free(buffer);
}

TEST(ReadPngArgb32, KeepsAlphaPremultiplied)
{
    // Three pixels, premultiplied: half-transparent red, clear, opaque green.
    const uint32_t want[3] = {0x80800000, 0x00000000, 0xff00ff00};
    std::string path = testing::TempDir() + "viewer_shims_alpha.png";
    {
        cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 3, 1);
        cairo_surface_flush(s);
        auto *row = reinterpret_cast<uint32_t *>(cairo_image_surface_get_data(s));
        for (int i = 0; i < 3; i++)
            row[i] = want[i];
        cairo_surface_mark_dirty(s);
        ASSERT_EQ(cairo_surface_write_to_png(s, path.c_str()), CAIRO_STATUS_SUCCESS);
        cairo_surface_destroy(s);
    }
    int w = 0, h = 0, stride = 0;
    char *buffer = read_png_argb32(path.c_str(), &w, &h, &stride);
    ASSERT_NE(buffer, nullptr);
    ASSERT_EQ(w, 3);
    ASSERT_EQ(h, 1);
    EXPECT_EQ(stride, cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, 3));
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(word(buffer, stride, i, 0), want[i]) << "pixel " << i;
    free(buffer);
}

TEST(ReadPngArgb32, UnreadableFilesGiveOneClearPixelAndAMessage)
{
    std::string png;
    std::ifstream(assets + "/landscape.png", std::ios::binary) >> std::noskipws >> png;
    const std::string cases[] = {
        testing::TempDir() + "viewer_shims_no_such.png",
        temp_file("text.png", "this is not a picture\n"),
        temp_file("empty.png", ""),
        temp_file("cut.png", png.substr(0, 40)),
        testing::TempDir(),  // a directory
    };
    for (const std::string &file : cases) {
        SCOPED_TRACE(file);
        int w = -1, h = -1, stride = -1;
        testing::internal::CaptureStderr();
        char *buffer = read_png_argb32(file.c_str(), &w, &h, &stride);
        std::string err = testing::internal::GetCapturedStderr();
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(w, 1);
        EXPECT_EQ(h, 1);
        EXPECT_EQ(stride, 4);
        EXPECT_EQ(word(buffer, 4, 0, 0), 0u);
        EXPECT_NE(err.find("read_png_argb32: cannot read '" + file + "'"), std::string::npos)
            << err;
        free(buffer);
    }
}

TEST(CairoShowSurface, PaintsScaledAtTheCurrentPointAndKeepsThePath)
{
    std::vector<uint32_t> pixels(2 * 2, red);
    cairo_surface_t *src = cairo_surface_create_for_image(reinterpret_cast<char *>(pixels.data()),
                                                          CAIRO_FORMAT_ARGB32, 2, 2, 8);
    ASSERT_EQ(cairo_surface_status(src), CAIRO_STATUS_SUCCESS);

    Image img(10, 10);
    cairo_move_to(img.cr, 2, 3);
    std::vector<double> before = path_of(img.cr);
    cairo_show_surface(img.cr, src, 4, 4);
    cairo_surface_destroy(src);

    EXPECT_EQ(cairo_status(img.cr), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(path_of(img.cr), before);
    // Covers x 2..5, y 3..6 exactly, edges included, nothing beyond.
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 10; x++) {
            bool inside = x >= 2 && x < 6 && y >= 3 && y < 7;
            EXPECT_EQ(img.at(x, y), inside ? red : 0u) << x << "," << y;
        }
}

TEST(CairoShowSurface, WithoutACurrentPointStartsAtTheOrigin)
{
    uint32_t pixel = red;
    cairo_surface_t *src = cairo_surface_create_for_image(reinterpret_cast<char *>(&pixel),
                                                          CAIRO_FORMAT_ARGB32, 1, 1, 4);
    Image img(4, 4);
    cairo_show_surface(img.cr, src, 2, 2);
    cairo_surface_destroy(src);
    EXPECT_EQ(img.at(0, 0), red);
    EXPECT_EQ(img.at(1, 1), red);
    EXPECT_EQ(img.at(2, 2), 0u);
    EXPECT_FALSE(cairo_has_current_point(img.cr));
}

TEST(CairoShowSurface, SkipsWhatWouldBreakTheContext)
{
    uint32_t pixel = red;
    struct Case {
        const char *what;
        int stride, w, h;
    } cases[] = {
        {"zero width", 4, 0, 1},
        {"zero height", 4, 1, 0},
        {"negative size", 4, -1, -1},
        {"bad stride", 3, 1, 1},  // cairo refuses it: an error surface
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        cairo_surface_t *src = cairo_surface_create_for_image(reinterpret_cast<char *>(&pixel),
                                                              CAIRO_FORMAT_ARGB32, 1, 1, c.stride);
        Image img(2, 2);
        cairo_move_to(img.cr, 0, 0);
        cairo_show_surface(img.cr, src, c.w, c.h);
        cairo_surface_destroy(src);
        EXPECT_EQ(cairo_status(img.cr), CAIRO_STATUS_SUCCESS);
        EXPECT_EQ(img.at(0, 0), 0u);
    }
}

TEST(SnippetSetBgPng, FillsTheUnitSquare)
{
    Image img(64, 64);
    cairo_scale(img.cr, 64, 64);
    snippet_set_bg_png(img.cr, (assets + "/landscape.png").c_str());
    EXPECT_EQ(cairo_status(img.cr), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(img.at(0, 0), sky);
    EXPECT_EQ(img.at(63, 39), sky);
    EXPECT_EQ(img.at(0, 40), grass);
    EXPECT_EQ(img.at(63, 63), grass);
    EXPECT_EQ(img.at(48, 14), sun);
    cairo_matrix_t m;
    cairo_get_matrix(img.cr, &m);
    EXPECT_EQ(m.xx, 64);
    EXPECT_EQ(m.yy, 64);
}

TEST(SnippetSetBgPng, AMissingFileLeavesTheContextUsable)
{
    Image img(8, 8);
    cairo_scale(img.cr, 8, 8);
    testing::internal::CaptureStderr();
    snippet_set_bg_png(img.cr, "no-such-background.png");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("no-such-background.png"), std::string::npos) << err;
    EXPECT_EQ(cairo_status(img.cr), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(img.at(4, 4), 0u);
    cairo_paint(img.cr);  // still draws
    EXPECT_EQ(img.at(4, 4), 0xff000000u);
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
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string file = temp_file("size" + std::to_string(n++) + ".svg", c.svg);
        svg_cairo_t *svgc = nullptr;
        ASSERT_EQ(svg_cairo_create(&svgc), SVG_CAIRO_STATUS_SUCCESS);
        testing::internal::CaptureStderr();
        EXPECT_EQ(svg_cairo_parse(svgc, file.c_str()), c.parsed);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.empty(), c.parsed == SVG_CAIRO_STATUS_SUCCESS) << err;
        int w = -1, h = -1;
        svg_cairo_get_size(svgc, &w, &h);
        EXPECT_EQ(w, c.w);
        EXPECT_EQ(h, c.h);
        svg_cairo_destroy(svgc);
    }
}

TEST(SvgCairo, RenderFillsTheDocumentSizeAndKeepsThePath)
{
    svg_cairo_t *svgc = nullptr;
    ASSERT_EQ(svg_cairo_create(&svgc), SVG_CAIRO_STATUS_SUCCESS);
    ASSERT_EQ(svg_cairo_parse(svgc, (assets + "/tiles.svg").c_str()), SVG_CAIRO_STATUS_SUCCESS);
    int w = 0, h = 0;
    svg_cairo_get_size(svgc, &w, &h);
    EXPECT_EQ(w, 80);
    EXPECT_EQ(h, 80);

    Image img(80, 80);
    cairo_move_to(img.cr, 1, 2);
    cairo_line_to(img.cr, 3, 4);
    std::vector<double> before = path_of(img.cr);
    EXPECT_EQ(svg_cairo_render(svgc, img.cr), SVG_CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(path_of(img.cr), before);
    EXPECT_EQ(cairo_status(img.cr), CAIRO_STATUS_SUCCESS);
    // Quarters of the checkerboard, and the ring (centre 40, 40, radius 24,
    // 4 wide) at the top.
    EXPECT_EQ(img.at(10, 10), cream);
    EXPECT_EQ(img.at(70, 10), tan);
    EXPECT_EQ(img.at(10, 70), tan);
    EXPECT_EQ(img.at(70, 70), cream);
    EXPECT_EQ(img.at(40, 15), ring);
    svg_cairo_destroy(svgc);
}

TEST(SvgCairo, ParsingAgainReplacesTheDocument)
{
    std::string small =
        temp_file("small.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='7' height='9'/>");
    svg_cairo_t *svgc = nullptr;
    ASSERT_EQ(svg_cairo_create(&svgc), SVG_CAIRO_STATUS_SUCCESS);
    ASSERT_EQ(svg_cairo_parse(svgc, (assets + "/tiles.svg").c_str()), SVG_CAIRO_STATUS_SUCCESS);
    ASSERT_EQ(svg_cairo_parse(svgc, small.c_str()), SVG_CAIRO_STATUS_SUCCESS);
    int w = 0, h = 0;
    svg_cairo_get_size(svgc, &w, &h);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 9);
    // A failed parse leaves it empty, not holding the old document.
    testing::internal::CaptureStderr();
    EXPECT_NE(svg_cairo_parse(svgc, "no-such.svg"), SVG_CAIRO_STATUS_SUCCESS);
    testing::internal::GetCapturedStderr();
    svg_cairo_get_size(svgc, &w, &h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    Image img(4, 4);
    EXPECT_EQ(svg_cairo_render(svgc, img.cr), SVG_CAIRO_STATUS_INVALID_CALL);
    svg_cairo_destroy(svgc);
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

TEST(SnippetSetBgSvg, FillsTheUnitSquareOrDrawsNothing)
{
    Image img(40, 40);
    cairo_scale(img.cr, 40, 40);
    snippet_set_bg_svg(img.cr, (assets + "/tiles.svg").c_str());
    EXPECT_EQ(cairo_status(img.cr), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(img.at(5, 5), cream);
    EXPECT_EQ(img.at(35, 5), tan);

    Image none(8, 8);
    cairo_scale(none.cr, 8, 8);
    testing::internal::CaptureStderr();
    snippet_set_bg_svg(none.cr, "no-such-background.svg");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("no-such-background.svg"), std::string::npos) << err;
    EXPECT_EQ(cairo_status(none.cr), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(none.at(4, 4), 0u);
}

}  // namespace
