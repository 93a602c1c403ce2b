// build_queue_test.cpp - what the build queue starts, coalesces, cancels and
// keeps, with a runner that only records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "build_queue.h"

namespace quillview {
namespace {

class RecordingRunner : public JobRunner {
public:
    void start(const Job &job) override { started.push_back(job); }
    void cancel() override { cancels++; }
    std::vector<Job> started;
    int cancels = 0;
};

BuildResult good_build(const std::string &object)
{
    BuildResult b;
    b.ok = true;
    b.object = object;
    b.checked = true;
    return b;
}

// A build on the in-memory path: the module, not yet seen by the compiler.
BuildResult unchecked_build(const std::string &module)
{
    BuildResult b;
    b.ok = true;
    b.module = module;
    return b;
}

BuildResult failed_build(int line)
{
    BuildResult b;
    b.checked = true;
    b.diagnostics = {{line, 3, "error", "expected ';'"}};
    return b;
}

JobOutcome drawn(int size, std::uint32_t pixel)
{
    RenderReply reply;
    reply.status = RenderStatus::kDrawn;
    reply.width = reply.height = size;
    reply.pixels.assign(static_cast<std::size_t>(size) * size, pixel);
    JobOutcome o;
    o.rendered = reply;
    return o;
}

class BuildQueueTest : public ::testing::Test {
protected:
    BuildQueueTest()
    {
        for (const char *name : {"a", "b", "c"})
            snippets.emplace_back(SnippetFile{name, std::string(name) + ".cairo", "."}, "text0");
        queue.set_wanted_size([this](int index) { return index == 0 || grid ? 8 : 0; });
        queue.set_on_changed([this](int index) { changed.push_back(index); });
    }

