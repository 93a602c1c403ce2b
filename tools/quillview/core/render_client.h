// render_client.h - quillview's side of the render process: started on
// first use and again after it dies, stopped with everything it started.
#ifndef QUILLVIEW_CORE_RENDER_CLIENT_H
#define QUILLVIEW_CORE_RENDER_CLIENT_H

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "child_process.h"
#include "owned_fd.h"
#include "render_protocol.h"
#include "result.h"

namespace quillview {

// The longest a snippet may draw.
constexpr int kRenderTimeoutMs = 2000;

class RenderClient {
public:
    RenderClient() = default;
    ~RenderClient() { stop(); }
    RenderClient(const RenderClient &) = delete;
    RenderClient &operator=(const RenderClient &) = delete;

    // Draws snippet 0 of `object` in the unit square scaled to size x size,
    // in `folder` (where its background files are). A failure says why there
    // is no picture: the snippet crashed, looped or left cairo in an error.
    quillkit::Result<RenderReply> render(const std::string &object, const std::string &folder,
                                         int size, RenderKind kind);
    // Stops the render process (from any thread); the next request starts one.
    void interrupt();

private:
    quillkit::Status start();
    void stop();
    std::string why_it_ended(bool timed_out);

    std::optional<quillkit::ChildProcess> child_;
    quillkit::OwnedFd socket_;
    std::atomic<pid_t> pid_{0};
    std::uint32_t serial_ = 0;
};

}  // namespace quillview

#endif  // QUILLVIEW_CORE_RENDER_CLIENT_H
