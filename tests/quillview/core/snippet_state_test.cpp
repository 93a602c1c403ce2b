// snippet_state_test.cpp - a snippet's status through builds and draws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "snippet_state.h"

namespace quillview {
namespace {

enum class Step { kEdit, kLoad, kBuildOk, kBuildFails, kDraw, kDrawFails };

struct Case {
    const char *what;
    std::vector<Step> steps;
    SnippetStatus status;
    bool has_picture, needs_build;
    const char *summary;
};

void run(SnippetState &s, Step step, int &serial)
{
    BuildResult built;
    RenderReply reply;
    switch (step) {
    case Step::kEdit:
        s.set_source("edited " + std::to_string(++serial));
        break;
    case Step::kLoad:
        s.set_disk_text("from disk " + std::to_string(++serial));
        break;
    case Step::kBuildOk:
        built.ok = true;
        built.object = "o" + std::to_string(++serial);
        s.apply_build(s.source(), built);
        break;
    case Step::kBuildFails:
        built.diagnostics = {{2, 1, "warning", "w"}, {5, 1, "error", "e"}};
        s.apply_build(s.source(), built);
        break;
    case Step::kDraw:
        reply.status = RenderStatus::kDrawn;
        reply.width = reply.height = 2;
        reply.pixels = {1, 2, 3, 4};
        s.apply_render(2, reply);
        break;
    case Step::kDrawFails:
        s.apply_render(2, quillkit::fail("the snippet crashed (Segmentation fault)"));
        break;
    }
}

TEST(SnippetState, Transitions)
{
    using S = Step;
    const Case cases[] = {
        {"new", {}, SnippetStatus::kPending, false, true, ""},
        {"built, not drawn", {S::kBuildOk}, SnippetStatus::kPending, false, false, ""},
        {"drawn", {S::kBuildOk, S::kDraw}, SnippetStatus::kDrawn, true, false, ""},
        {"never compiled",
         {S::kBuildFails},
         SnippetStatus::kFailed,
         false,
         false,
         "error at line 5"},
        {"broken after a picture",
         {S::kBuildOk, S::kDraw, S::kEdit, S::kBuildFails},
         SnippetStatus::kStale,
         true,
         false,
         "error at line 5"},
        {"edited since", {S::kBuildOk, S::kDraw, S::kEdit}, SnippetStatus::kDrawn, true, true, ""},
        {"crashed while drawing",
         {S::kBuildOk, S::kDrawFails},
         SnippetStatus::kFailed,
         false,
         false,
         "the snippet crashed (Segmentation fault)"},
        {"mended after a crash",
         {S::kBuildOk, S::kDrawFails, S::kLoad, S::kBuildOk, S::kDraw},
         SnippetStatus::kDrawn,
         true,
         false,
         ""},
    };
    for (const Case &c : cases) {
        SnippetState s(SnippetFile{"a", "a.cairo", "."}, "text");
        int serial = 0;
        for (Step step : c.steps)
            run(s, step, serial);
        EXPECT_EQ(s.status(), c.status) << c.what;
        EXPECT_EQ(s.picture() != nullptr, c.has_picture) << c.what;
        EXPECT_EQ(s.needs_build(), c.needs_build) << c.what;
        EXPECT_EQ(s.summary(), c.summary) << c.what;
    }
}

TEST(SnippetState, DiskTextReplacesTheSourceAndPicturesAreTold)
{
    SnippetState s(SnippetFile{"a", "a.cairo", "."}, "one");
    s.set_source("typed");
    EXPECT_EQ(s.disk_text(), "one");
    s.set_disk_text("two");
    EXPECT_EQ(s.source(), "two");
    int serial = 0;
    run(s, Step::kBuildOk, serial);
    EXPECT_TRUE(s.diagnostics_current());
    EXPECT_TRUE(s.needs_render(2));
    run(s, Step::kDraw, serial);
    const std::uint64_t first = s.picture()->serial;
    EXPECT_FALSE(s.needs_render(2));
    EXPECT_TRUE(s.needs_render(3));
    run(s, Step::kDraw, serial);
    EXPECT_NE(s.picture()->serial, first);
    s.set_source("typed again");
    EXPECT_FALSE(s.diagnostics_current());
}

TEST(SnippetState, APictureOfAnotherTimeIsDrawnAgain)
{
    SnippetState s(SnippetFile{"a", "a.cairo", "."}, "one");
    int serial = 0;
    run(s, Step::kBuildOk, serial);
    RenderReply reply;
    reply.status = RenderStatus::kDrawn;
    reply.width = reply.height = 2;
    reply.pixels = {1, 2, 3, 4};
    s.apply_render(2, reply, 1.25);
    EXPECT_DOUBLE_EQ(s.drawn_time(), 1.25);
    EXPECT_FALSE(s.needs_render(2, 1.25));
    EXPECT_TRUE(s.needs_render(2, 1.5));
    EXPECT_TRUE(s.needs_render(3, 1.25));
    EXPECT_FALSE(s.needs_render(0, 1.5));
    s.apply_render(2, quillkit::fail("the snippet crashed"), 1.5);
    EXPECT_FALSE(s.needs_render(2, 1.75));
}

TEST(SnippetState, CallsOfSnippetTime)
{
    const struct {
        const char *text;
        bool calls;
    } cases[] = {
        {"cairo_paint (cr);", false},
        {"double t = snippet_time ();", true},
        {"x = snippet_time() * 2;", true},
        {"x = snippet_time\n  ();", true},
        {"/* snippet_time () */ cairo_paint (cr);", false},
        {"// snippet_time ()\ncairo_paint (cr);", false},
        {"puts (\"snippet_time ()\");", false},
        {"puts (\"\\\"\"); x = snippet_time ();", true},
        {"/* a */ x = snippet_time (); // b", true},
        {"my_snippet_time ();", false},
        {"snippet_timer ();", false},
        {"double (*f) (void) = snippet_time;", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(calls_snippet_time(c.text), c.calls) << c.text;
}

}  // namespace
}  // namespace quillview
