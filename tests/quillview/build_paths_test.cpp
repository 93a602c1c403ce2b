// build_paths_test.cpp - the two ways quillview builds a snippet, in memory
// with libtcc and with the C compiler (CC set), give the same export: the
// same pixels for every sample snippet, and the same errors at the same
// lines for the mistakes only a C compiler catches.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "files.h"
#include "image.h"
#include "process.h"
#include "scratch_dir.h"

namespace quillkit_test {
namespace {

namespace fs = std::filesystem;

constexpr int kExportTimeoutMs = 120000;

RunResult export_with(const std::vector<std::string> &env, const fs::path &out,
                      const std::vector<std::string> &snippets)
{
    std::vector<std::string> argv = {QUILLVIEW_PATH, "--export=" + out.string(), "--format=png",
                                     "--size=256"};
    argv.insert(argv.end(), snippets.begin(), snippets.end());
    ChildOptions options;
    options.env = env;
    return run_program(argv, options, kExportTimeoutMs);
}

// The bytes of a PNG's pixels, row after row.
std::string pixels_of(const fs::path &png)
{
    SurfacePtr s(cairo_image_surface_create_from_png(png.c_str()));
    if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS)
        return "unreadable " + png.string();
    const int w = cairo_image_surface_get_width(s.get());
    const int h = cairo_image_surface_get_height(s.get());
    const int stride = cairo_image_surface_get_stride(s.get());
    const char *data = reinterpret_cast<const char *>(cairo_image_surface_get_data(s.get()));
    std::string bytes;
    for (int y = 0; y < h; y++)
        bytes.append(data + y * stride, static_cast<std::size_t>(w) * 4);
    return bytes;
}

const std::vector<std::string> kPaths[] = {{}, {"CC=cc"}};

TEST(QuillviewBuildPaths, EverySampleDrawsTheSamePixelsOnBothPaths)
{
    const RunResult version = run_program({QUILLVIEW_PATH, "--version"}, {}, 10000);
    if (version.out.find("libtcc") == std::string::npos)
        GTEST_SKIP() << "built without libtcc: " << version.out;
    ScratchDir dir;
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(SNIPPET_ASSETS))
        if (entry.path().extension() == ".cairo")
            names.push_back(entry.path().stem().string());
    ASSERT_GE(names.size(), 5u);
    for (int path = 0; path < 2; path++) {
        const RunResult r = export_with(kPaths[path], dir / std::to_string(path), {SNIPPET_ASSETS});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    for (const std::string &name : names) {
        const std::string fast = pixels_of(dir / "0" / (name + ".png"));
        EXPECT_EQ(fast.size(), 256u * 256u * 4u) << name;
        EXPECT_TRUE(fast == pixels_of(dir / "1" / (name + ".png"))) << name;
    }
}

TEST(QuillviewBuildPaths, MistakesOnlyACompilerCatchesFailAtTheirLines)
{
    struct Mistake {
        const char *name, *text;
        int line;  // of the snippet file
    };
    const Mistake mistakes[] = {
        // libtcc would take the misspelling as an undefined symbol at load.
        {"misspelled",
         "cairo_set_source_rgb (cr, 1, 0, 0);\ncairo_set_source_rgbb (cr, 1, 0, 0);\n", 2},
        // libtcc accepts a string for a double.
        {"type", "cairo_paint (cr);\n\ncairo_move_to (cr, \"a\", 0);\n", 3},
    };
    for (const std::vector<std::string> &env : kPaths) {
        for (const Mistake &m : mistakes) {
            ScratchDir dir;
            dir.write(std::string(m.name) + ".cairo", m.text);
            const RunResult r =
                export_with(env, dir / "out", {(dir / (std::string(m.name) + ".cairo")).string()});
            const std::string where = std::string("quillview: ") + m.name +
                                      ": does not compile: " + m.name +
                                      ".cairo:" + std::to_string(m.line) + ":";
            EXPECT_EQ(r.status, 1) << m.name << (env.empty() ? "" : " CC=cc") << "\n" << r.err;
            EXPECT_NE(r.err.find(where), std::string::npos) << where << "\n" << r.err;
            EXPECT_FALSE(fs::exists(dir / "out" / (std::string(m.name) + ".png")));
        }
    }
}

}  // namespace
}  // namespace quillkit_test
