// spawn_thread.cpp - starting children from a thread of their own.
#include "spawn_thread.h"

namespace quillview {

SpawnThread::SpawnThread() : thread_([this] { run(); }) {}

SpawnThread::~SpawnThread()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

quillkit::Result<quillkit::ChildProcess> SpawnThread::start(const quillkit::ChildSpec &plan)
{
    std::unique_lock<std::mutex> lock(mutex_);
    // One request at a time: wait for the slot, then for the answer.
    wake_.wait(lock, [this] { return request_ == nullptr && !answer_; });
    request_ = &plan;
    wake_.notify_all();
    wake_.wait(lock, [this] { return answer_.has_value(); });
    quillkit::Result<quillkit::ChildProcess> child = std::move(*answer_);
    answer_.reset();
    wake_.notify_all();
    return child;
}

void SpawnThread::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return ending_ || request_ != nullptr; });
        if (ending_)
            return;
        answer_.emplace(quillkit::ChildProcess::start(*request_));
        request_ = nullptr;
        wake_.notify_all();
    }
}

}  // namespace quillview
