// spawn_thread.h - a thread that starts child processes for its owner.
//
// The kernel ties a child's parent-death signal (PR_SET_PDEATHSIG) to the
// thread that created it, not to the process: a child started from a worker
// thread that later ends (GLib's pool ends idle threads) would be killed
// then. Children started here belong to a thread that lives as long as its
// owner.
#ifndef QUILLVIEW_CORE_SPAWN_THREAD_H
#define QUILLVIEW_CORE_SPAWN_THREAD_H

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "child_process.h"
#include "result.h"

namespace quillview {

class SpawnThread {
public:
    SpawnThread();
    ~SpawnThread();
    SpawnThread(const SpawnThread &) = delete;
    SpawnThread &operator=(const SpawnThread &) = delete;

    // Starts a child on this object's thread and waits for it to be started.
    quillkit::Result<quillkit::ChildProcess> start(const quillkit::ChildSpec &plan);

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    const quillkit::ChildSpec *request_ = nullptr;
    std::optional<quillkit::Result<quillkit::ChildProcess>> answer_;
    bool ending_ = false;
    std::thread thread_;  // last: started once the rest is ready
};

}  // namespace quillview

#endif  // QUILLVIEW_CORE_SPAWN_THREAD_H
