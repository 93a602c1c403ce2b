// job_runner.h - quillview's jobs on a GLib worker thread (GTask): the
// build and the drawing run there, their outcome comes back on the main
// thread.
#ifndef QUILLVIEW_UI_JOB_RUNNER_H
#define QUILLVIEW_UI_JOB_RUNNER_H

#include <gio/gio.h>

#include <functional>
#include <string>

#include "build_queue.h"

namespace quillview {

class TaskJobRunner final : public JobRunner {
public:
    using Finished = std::function<void(const JobOutcome &outcome)>;

    // Runs jobs with `builder` (null when none could be made: every build
    // then fails with `no_builder` as its log) and `renderer`; `finished`
    // gets each outcome on the main thread.
    TaskJobRunner(Builder *builder, std::string no_builder, RenderClient &renderer,
                  Finished finished);
    // Waits for a running job; its outcome is dropped.
    ~TaskJobRunner() override;
    TaskJobRunner(const TaskJobRunner &) = delete;
    TaskJobRunner &operator=(const TaskJobRunner &) = delete;

    void start(const Job &job) override;
    // Stops the running build soon (its outcome still comes back).
    void cancel() override;
    // Stops for good: the running build and drawing are killed at once
    // (their outcome still comes back), and nothing starts a compiler or a
    // render process again.
    void stop();

    bool running() const { return running_; }
    // When the last job to end began on its worker thread (monotonic ms).
    double last_start_ms() const { return last_start_ms_; }
    // Runs the main context until no job runs.
    void wait();

private:
    static void on_done(GObject *source, GAsyncResult *result, gpointer data);

    Builder *builder_;
    std::string no_builder_;
    RenderClient &renderer_;
    Finished finished_;
    bool running_ = false;
    bool dropping_ = false;
    double last_start_ms_ = 0;
};

}  // namespace quillview

#endif  // QUILLVIEW_UI_JOB_RUNNER_H
