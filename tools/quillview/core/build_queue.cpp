// build_queue.cpp - choosing, starting and applying jobs.
#include "build_queue.h"

#include "render_client.h"

namespace quillview {

JobOutcome run_job(const Job &job, Builder &builder, RenderClient &renderer)
{
    JobOutcome outcome;
    const int slot = job.slot >= 0 ? job.slot : job.index;
    if (job.kind == Job::Kind::kCheck) {
        outcome.built = builder.check(slot, job.name, job.source);
        return outcome;
    }
    SnippetCode code = job.code;
    if (job.kind == Job::Kind::kBuild) {
        outcome.built = builder.build(slot, job.name, job.source);
        code = outcome.built.ok ? SnippetCode{outcome.built.object, outcome.built.module}
                                : SnippetCode{};
    }
    if ((code.object.empty() && code.module.empty()) || job.size <= 0)
        return outcome;
    quillkit::Result<RenderReply> drawn =
        renderer.render(code, job.folder, job.size, RenderKind::kPixels, job.time);
    if (drawn && drawn->status == RenderStatus::kDoesNotCompile) {
        outcome.built.ok = false;
        outcome.built.module.clear();
        outcome.built.log = drawn->failure;
        return outcome;
    }
    outcome.rendered = std::move(drawn);
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
    if (running_ && running_->kind != Job::Kind::kDraw && running_->index == index &&
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
    return s.needs_build() || s.needs_render(size, wanted_time_(index));
}

void BuildQueue::remove(int index)
{
    snippets_.erase(snippets_.begin() + index);
    if (running_ && running_->index == index && !cancelled_) {
        cancelled_ = true;
        runner_.cancel();
    } else if (running_ && running_->index > index) {
        running_->index--;
    }
    if (selected_ > index)
        selected_--;
}

void BuildQueue::hold_checks(bool held)
{
    checks_held_ = held;
    pump();
}

void BuildQueue::pump()
{
    if (running_ || stopped_ || snippets_.empty())
        return;
    const int count = static_cast<int>(snippets_.size());
    const bool selected = selected_ >= 0 && selected_ < count;
    if (selected && needs_job(selected_)) {
        start(selected_, false);
        return;
    }
    for (int i = 0; i < count; i++) {
        if (needs_job(i)) {
            start(i, false);
            return;
        }
    }
    if (checks_held_)
        return;
    if (selected && snippets_[selected_].needs_check()) {
        start(selected_, true);
        return;
    }
    for (int i = 0; i < count; i++) {
        if (wanted_(i) > 0 && snippets_[i].needs_check()) {
            start(i, true);
            return;
        }
    }
}

void BuildQueue::start(int index, bool check)
{
    const SnippetState &s = snippets_[index];
    Job job;
    job.index = index;
    job.slot = s.slot();
    job.name = s.file().name;
    job.folder = s.file().folder;
    job.kind = check ? Job::Kind::kCheck : s.needs_build() ? Job::Kind::kBuild : Job::Kind::kDraw;
    job.source = s.source();
    job.code = s.code();
    job.size = wanted_(index);
    job.time = wanted_time_(index);
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
        if (job.kind == Job::Kind::kCheck)
            s.apply_check(job.source, outcome.built);
        if (job.kind == Job::Kind::kBuild)
            s.apply_build(job.source, outcome.built);
        if (outcome.rendered)
            s.apply_render(job.size, *outcome.rendered, job.time);
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
