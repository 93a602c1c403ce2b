// job_runner.cpp - jobs on GLib's worker threads.
//
// A job gets copies of what it needs (the Job) and the builder and render
// client, which are safe to use from one other thread at a time: the queue
// runs one job at a time. Its outcome is handed back on the main thread,
// where all of the window's state lives.
#include "job_runner.h"

#include <memory>

#include "read_exact.h"
#include "render_client.h"

namespace quillview {

namespace {

struct Task {
    Job job;
    Builder *builder;
    const std::string *no_builder;
    RenderClient *renderer;
    JobOutcome outcome;
    double started_ms = 0;
};

void run_task(GTask *task, gpointer, gpointer data, GCancellable *)
{
    auto *t = static_cast<Task *>(data);
    t->started_ms = quillkit::monotonic_ms();
    if (t->builder != nullptr) {
        t->outcome = run_job(t->job, *t->builder, *t->renderer);
    } else {
        t->outcome.built.ok = false;
        t->outcome.built.log = *t->no_builder;
    }
    g_task_return_boolean(task, TRUE);
}

void delete_task(gpointer data)
{
    delete static_cast<Task *>(data);
}

}  // namespace

TaskJobRunner::TaskJobRunner(Builder *builder, std::string no_builder, RenderClient &renderer,
                             Finished finished)
    : builder_(builder), no_builder_(std::move(no_builder)), renderer_(renderer),
      finished_(std::move(finished))
{
}

TaskJobRunner::~TaskJobRunner()
{
    dropping_ = true;
    cancel();
    wait();
}

void TaskJobRunner::start(const Job &job)
{
    auto task_data = std::make_unique<Task>(Task{job, builder_, &no_builder_, &renderer_, {}, 0});
    GTask *task = g_task_new(nullptr, nullptr, &TaskJobRunner::on_done, this);
    g_task_set_task_data(task, task_data.release(), &delete_task);
    running_ = true;
    g_task_run_in_thread(task, &run_task);
    g_object_unref(task);
}

void TaskJobRunner::cancel()
{
    if (builder_ != nullptr)
        builder_->interrupt();
}

void TaskJobRunner::stop()
{
    if (builder_ != nullptr)
        builder_->stop();
    renderer_.close();
}

void TaskJobRunner::wait()
{
    while (running_)
        g_main_context_iteration(nullptr, TRUE);
}

void TaskJobRunner::on_done(GObject *, GAsyncResult *result, gpointer data)
{
    auto *self = static_cast<TaskJobRunner *>(data);
    const auto *t = static_cast<const Task *>(g_task_get_task_data(G_TASK(result)));
    self->running_ = false;
    self->last_start_ms_ = t->started_ms;
    if (!self->dropping_)
        self->finished_(t->outcome);
}

}  // namespace quillview
