// export_frames_test.cpp - quillview --export of animations: --frames and
// --fps draw frame k at time k / F, and --format=webp makes one animated
// WebP a snippet, as webpinfo reads it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files.h"
#include "process.h"
#include "scratch_dir.h"

namespace quillkit_test {
namespace {

namespace fs = std::filesystem;

constexpr int kTimeoutMs = 120000;

int count(const std::string &text, const std::string &needle)
{
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + needle.size()))
        n++;
    return n;
}

TEST(QuillviewExportFrames, FramesFollowTheTimeAndTheWebpHoldsThemAll)
{
    ScratchDir dir;
    fs::copy_file(fs::path(SNIPPET_ASSETS) / "clock.cairo", dir / "clock.cairo");
    fs::copy_file(fs::path(SNIPPET_ASSETS) / "disc.cairo", dir / "disc.cairo");
    constexpr int kFrames = 4;
    const RunResult r = run_program(
        {QUILLVIEW_PATH, "--export=" + (dir / "out").string(), "--format=png,webp,html",
         "--size=64", "--frames=" + std::to_string(kFrames), "--fps=2", dir.path().string()},
        {}, kTimeoutMs);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> clock, disc;
    for (int k = 0; k < kFrames; k++) {
        const std::string n = "-000" + std::to_string(k) + ".png";
        clock.push_back(read_file(dir / "out" / ("clock" + n)));
        disc.push_back(read_file(dir / "out" / ("disc" + n)));
        ASSERT_FALSE(clock.back().empty()) << k;
    }
    EXPECT_FALSE(fs::exists(dir / "out/clock-0004.png"));
    EXPECT_FALSE(fs::exists(dir / "out/clock.png"));
    // Half a second apart, the second hand has moved; the disc never does.
    for (int k = 1; k < kFrames; k++) {
        EXPECT_NE(clock[k], clock[k - 1]) << k;
        EXPECT_EQ(disc[k], disc[0]) << k;
    }
    const RunResult info =
        run_program({WEBPINFO_PATH, "-summary", (dir / "out/clock.webp").string()}, {}, 30000);
    ASSERT_EQ(info.status, 0) << info.out << info.err;
    EXPECT_EQ(count(info.out, "Chunk ANMF"), kFrames) << info.out;
    EXPECT_NE(info.out.find("Duration: 500"), std::string::npos) << info.out;
    // The page shows the animation where the snippet animates.
    const std::string html = read_file(dir / "out/index.html");
    EXPECT_NE(html.find("<img src=\"clock.webp\""), std::string::npos) << html;
    EXPECT_NE(html.find("<img src=\"disc-0000.png\""), std::string::npos) << html;
}

TEST(QuillviewExportFrames, WithoutFramesOnePictureAsBefore)
{
    ScratchDir dir;
    fs::copy_file(fs::path(SNIPPET_ASSETS) / "clock.cairo", dir / "clock.cairo");
    const RunResult r = run_program({QUILLVIEW_PATH, "--export=" + (dir / "out").string(),
                                     "--format=png", "--size=32", (dir / "clock.cairo").string()},
                                    {}, kTimeoutMs);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(read_file(dir / "out/clock.png").empty());
    EXPECT_FALSE(fs::exists(dir / "out/clock-0000.png"));
}

}  // namespace
}  // namespace quillkit_test