    std::vector<SnippetState> snippets;
    RecordingRunner runner;
    BuildQueue queue{snippets, runner};
    bool grid = false;
    std::vector<int> changed;
};

TEST_F(BuildQueueTest, EditsDuringABuildCoalesceIntoOneBuildOfTheNewestText)
{
    queue.pump();
    ASSERT_EQ(runner.started.size(), 1u);
    queue.edit(1, "b1");  // another snippet: no cancel
    queue.edit(1, "b2");
    EXPECT_EQ(runner.cancels, 0);
    JobOutcome first = drawn(8, 1);
    first.built = good_build("a.so");
    queue.finish(first);
    EXPECT_EQ(changed, std::vector<int>{0});
    // b is not shown: nothing more to do until the grid shows it.
    EXPECT_EQ(runner.started.size(), 1u);
    grid = true;
    queue.pump();
    ASSERT_EQ(runner.started.size(), 2u);
    EXPECT_EQ(runner.started[1].index, 1);
    EXPECT_EQ(runner.started[1].source, "b2");
}

TEST_F(BuildQueueTest, ANewerEditCancelsTheOlderBuildAndItsOutcomeIsDropped)
{
    queue.pump();
    queue.edit(0, "a1");
    queue.edit(0, "a2");
    EXPECT_EQ(runner.cancels, 1);  // once, however many edits follow
    JobOutcome killed;
    killed.built = failed_build(1);
    queue.finish(killed);
    EXPECT_TRUE(changed.empty());
    EXPECT_EQ(snippets[0].status(), SnippetStatus::kPending);
    ASSERT_EQ(runner.started.size(), 2u);
    EXPECT_EQ(runner.started[1].kind, Job::Kind::kBuild);
    EXPECT_EQ(runner.started[1].source, "a2");
}

TEST_F(BuildQueueTest, AFailedBuildKeepsTheLastPictureAsStale)
{
    queue.pump();
    JobOutcome ok = drawn(8, 0xff0000ffu);
    ok.built = good_build("a-1.so");
    queue.finish(ok);
    ASSERT_EQ(snippets[0].status(), SnippetStatus::kDrawn);
    queue.edit(0, "broken");
    JobOutcome bad;
    bad.built = failed_build(4);
    queue.finish(bad);
    EXPECT_EQ(snippets[0].status(), SnippetStatus::kStale);
    ASSERT_NE(snippets[0].picture(), nullptr);
    EXPECT_EQ(snippets[0].picture()->pixels.front(), 0xff0000ffu);
    EXPECT_EQ(snippets[0].summary(), "error at line 4");
    EXPECT_EQ(snippets[0].code().object, "a-1.so");  // still drawable at other sizes
    EXPECT_EQ(runner.started.size(), 2u);            // nothing more: the text is built
}

TEST_F(BuildQueueTest, ANewSizeRedrawsTheBuiltObjectWithoutBuilding)
{
    int size = 8;
    queue.set_wanted_size([&](int index) { return index == 0 ? size : 0; });
    queue.pump();
    JobOutcome ok = drawn(8, 7);
    ok.built = good_build("a-1.so");
    queue.finish(ok);
    size = 16;
    queue.pump();
    ASSERT_EQ(runner.started.size(), 2u);
    EXPECT_EQ(runner.started[1].kind, Job::Kind::kDraw);
    EXPECT_EQ(runner.started[1].code.object, "a-1.so");
    EXPECT_EQ(runner.started[1].size, 16);
}

TEST_F(BuildQueueTest, APictureFromMemoryIsCheckedAfterwardsAndAnErrorMakesItStale)
{
    grid = true;
    queue.pump();
    JobOutcome fast = drawn(8, 5);
    fast.built = unchecked_build("module a");
    queue.finish(fast);
    EXPECT_EQ(snippets[0].status(), SnippetStatus::kDrawn);
    // Every shown picture first, then the checks.
    ASSERT_EQ(runner.started.size(), 2u);
    EXPECT_EQ(runner.started[1].kind, Job::Kind::kBuild);
    EXPECT_EQ(runner.started[1].index, 1);
    for (int i : {1, 2}) {
        JobOutcome o = drawn(8, 5);
        o.built = unchecked_build("module");
        queue.finish(o);
        EXPECT_EQ(runner.started.back().index, i == 1 ? 2 : 0);
    }
    ASSERT_EQ(runner.started.back().kind, Job::Kind::kCheck);
    EXPECT_EQ(runner.started.back().source, "text0");
    JobOutcome rejected;
    rejected.built = failed_build(2);
    queue.finish(rejected);
    EXPECT_EQ(snippets[0].status(), SnippetStatus::kStale);
    EXPECT_EQ(snippets[0].summary(), "error at line 2");
    EXPECT_EQ(runner.started.back().kind, Job::Kind::kCheck);
    EXPECT_EQ(runner.started.back().index, 1);
}

TEST_F(BuildQueueTest, HeldChecksWaitAndPicturesDoNot)
{
    queue.hold_checks(true);
    queue.pump();
    JobOutcome fast = drawn(8, 5);
    fast.built = unchecked_build("module a");
    queue.finish(fast);
    EXPECT_EQ(runner.started.size(), 1u);  // no check while held
    queue.edit(0, "a1");
    ASSERT_EQ(runner.started.size(), 2u);  // but the next picture
    EXPECT_EQ(runner.started[1].kind, Job::Kind::kBuild);
    JobOutcome next = drawn(8, 6);
    next.built = unchecked_build("module a1");
    queue.finish(next);
    EXPECT_EQ(runner.started.size(), 2u);
    queue.hold_checks(false);
    ASSERT_EQ(runner.started.size(), 3u);
    EXPECT_EQ(runner.started[2].kind, Job::Kind::kCheck);
    EXPECT_EQ(runner.started[2].source, "a1");
}

TEST_F(BuildQueueTest, ACheckOfAnOlderTextChangesNothing)
{
    queue.pump();
    JobOutcome fast = drawn(8, 5);
    fast.built = unchecked_build("module a");
    queue.finish(fast);
    ASSERT_EQ(runner.started.back().kind, Job::Kind::kCheck);
    queue.edit(0, "newer");
    EXPECT_EQ(runner.cancels, 1);
    JobOutcome late;
    late.built = failed_build(1);
    queue.finish(late);
    EXPECT_EQ(snippets[0].status(), SnippetStatus::kDrawn);
    EXPECT_EQ(runner.started.back().kind, Job::Kind::kBuild);
    EXPECT_EQ(runner.started.back().source, "newer");
}

TEST_F(BuildQueueTest, TheSelectedSnippetGoesFirstAndStopEndsTheQueue)
{
    grid = true;
    queue.select(2);
    queue.pump();
    ASSERT_EQ(runner.started.size(), 1u);
    EXPECT_EQ(runner.started[0].index, 2);
    queue.stop();
    EXPECT_EQ(runner.cancels, 1);
    JobOutcome ok = drawn(8, 1);
    ok.built = good_build("c.so");
    queue.finish(ok);
    EXPECT_EQ(runner.started.size(), 1u);
    EXPECT_FALSE(queue.busy());
}

TEST_F(BuildQueueTest, AnAnimationDrawsTheNewestTimeAndNeverQueuesFrames)
{
    double now = 0;
    queue.set_wanted_time([&](int index) { return index == 0 ? now : 0.0; });
    queue.pump();
    JobOutcome first = drawn(8, 1);
    first.built = good_build("a-1.so");
    queue.finish(first);
    EXPECT_DOUBLE_EQ(snippets[0].drawn_time(), 0);
    ASSERT_EQ(runner.started.size(), 1u);  // drawn for the time it wants
    // Frames pass while one is drawn: one job, then the newest time.
    now = 0.5;
    queue.pump();
    ASSERT_EQ(runner.started.size(), 2u);
    EXPECT_EQ(runner.started[1].kind, Job::Kind::kDraw);
    EXPECT_DOUBLE_EQ(runner.started[1].time, 0.5);
    for (double t : {0.52, 0.54, 0.56}) {
        now = t;
        queue.pump();
    }
    EXPECT_EQ(runner.started.size(), 2u);
    queue.finish(drawn(8, 2));
    EXPECT_DOUBLE_EQ(snippets[0].drawn_time(), 0.5);
    ASSERT_EQ(runner.started.size(), 3u);
    EXPECT_DOUBLE_EQ(runner.started[2].time, 0.56);
    queue.finish(drawn(8, 3));
    EXPECT_EQ(runner.started.size(), 3u);  // the time has not moved since
}

TEST_F(BuildQueueTest, ARemovedSnippetsJobIsDroppedAndLaterOnesMoveUp)
{
    grid = true;
    snippets[2].set_slot(7);
    queue.select(2);
    queue.pump();
    ASSERT_EQ(runner.started.size(), 1u);
    EXPECT_EQ(runner.started[0].slot, 7);
    queue.remove(0);  // before the running job's snippet
    ASSERT_EQ(snippets.size(), 2u);
    JobOutcome c = drawn(8, 3);
    c.built = good_build("c.so");
    queue.finish(c);
    EXPECT_EQ(changed, std::vector<int>{1});
    EXPECT_EQ(snippets[1].code().object, "c.so");
    ASSERT_EQ(runner.started.size(), 2u);
    EXPECT_EQ(runner.started[1].index, 0);
    EXPECT_EQ(runner.started[1].name, "b");
    queue.remove(0);  // the running job's own snippet
    EXPECT_EQ(runner.cancels, 1);
    JobOutcome b = drawn(8, 2);
    b.built = good_build("b.so");
    queue.finish(b);
    EXPECT_EQ(changed, std::vector<int>{1});
    EXPECT_EQ(snippets[0].code().object, "c.so");
}

}  // namespace
}  // namespace quillview
