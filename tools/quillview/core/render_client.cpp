// render_client.cpp - starting the render process and asking it for pictures.
#include "render_client.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "read_exact.h"
#include "self_path.h"

namespace quillview {

using quillkit::fail;
using quillkit::Result;
using quillkit::Status;

namespace {

// How long the bytes of a picture may take to arrive once it is drawn.
constexpr int kTransferTimeoutMs = 10000;

}  // namespace

void RenderClient::interrupt()
{
    quillkit::kill_process_group(pid_.load(), SIGKILL);
}

Status RenderClient::start()
{
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return fail(std::string("cannot make a socket for the render process: ") +
                    std::strerror(errno));
    quillkit::OwnedFd ours(pair[0]);
    // Never number 3 itself: dup2 onto the same number would keep close-on-exec.
    const quillkit::OwnedFd theirs(fcntl(pair[1], F_DUPFD_CLOEXEC, 10));
    close(pair[1]);
    quillkit::ChildSpec spec;
    spec.program = quillkit::self_path();
    spec.argv = {"quillview", "--render-server"};
    // Whatever a snippet prints goes to standard error, away from the replies.
    spec.capture_output = false;
    spec.descriptors = {{theirs.get(), kRenderServerFd}};
    Result<quillkit::ChildProcess> child = quillkit::ChildProcess::start(spec);
    if (!child)
        return fail("cannot start the render process: " + child.error());
    pid_.store(child->pid());
    child_.emplace(std::move(child.value()));
    socket_ = std::move(ours);
    return {};
}

void RenderClient::stop()
{
    socket_.reset();
    pid_.store(0);
    child_.reset();  // kills and reaps the whole group
}

std::string RenderClient::why_it_ended(bool timed_out)
{
    if (timed_out) {
        stop();
        return "the snippet ran for more than " + std::to_string(kRenderTimeoutMs / 1000) +
               " s and was stopped";
    }
    pid_.store(0);
    socket_.reset();
    const int status = child_ ? child_->wait() : -SIGKILL;
    child_.reset();
    if (status == -SIGKILL)
        return "the render process was stopped";
    if (status < 0)
        return std::string("the snippet crashed (") + strsignal(-status) + ")";
    return "the snippet ended the render process (exit status " + std::to_string(status) + ")";
}

Result<RenderReply> RenderClient::render(const std::string &object, const std::string &folder,
                                         int size, RenderKind kind)
{
    if (!socket_) {
        if (Status s = start(); !s)
            return fail(s.error());
    }
    RenderRequest request;
    request.serial = ++serial_;
    request.kind = kind;
    request.size = size;
    request.object = object;
    request.folder = folder;
    if (!write_request(socket_.get(), request))
        return fail(why_it_ended(false));
    // The draw has its time limit; the bytes of a big picture a longer one.
    const double drawn_by = quillkit::monotonic_ms() + kRenderTimeoutMs;
    ReplyHeader header{};
    quillkit::ReadOutcome got =
        quillkit::read_exact(socket_.get(), &header, sizeof header, drawn_by);
    if (got != quillkit::ReadOutcome::kDone)
        return fail(why_it_ended(got == quillkit::ReadOutcome::kTimedOut));
    if (Status s = check_reply(header, request); !s) {
        stop();  // the socket is out of step from here on
        return fail(s.error());
    }
    Result<RenderReply> reply = read_reply_body(socket_.get(), header, request,
                                                quillkit::monotonic_ms() + kTransferTimeoutMs);
    if (!reply) {
        const bool closed = reply.error() == kReplyClosed;
        const std::string message = closed ? why_it_ended(false) : reply.error();
        if (!closed)
            stop();
        return fail(message);
    }
    if (!reply->ok)
        return fail(reply->failure);
    return reply;
}

}  // namespace quillview
