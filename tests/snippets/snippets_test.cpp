// The snippet runtime (quillkit::snippets): cairo's early calls,
// read_png_argb32 and svg-cairo, and the background painters of a generated
// module linked with it, checked on image surfaces.
#include "snippets.h"

#include "files.h"
#include "image.h"
#include "path_copy.h"
#include "process.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
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

// --- files that must be refused, or read, as they are ---------------------

// A PNG file put together byte by byte: its chunks with their CRCs, and the
// scanlines in stored (uncompressed) deflate blocks.
std::string be32(std::uint32_t v)
{
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

std::uint32_t crc32_of(const std::string &bytes)
{
    std::uint32_t crc = 0xffffffffu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string chunk(const std::string &type, const std::string &data)
{
    return be32(static_cast<std::uint32_t>(data.size())) + type + data +
           be32(crc32_of(type + data));
}

std::string zlib_stored(const std::string &raw)
{
    std::string z = "\x78\x01";
    std::uint32_t a = 1, b = 0;
    for (size_t at = 0; at == 0 || at < raw.size(); at += 65535) {
        const std::string block = raw.substr(at, 65535);
        const auto n = static_cast<std::uint16_t>(block.size());
        z += at + 65535 >= raw.size() ? '\1' : '\0';
        z += {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(~n),
              static_cast<char>(~n >> 8)};
        z += block;
    }
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    return z + be32(b << 16 | a);
}

// depth, colour type and interlace as in the IHDR; `extra`: chunks before IDAT.
std::string png_file(std::uint32_t w, std::uint32_t h, int depth, int colour, int interlace,
                     const std::string &scanlines, const std::string &extra = "")
{
    const std::string ihdr = be32(w) + be32(h) + static_cast<char>(depth) +
                             static_cast<char>(colour) + std::string(2, '\0') +
                             static_cast<char>(interlace);
    return "\x89PNG\r\n\x1a\n" + chunk("IHDR", ihdr) + extra +
           chunk("IDAT", zlib_stored(scanlines)) + chunk("IEND", "");
}

std::string sample_png()
{
    return quillkit_test::read_file(kAssets + "/landscape.png");
}

enum class Reader { kPng, kSvg };

struct FileCase {
    const char *name;
    Reader reader;
    // Makes the file at `path`.
    void (*make)(const std::string &path);
    // What was read: "WxH word-at-0,0" for a PNG, "status WxH" for an SVG.
    const char *result;
    const char *message;  // in stderr ("" for nothing at all)
};

void PrintTo(const FileCase &c, std::ostream *os)
{
    *os << c.name;
}

void put_file(const std::string &path, const std::string &bytes)
{
    ASSERT_TRUE(quillkit_test::write_file(path, bytes)) << path;
}

std::string read_as_png(const std::string &path)
{
    const PngPixels png(path);
    if (!png.buffer)
        return "null";
    char word[16];
    std::snprintf(word, sizeof word, "%08x", png.at(0, 0));
    return std::to_string(png.width) + "x" + std::to_string(png.height) + " " + word;
}

std::string read_as_svg(const std::string &path)
{
    svg_cairo_t *svgc = nullptr;
    if (svg_cairo_create(&svgc) != SVG_CAIRO_STATUS_SUCCESS)
        return "no object";
    const int status = svg_cairo_parse(svgc, path.c_str());
    int w = 0, h = 0;
    svg_cairo_get_size(svgc, &w, &h);
    svg_cairo_destroy(svgc);
    return std::to_string(status) + " " + std::to_string(w) + "x" + std::to_string(h);
}

// The address space of this process now, in bytes (its VmSize).
std::uint64_t address_space()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0)
            return std::stoull(line.substr(7)) * 1024;
    return 0;
}

// What `read` gave in a child process, and what it said on stderr.
struct ChildRead {
    std::string result, err;
};

// Runs `read` in a forked child with a time limit, so that a read that hangs
// fails the test instead of stopping it. With a `budget` (bytes; 0: none) the
// child's address space may grow by that much at most (not under
// AddressSanitizer, which reserves terabytes up front).
ChildRead read_in_child(const std::function<std::string()> &read, std::uint64_t budget = 0)
{
    ScratchDir dir;
    const std::string err_path = (dir / "err").string(), result_path = (dir / "result").string();
    const int status = quillkit_test::run_forked(
        [&] {
#ifndef QUILLKIT_SANITIZE
            const rlimit limit{address_space() + budget, RLIM_INFINITY};
            if (budget != 0 && setrlimit(RLIMIT_AS, &limit) != 0)
                return 1;
#endif
            if (!std::freopen(err_path.c_str(), "w", stderr))
                return 1;
            const std::string result = read();
            std::fflush(stderr);  // the child ends with _exit
            return quillkit_test::write_file(result_path, result) ? 0 : 1;
        },
        10000);
    EXPECT_EQ(status, 0) << "the reader failed, crashed or did not finish";
    return {quillkit_test::read_file(result_path), quillkit_test::read_file(err_path)};
}

class FileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(FileTest, IsReadOrRefusedWithTheCause)
{
    const FileCase &c = GetParam();
    ScratchDir dir;
    const std::string path = (dir / "file").string();
    ASSERT_NO_FATAL_FAILURE(c.make(path));
    const auto [got, err] = read_in_child(
        [&] { return c.reader == Reader::kPng ? read_as_png(path) : read_as_svg(path); });
    EXPECT_EQ(got, c.result);
    if (*c.message == '\0') {
        EXPECT_EQ(err, "");
    } else {
        EXPECT_NE(err.find("'" + path + "'"), std::string::npos) << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
}

const std::string kRgbaPixel = std::string("\0\xff\0\0\x80", 5);  // filter 0, red at half alpha

std::vector<FileCase> file_cases()
{
    std::vector<FileCase> cases = {
        {"PngFifo", Reader::kPng,
         [](const std::string &p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }, "1x1 00000000",
         "not a regular file"},
        {"PngDirectory", Reader::kPng,
         [](const std::string &p) { ASSERT_EQ(mkdir(p.c_str(), 0700), 0); }, "1x1 00000000",
         "it is a directory"},
        {"PngEmpty", Reader::kPng, [](const std::string &p) { put_file(p, ""); }, "1x1 00000000",
         "the file is empty"},
        {"PngText", Reader::kPng, [](const std::string &p) { put_file(p, "not a picture\n"); },
         "1x1 00000000", "Not a PNG file"},
        {"PngCut", Reader::kPng,
         [](const std::string &p) { put_file(p, sample_png().substr(0, 40)); }, "1x1 00000000",
         "the file ends too early"},
        {"PngBadCrc", Reader::kPng,
         [](const std::string &p) {
             std::string png = sample_png();
             png[29] = static_cast<char>(png[29] ^ 1);  // the IHDR's CRC
             put_file(p, png);
         },
         "1x1 00000000", "bad CRC in the IHDR chunk"},
        {"PngTooWide", Reader::kPng,
         [](const std::string &p) { put_file(p, png_file(16385, 1, 8, 6, 0, "")); }, "1x1 00000000",
         "16385 x 1 pixels is too large"},
        {"PngTooManyPixels", Reader::kPng,
         [](const std::string &p) { put_file(p, png_file(8193, 8192, 8, 6, 0, "")); },
         "1x1 00000000", "8193 x 8192 pixels is too large"},
        {"PngWidestAccepted", Reader::kPng,
         [](const std::string &p) {
             put_file(p, png_file(16384, 1, 8, 6, 0, kRgbaPixel + std::string(16383 * 4, '\0')));
         },
         "16384x1 80800000", ""},
        {"PngGrayOneBit", Reader::kPng,
         [](const std::string &p) {
             put_file(p, png_file(2, 1, 1, 0, 0, std::string("\0\x80", 2)));
         },
         "2x1 ffffffff", ""},
        {"PngPaletteWithAlpha", Reader::kPng,
         [](const std::string &p) {
             put_file(p,
                      png_file(1, 1, 8, 3, 0, std::string(2, '\0'),
                               chunk("PLTE", std::string("\xff\0\0", 3)) + chunk("tRNS", "\x80")));
         },
         "1x1 80800000", ""},
        {"PngSixteenBits", Reader::kPng,
         [](const std::string &p) {
             put_file(p, png_file(1, 1, 16, 6, 0, std::string("\0\xff\xff\0\0\0\0\x80\x80", 9)));
         },
         "1x1 80800000", ""},
        {"PngInterlaced", Reader::kPng,
         [](const std::string &p) {
             put_file(p, png_file(1, 1, 8, 2, 1, std::string("\0\0\xff\0", 4)));
         },
         "1x1 ff00ff00", ""},
    };
#ifdef QUILLKIT_HAVE_RSVG
    const std::vector<FileCase> svg = {
        {"SvgFifo", Reader::kSvg,
         [](const std::string &p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }, "2 1x1",
         "not a regular file"},
        {"SvgEmpty", Reader::kSvg, [](const std::string &p) { put_file(p, ""); }, "2 1x1",
         "the file is empty"},
        {"SvgZeroSize", Reader::kSvg,
         [](const std::string &p) {
             put_file(p, "<svg xmlns='http://www.w3.org/2000/svg' width='0' height='0'/>");
         },
         "3 1x1", "has a size of zero"},
        {"SvgSized", Reader::kSvg,
         [](const std::string &p) {
             put_file(p, "<svg xmlns='http://www.w3.org/2000/svg' width='12' height='5'/>");
         },
         "0 12x5", ""},
    };
    cases.insert(cases.end(), svg.begin(), svg.end());
#endif
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Files, FileTest, ::testing::ValuesIn(file_cases()),
                         [](const ::testing::TestParamInfo<FileCase> &param_info) {
                             return std::string(param_info.param.name);
                         });

TEST(ReadPngArgb32, RefusesAPictureTooLargeBeforeDecodingIt)
{
    // 20000 x 20000 would take 1.6 GB decoded: refused from its header, well
    // inside 64 MiB more.
    ScratchDir dir;
    const std::string path = (dir / "bomb.png").string();
    ASSERT_TRUE(quillkit_test::write_file(
        path, png_file(20000, 20000, 8, 6, 0, std::string(20000 * 4 + 1, '\0'))));
    const auto [size, err] = read_in_child([&] { return read_as_png(path); }, 64u << 20);
    EXPECT_EQ(size, "1x1 00000000");
    EXPECT_NE(err.find("20000 x 20000 pixels is too large"), std::string::npos) << err;
}

TEST(ReadPngArgb32, DecodesWithoutASecondCopyOfThePicture)
{
    // 1024 x 1024 takes 4 MiB decoded: it must fit in half as much again.
    constexpr int kSide = 1024;
    ScratchDir dir;
    const std::string path = (dir / "big.png").string();
    const std::string row = '\0' + std::string(kSide * 4, '\x40');
    std::string rows;
    for (int y = 0; y < kSide; ++y)
        rows += row;
    ASSERT_TRUE(quillkit_test::write_file(path, png_file(kSide, kSide, 8, 6, 0, rows)));
    rows.clear();
    rows.shrink_to_fit();
    const auto [size, err] =
        read_in_child([&] { return read_as_png(path); }, kSide * kSide * 4 * 3 / 2);
    EXPECT_EQ(size, "1024x1024 40101010") << err;
    EXPECT_EQ(err, "");
}

TEST(CairoShowSurface, PaintsScaledAtTheCurrentPointAndTakesTheMoveThatPlacedIt)
{
    std::vector<std::uint32_t> pixels(2 * 2, kRed);
    quillkit_test::SurfacePtr src(cairo_surface_create_for_image(
        reinterpret_cast<char *>(pixels.data()), CAIRO_FORMAT_ARGB32, 2, 2, 8));
    ASSERT_EQ(cairo_surface_status(src.get()), CAIRO_STATUS_SUCCESS);

    const Canvas img(10, 10, false);
    cairo_move_to(img.cr(), 0, 0);
    cairo_line_to(img.cr(), 1, 1);
    const auto before = quillkit_test::copy_path(img.cr());
    cairo_move_to(img.cr(), 2, 3);
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

TEST(SnippetSetBgPng, LeavesTheCallersPathAsItWas)
{
    // The module moves to (0, 0) to place the picture; that move must not
    // stay in the caller's path, whether the file could be read or not.
    struct Path {
        const char *what;
        void (*build)(cairo_t *cr);
    };
    const Path paths[] = {
        {"none", [](cairo_t *) {}},
        {"an open line",
         [](cairo_t *cr) {
             cairo_move_to(cr, 1, 2);
             cairo_line_to(cr, 3, 4);
         }},
        {"a rectangle", [](cairo_t *cr) { cairo_rectangle(cr, 1, 1, 5, 3); }},
        {"a closed curve",
         [](cairo_t *cr) {
             cairo_move_to(cr, 1, 2);
             cairo_curve_to(cr, 3, 4, 5, 6, 7, 1);
             cairo_close_path(cr);
         }},
    };
    for (const std::string &file : {kAssets + "/landscape.png", std::string("no-such.png")})
        for (const Path &p : paths) {
            SCOPED_TRACE(std::string(p.what) + " before " + file);
            const Canvas img(16, 16, false);
            cairo_scale(img.cr(), 16, 16);
            p.build(img.cr());
            const auto before = quillkit_test::copy_path(img.cr());
            const bool had_point = cairo_has_current_point(img.cr());
            testing::internal::CaptureStderr();
            snippet_set_bg_png(img.cr(), file.c_str());
            testing::internal::GetCapturedStderr();
            EXPECT_EQ(quillkit_test::copy_path(img.cr()), before);
            EXPECT_EQ(cairo_has_current_point(img.cr()) != 0, had_point);
        }
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

// Each thread has its own clock: two threads drawing frames at once read
// back what each set, never the other's; a time that is not a number is 0.
TEST(SnippetTime, IsThreadLocalAndFinite)
{
    EXPECT_EQ(snippet_time(), 0.0);
    snippet_set_time(1.5);
    double seen[2] = {-1, -1};
    std::thread other([&] {
        seen[0] = snippet_time();
        snippet_set_time(7.25);
        seen[1] = snippet_time();
    });
    other.join();
    EXPECT_EQ(seen[0], 0.0);
    EXPECT_EQ(seen[1], 7.25);
    EXPECT_EQ(snippet_time(), 1.5);
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        snippet_set_time(2.0);
        snippet_set_time(bad);
        EXPECT_EQ(snippet_time(), 0.0) << bad;
    }
    snippet_set_time(0.0);
}

}  // namespace
