// render_protocol.cpp - the render requests and replies on the socket.
#include "render_protocol.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "read_exact.h"
#include "write_all.h"

namespace quillview {

using quillkit::fail;
using quillkit::ReadOutcome;
using quillkit::Result;
using quillkit::Status;

const char *const kReplyTimedOut = "the render process did not answer in time";
const char *const kReplyClosed = "the render process closed its socket";

namespace {

struct RequestHeader {
    std::uint32_t serial, kind, size, object_len, module_len, folder_len;
    double time;
};

bool is_kind(std::uint32_t kind)
{
    return kind <= static_cast<std::uint32_t>(RenderKind::kPdf);
}

Status send(int fd, const void *data, std::size_t size)
{
    const int err = quillkit::write_all(fd, data, size);
    if (err != 0)
        return fail(std::string("cannot write to the render process: ") + std::strerror(err));
    return {};
}

Status outcome_status(ReadOutcome outcome)
{
    switch (outcome) {
    case ReadOutcome::kDone:
        return {};
    case ReadOutcome::kTimedOut:
        return fail(kReplyTimedOut);
    default:
        return fail(kReplyClosed);
    }
}

}  // namespace

Status check_reply(const ReplyHeader &header, const RenderRequest &request)
{
    if (header.serial != request.serial || header.kind != static_cast<std::uint32_t>(request.kind))
        return fail("the render process answered another request");
    if (header.status > static_cast<std::uint32_t>(RenderStatus::kDoesNotCompile) ||
        header.message_len > kMaxReplyMessage)
        return fail("the render process sent a malformed reply");
    if (header.status != static_cast<std::uint32_t>(RenderStatus::kDrawn))
        return header.payload_len == 0 ? Status{}
                                       : fail("the render process sent a picture with a failure");
    if (header.width != static_cast<std::uint32_t>(request.size) ||
        header.height != static_cast<std::uint32_t>(request.size))
        return fail("the render process sent a picture of another size");
    const std::uint64_t pixels_len = std::uint64_t{header.width} * header.height * 4;
    // Pixels come with the reply, or (a payload of 0) in shared memory.
    if (request.kind == RenderKind::kPixels
            ? header.payload_len != pixels_len && header.payload_len != 0
            : header.payload_len > kMaxReplyFile)
        return fail("the render process sent a picture of the wrong length");
    return {};
}

Status write_request(int fd, const RenderRequest &request)
{
    const RequestHeader header{request.serial,
                               static_cast<std::uint32_t>(request.kind),
                               static_cast<std::uint32_t>(request.size),
                               static_cast<std::uint32_t>(request.object.size()),
                               static_cast<std::uint32_t>(request.module.size()),
                               static_cast<std::uint32_t>(request.folder.size()),
                               request.time};
    for (const std::string *part : {&request.object, &request.module, &request.folder})
        if (part->size() > (part == &request.module ? kMaxRequestModule : kMaxRequestPath))
            return fail("a render request too long to send");
    if (Status s = send(fd, &header, sizeof header); !s)
        return s;
    if (Status s = send(fd, request.object.data(), request.object.size()); !s)
        return s;
    if (Status s = send(fd, request.module.data(), request.module.size()); !s)
        return s;
    return send(fd, request.folder.data(), request.folder.size());
}

Result<RenderReply> read_reply(int fd, const RenderRequest &request, double deadline_ms)
{
    ReplyHeader header{};
    if (Status s = outcome_status(quillkit::read_exact(fd, &header, sizeof header, deadline_ms));
        !s)
        return fail(s.error());
    if (Status s = check_reply(header, request); !s)
        return fail(s.error());
    return read_reply_body(fd, header, request, deadline_ms);
}

Result<RenderReply> read_reply_body(int fd, const ReplyHeader &header, const RenderRequest &request,
                                    double deadline_ms)
{
    RenderReply reply;
    reply.serial = header.serial;
    reply.kind = request.kind;
    reply.status = static_cast<RenderStatus>(header.status);
    reply.width = static_cast<int>(header.width);
    reply.height = static_cast<int>(header.height);
    reply.load_ms = header.load_ms;
    reply.draw_ms = header.draw_ms;
    reply.failure.resize(header.message_len);
    void *payload = nullptr;
    if (request.kind == RenderKind::kPixels) {
        reply.in_shared_memory = reply.status == RenderStatus::kDrawn && header.payload_len == 0;
        reply.pixels.resize(header.payload_len / 4);
        payload = reply.pixels.data();
    } else {
        reply.file.resize(header.payload_len);
        payload = reply.file.data();
    }
    Status s = outcome_status(
        quillkit::read_exact(fd, reply.failure.data(), reply.failure.size(), deadline_ms));
    if (s)
        s = outcome_status(quillkit::read_exact(fd, payload, header.payload_len, deadline_ms));
    if (!s)
        return fail(s.error());
    return reply;
}

Result<RenderRequest> read_request(int fd)
{
    RequestHeader header{};
    if (quillkit::read_exact(fd, &header, sizeof header) != ReadOutcome::kDone)
        return fail(kReplyClosed);
    if (!is_kind(header.kind) || header.size < 1 ||
        header.size > static_cast<std::uint32_t>(kMaxRenderSize) ||
        header.object_len > kMaxRequestPath || header.module_len > kMaxRequestModule ||
        header.folder_len > kMaxRequestPath)
        return fail("a malformed render request");
    RenderRequest request;
    request.serial = header.serial;
    request.kind = static_cast<RenderKind>(header.kind);
    request.size = static_cast<int>(header.size);
    request.time = header.time;
    request.object.resize(header.object_len);
    request.module.resize(header.module_len);
    request.folder.resize(header.folder_len);
    for (std::string *part : {&request.object, &request.module, &request.folder})
        if (quillkit::read_exact(fd, part->data(), part->size()) != ReadOutcome::kDone)
            return fail(kReplyClosed);
    return request;
}

Status write_reply(int fd, const RenderReply &reply)
{
    const bool pixels = reply.kind == RenderKind::kPixels;
    const std::string message = reply.failure.substr(0, kMaxReplyMessage);
    const std::uint64_t payload_len = pixels ? reply.pixels.size() * 4 : reply.file.size();
    const ReplyHeader header{reply.serial,
                             static_cast<std::uint32_t>(reply.kind),
                             static_cast<std::uint32_t>(reply.status),
                             static_cast<std::uint32_t>(reply.width),
                             static_cast<std::uint32_t>(reply.height),
                             static_cast<std::uint32_t>(message.size()),
                             payload_len,
                             reply.load_ms,
                             reply.draw_ms};
    if (Status s = send(fd, &header, sizeof header); !s)
        return s;
    if (Status s = send(fd, message.data(), message.size()); !s)
        return s;
    return pixels ? send(fd, reply.pixels.data(), payload_len)
                  : send(fd, reply.file.data(), payload_len);
}

}  // namespace quillview
