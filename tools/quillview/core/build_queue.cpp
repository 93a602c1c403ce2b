// build_queue.cpp - choosing, starting and applying jobs.
#include "build_queue.h"

#include "render_client.h"

namespace quillview {

JobOutcome run_job(const Job &job, Builder &builder, RenderClient &renderer)
{
    JobOutcome outcome;
    std::string object = job.object;
    if (job.build) {
        outcome.built = builder.build(job.index, job.name, job.source);
        object = outcome.built.ok ? outcome.built.object : std::string();
    }
    if (!object.empty() && job.size > 0)
        outcome.rendered = renderer.render(object, job.folder, job.size, RenderKind::kPixels);
    return outcome;
}

void BuildQueue::edit(int index, std::string text)
{
    snippets_[index].set_source(std::move(text));
    edited(index);
}

void BuildQueue::load(int index, std::string text)
{
    snippets_[index].set_disk_text(std::move(text));
    edited(index);
}

void BuildQueue::edited(int index)
{
    // A build of an older text of this snippet is of no use any more.
    if (running_ && running_->build && running_->index == index &&
        running_->source != snippets_[index].source() && !cancelled_) {
        cancelled_ = true;
        runner_.cancel();
    }
    pump();
}

bool BuildQueue::needs_job(int index) const
{
    const SnippetState &s = snippets_[index];
    const int size = wanted_(index);
    if (size <= 0)
        return false;
    return s.needs_build() || s.needs_render(size);
}

void BuildQueue::pump()
{
    if (running_ || stopped_ || snippets_.empty())
        return;
    const int count = static_cast<int>(snippets_.size());
    if (selected_ >= 0 && selected_ < count && needs_job(selected_)) {
        start(selected_);
        return;
    }
    for (int i = 0; i < count; i++) {
        if (needs_job(i)) {
            start(i);
            return;
        }
    }
}

void BuildQueue::start(int index)
{
    const SnippetState &s = snippets_[index];
    Job job;
    job.index = index;
    job.name = s.file().name;
    job.folder = s.file().folder;
    job.build = s.needs_build();
    job.source = s.source();
    job.object = s.object();
    job.size = wanted_(index);
    running_ = job;
    cancelled_ = false;
    runner_.start(*running_);
}

void BuildQueue::finish(const JobOutcome &outcome)
{
    if (!running_)
        return;
    const Job job = std::move(*running_);
    running_.reset();
    if (!cancelled_ && !stopped_) {
        SnippetState &s = snippets_[job.index];
        if (job.build)
            s.apply_build(job.source, outcome.built);
        if (outcome.rendered)
            s.apply_render(job.size, *outcome.rendered);
        changed_(job.index);
    }
    cancelled_ = false;
    pump();
}

void BuildQueue::stop()
{
    stopped_ = true;
    if (running_ && !cancelled_) {
        cancelled_ = true;
        runner_.cancel();
    }
}

}  // namespace quillview
