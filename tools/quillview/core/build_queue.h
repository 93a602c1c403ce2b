// build_queue.h - what to build and draw next, one job at a time.
//
// The selected snippet comes first, then every other snippet that is shown
// (the grid); the C compiler's checks of what libtcc drew come after all
// pictures. Edits made while a job runs coalesce: the next job builds the
// newest text, whatever came between. An edit of the snippet whose build is
// running cancels that build, whose outcome is then dropped. A job runs
// elsewhere (a worker thread) through a JobRunner; its owner hands the
// outcome back with finish() on the queue's own thread.
#ifndef QUILLVIEW_CORE_BUILD_QUEUE_H
#define QUILLVIEW_CORE_BUILD_QUEUE_H

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "builder.h"
#include "render_protocol.h"
#include "result.h"
#include "snippet_state.h"

namespace quillview {

class RenderClient;

struct Job {
    enum class Kind { kBuild, kDraw, kCheck };
    Kind kind = Kind::kBuild;
    int index = 0;
    int slot = -1;  // the builder's folder for the snippet; -1: its index
    std::string name, folder;
    std::string source;  // the text to build or check
    SnippetCode code;    // what to draw, for kDraw
    int size = 0;        // the picture side; 0: build only
    double time = 0;     // the animation's time to draw
};

struct JobOutcome {
    BuildResult built;                                      // when the job built
    std::optional<quillkit::Result<RenderReply>> rendered;  // when it drew
};

// Runs a job where it does not block the caller.
class JobRunner {
public:
    virtual ~JobRunner() = default;
    virtual void start(const Job &job) = 0;
    // Asks a running job's build to stop soon; its outcome still comes back.
    virtual void cancel() = 0;
};

// Runs a job to its end where it is called: the build if asked, then the
// drawing of the new or the given code; or the C compiler's check. A module
// that libtcc refuses is a failed build, not a failed drawing.
JobOutcome run_job(const Job &job, Builder &builder, RenderClient &renderer);

class BuildQueue {
public:
    BuildQueue(std::vector<SnippetState> &snippets, JobRunner &runner)
        : snippets_(snippets), runner_(runner)
    {
    }

    // The picture side snippet `index` is shown at now (0: not shown).
    void set_wanted_size(std::function<int(int index)> wanted) { wanted_ = std::move(wanted); }
    // The animation's time snippet `index` is to be drawn for now (0
    // unless it animates). A picture of another time is drawn again: one
    // job at a time, so a slow snippet skips the times that passed meanwhile.
    void set_wanted_time(std::function<double(int index)> wanted)
    {
        wanted_time_ = std::move(wanted);
    }
    // Called after finish() applied an outcome to snippet `index`.
    void set_on_changed(std::function<void(int index)> changed) { changed_ = std::move(changed); }

    void select(int index) { selected_ = index; }
    // The editor's text of snippet `index` changed.
    void edit(int index, std::string text);
    // The file of snippet `index` was read or saved.
    void load(int index, std::string text);
    // Snippet `index` left the window (its file is gone): the snippets
    // after it move up one, and a job about it is dropped.
    void remove(int index);
    // While held, no check by the C compiler starts (a number dragged with
    // the mouse changes faster than the compiler checks); released, the
    // checks that wait start.
    void hold_checks(bool held);
    // Starts the next job when none runs and one is needed.
    void pump();
    // The running job ended.
    void finish(const JobOutcome &outcome);
    // Starts nothing more and cancels the running build.
    void stop();

    bool busy() const { return running_.has_value(); }
    const std::optional<Job> &running() const { return running_; }

private:
    bool needs_job(int index) const;
    void start(int index, bool check);
    void edited(int index);

    std::vector<SnippetState> &snippets_;
    JobRunner &runner_;
    std::function<int(int)> wanted_ = [](int) { return 0; };
    std::function<double(int)> wanted_time_ = [](int) { return 0.0; };
    std::function<void(int)> changed_ = [](int) {};
    int selected_ = 0;
    std::optional<Job> running_;
    bool cancelled_ = false;
    bool stopped_ = false;
    bool checks_held_ = false;
};

}  // namespace quillview

#endif  // QUILLVIEW_CORE_BUILD_QUEUE_H
