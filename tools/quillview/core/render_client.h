// render_client.h - quillview's side of the render process: started on
// first use and again whenever it is gone, stopped with everything it
// started.
#ifndef QUILLVIEW_CORE_RENDER_CLIENT_H
#define QUILLVIEW_CORE_RENDER_CLIENT_H

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "child_process.h"
#include "limits.h"
#include "owned_fd.h"
#include "render_protocol.h"
#include "result.h"
#include "shared_pixels.h"
#include "spawn_thread.h"

namespace quillview {

// What a reply that does not fit its request means.
extern const char *const kChannelForged;

class RenderClient {
public:
    explicit RenderClient(const Limits &limits = limits_from_environment()) : limits_(limits) {}
    ~RenderClient() { stop(); }
    RenderClient(const RenderClient &) = delete;
    RenderClient &operator=(const RenderClient &) = delete;

    // Draws snippet 0 of `code` in the unit square scaled to size x size,
    // in `folder` (where its background files are). A failure says why there
    // is no picture: the snippet crashed, looped, left cairo in an error or
    // wrote into the channel. A module that does not compile in memory comes
    // back as a reply of status kDoesNotCompile, with the messages.
    quillkit::Result<RenderReply> render(const SnippetCode &code, const std::string &folder,
                                         int size, RenderKind kind, double time = 0);
    // Stops the render process (from any thread); the next request starts one.
    void interrupt();
    // Stops it for good (from any thread): no render process starts after
    // this returns, and render() fails at once from then on.
    void close();

private:
    quillkit::Status start();
    void stop();
    std::string why_it_ended(bool timed_out);
    quillkit::Status send(const RenderRequest &request);

    Limits limits_;
    std::optional<quillkit::ChildProcess> child_;
    quillkit::OwnedFd socket_;
    std::atomic<pid_t> pid_{0};
    std::atomic<bool> starting_{false};  // start() is between its check and the child's pid
    std::atomic<bool> closed_{false};
    std::uint32_t serial_ = 0;
    std::optional<SharedPixels> shared_;  // the pixels' memory, made once
    SpawnThread spawner_;
};

}  // namespace quillview

#endif  // QUILLVIEW_CORE_RENDER_CLIENT_H
