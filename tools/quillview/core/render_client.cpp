// render_client.cpp - starting the render process and asking it for pictures.
#include "render_client.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "read_exact.h"
#include "self_path.h"

namespace quillview {

using quillkit::fail;
using quillkit::Result;
using quillkit::Status;

const char *const kChannelForged = "the snippet wrote into quillview's channel";

namespace {

// How long the bytes of a picture may take to arrive once it is drawn.
constexpr int kTransferTimeoutMs = 10000;

}  // namespace

void RenderClient::interrupt()
{
    quillkit::kill_process_group(pid_.load(), SIGKILL);
}

void RenderClient::close()
{
    closed_.store(true);
    // A start() that did not see the flag has a child starting: wait for
    // its pid, then kill it.
    while (starting_.load() && pid_.load() == 0)
        std::this_thread::yield();
    interrupt();
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
    ::close(pair[1]);
    quillkit::ChildSpec plan;
    plan.program = quillkit::self_path();
    // It ends itself should this process have gone before it could tell.
    plan.argv = {"quillview", "--render-server=" + std::to_string(getpid())};
    // Whatever a snippet prints goes to standard error, away from the replies.
    plan.capture_output = false;
    plan.descriptors = {{theirs.get(), kRenderServerFd}};
    if (!shared_) {
        if (Result<SharedPixels> made = SharedPixels::create())
            shared_.emplace(std::move(made.value()));
    }
    if (shared_)
        plan.descriptors.emplace_back(shared_->fd(), kSharedPixelsFd);
    starting_.store(true);
    if (closed_.load()) {
        starting_.store(false);
        return fail("the render process was stopped");
    }
    Result<quillkit::ChildProcess> child = spawner_.start(plan);
    if (child)
        pid_.store(child->pid());
    starting_.store(false);
    if (!child)
        return fail("cannot start the render process: " + child.error());
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
        return "the snippet ran for more than " + std::to_string(limits_.render_seconds) +
               " s and was stopped";
    }
    pid_.store(0);
    socket_.reset();
    const int status = child_ ? child_->wait() : -SIGKILL;
    child_.reset();
    if (status == -SIGKILL)
        return "the render process was stopped";
    if (status == -SIGXCPU)
        return "the snippet used more than " + std::to_string(limits_.render_seconds) +
               " s of CPU and was stopped";
    if (status < 0)
        return std::string("the snippet crashed (") + strsignal(-status) + ")";
    return "the snippet ended the render process (exit status " + std::to_string(status) + ")";
}

Status RenderClient::send(const RenderRequest &request)
{
    // A render process that ended while nobody asked for pictures is started
    // again, never reported: idle time is no failure.
    for (int attempt = 0; attempt < 2; attempt++) {
        if (child_ && child_->ended())
            stop();
        if (!socket_) {
            if (Status s = start(); !s)
                return s;
        }
        if (write_request(socket_.get(), request))
            return {};
        stop();
    }
    return fail("cannot send a request to the render process");
}

Result<RenderReply> RenderClient::render(const SnippetCode &code, const std::string &folder,
                                         int size, RenderKind kind, double time)
{
    if (closed_.load())
        return fail("the render process was stopped");
    RenderRequest request;
    request.serial = ++serial_;
    request.kind = kind;
    request.size = size;
    request.time = time;
    request.object = code.object;
    request.module = code.module;
    request.folder = folder;
    if (Status s = send(request); !s)
        return fail(s.error());
    // The draw has its time limit; the bytes of a big picture a longer one.
    const double drawn_by = quillkit::monotonic_ms() + limits_.render_seconds * 1000.0;
    ReplyHeader header{};
    const quillkit::ReadOutcome got =
        quillkit::read_exact(socket_.get(), &header, sizeof header, drawn_by);
    if (got != quillkit::ReadOutcome::kDone)
        return fail(why_it_ended(got == quillkit::ReadOutcome::kTimedOut));
    if (!check_reply(header, request)) {
        stop();  // the socket is out of step from here on
        return fail(kChannelForged);
    }
    Result<RenderReply> reply = read_reply_body(socket_.get(), header, request,
                                                quillkit::monotonic_ms() + kTransferTimeoutMs);
    if (!reply) {
        if (reply.error() == kReplyClosed)
            return fail(why_it_ended(false));
        stop();
        return fail(reply.error());
    }
    if (reply->status == RenderStatus::kFailed)
        return fail(reply->failure);
    if (reply->in_shared_memory) {
        if (!shared_) {
            stop();
            return fail(kChannelForged);
        }
        const auto *first = reinterpret_cast<const std::uint32_t *>(shared_->data());
        reply->pixels.assign(first, first + static_cast<std::size_t>(size) * size);
        reply->in_shared_memory = false;
    }
    return reply;
}

}  // namespace quillview
