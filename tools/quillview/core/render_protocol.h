// render_protocol.h - the messages between quillview and its render
// process, one definition for both ends.
//
// A request names a snippet's compiled object, the folder its background
// files are in, a picture side and what to make of it; the reply echoes the
// request's serial number and kind and carries a failure message, or the
// picture's pixels (premultiplied ARGB32, row after row) or the bytes of a
// PNG, SVG or PDF file. The window trusts nothing in a reply that does not
// match its request: the render process runs snippet code, which can write
// anything to the socket.
#ifndef QUILLVIEW_CORE_RENDER_PROTOCOL_H
#define QUILLVIEW_CORE_RENDER_PROTOCOL_H

#include <cstdint>
#include <string>
#include <vector>

#include "result.h"

namespace quillview {

// What a render request asks for.
enum class RenderKind : std::uint32_t { kPixels = 0, kPng = 1, kSvg = 2, kPdf = 3 };

// The largest picture side the render process draws.
constexpr int kMaxRenderSize = 8192;
// The longest object or folder path a request carries.
constexpr std::uint32_t kMaxRequestPath = 16384;
// The longest failure message a reply carries.
constexpr std::uint32_t kMaxReplyMessage = 65536;
// The largest file a reply carries (a PDF or SVG of a busy snippet).
constexpr std::uint64_t kMaxReplyFile = std::uint64_t{1} << 30;
// The descriptor the render process gets its requests on.
constexpr int kRenderServerFd = 3;

// The longest module text a request carries.
constexpr std::uint32_t kMaxRequestModule = 64u << 20;

struct RenderRequest {
    std::uint32_t serial = 0;
    RenderKind kind = RenderKind::kPixels;
    int size = 0;
    double time = 0;     // the animation's time, for snippet_time
    std::string object;  // the snippet's compiled object, or
    std::string module;  // the module's C text, compiled in memory (libtcc)
    std::string folder;  // where its background files are
};

// What to draw: a compiled object, or a module's C text to compile in the
// render process's memory.
struct SnippetCode {
    std::string object;
    std::string module;
};

// How a reply turned out.
enum class RenderStatus : std::uint32_t {
    kFailed = 0,         // no picture: `failure` says why
    kDrawn = 1,          // the picture, and perhaps a warning in `failure`
    kDoesNotCompile = 2  // the module did not compile in memory: `failure` has the messages
};

struct RenderReply {
    std::uint32_t serial = 0;
    RenderKind kind = RenderKind::kPixels;
    RenderStatus status = RenderStatus::kFailed;
    int width = 0, height = 0;
    std::string failure;                // why there is no picture
    std::vector<std::uint32_t> pixels;  // kPixels, unless...
    bool in_shared_memory = false;      // ...they are in the shared pixels' memory
    std::string file;                   // kPng, kSvg, kPdf: the file's bytes
    double load_ms = 0, draw_ms = 0;
};

// The fixed part of a reply as it crosses the socket.
struct ReplyHeader {
    std::uint32_t serial, kind, status, width, height, message_len;
    std::uint64_t payload_len;
    double load_ms, draw_ms;
};

// Whether `header` can be the answer to `request`: the same serial and kind,
// a message and payload within bounds, and for pixels exactly size x size.
quillkit::Status check_reply(const ReplyHeader &header, const RenderRequest &request);

// The client's side: sends a request; reads its reply by `deadline_ms` (of
// quillkit::monotonic_ms). read_reply fails with kReplyTimedOut when the
// deadline passed, kReplyClosed when the socket closed, or a message naming
// what did not match.
quillkit::Status write_request(int fd, const RenderRequest &request);
extern const char *const kReplyTimedOut;
extern const char *const kReplyClosed;
quillkit::Result<RenderReply> read_reply(int fd, const RenderRequest &request, double deadline_ms);
// The rest of a reply whose header has been read and checked.
quillkit::Result<RenderReply> read_reply_body(int fd, const ReplyHeader &header,
                                              const RenderRequest &request, double deadline_ms);

// The render process's side: reads the next request (fails when the socket
// closed or the request is out of bounds) and writes a reply.
quillkit::Result<RenderRequest> read_request(int fd);
quillkit::Status write_reply(int fd, const RenderReply &reply);

}  // namespace quillview

#endif  // QUILLVIEW_CORE_RENDER_PROTOCOL_H
