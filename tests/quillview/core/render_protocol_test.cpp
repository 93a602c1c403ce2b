// render_protocol_test.cpp - requests and replies across a real socket, and
// replies that must not be believed.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <cstring>

#include "owned_fd.h"
#include "read_exact.h"
#include "render_protocol.h"
#include "write_all.h"

namespace quillview {
namespace {

struct SocketPair {
    SocketPair()
    {
        int fds[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        client = quillkit::OwnedFd(fds[0]);
        server = quillkit::OwnedFd(fds[1]);
    }
    quillkit::OwnedFd client, server;
};

double soon()
{
    return quillkit::monotonic_ms() + 2000;
}

RenderRequest request_for(RenderKind kind, int size)
{
    RenderRequest r;
    r.serial = 41;
    r.kind = kind;
    r.size = size;
    r.object = "/tmp/x/a-1.so";
    r.folder = "/home/u/snippets with blanks";
    return r;
}

TEST(RenderProtocol, RequestAndRepliesRoundTrip)
{
    SocketPair s;
    const RenderRequest sent = request_for(RenderKind::kPixels, 3);
    ASSERT_TRUE(write_request(s.client.get(), sent));
    const quillkit::Result<RenderRequest> got = read_request(s.server.get());
    ASSERT_TRUE(got) << got.error();
    EXPECT_EQ(got->serial, sent.serial);
    EXPECT_EQ(got->kind, sent.kind);
    EXPECT_EQ(got->size, 3);
    EXPECT_EQ(got->object, sent.object);
    EXPECT_EQ(got->folder, sent.folder);

    RenderReply reply;
    reply.serial = sent.serial;
    reply.status = RenderStatus::kDrawn;
    reply.width = reply.height = 3;
    for (std::uint32_t i = 0; i < 9; i++)
        reply.pixels.push_back(0xff000000u | i);
    ASSERT_TRUE(write_reply(s.server.get(), reply));
    const quillkit::Result<RenderReply> back = read_reply(s.client.get(), sent, soon());
    ASSERT_TRUE(back) << back.error();
    EXPECT_EQ(back->pixels, reply.pixels);

    // A file and a failure, each on the same socket after the last.
    const RenderRequest png = request_for(RenderKind::kPng, 5);
    RenderReply file;
    file.serial = png.serial;
    file.kind = RenderKind::kPng;
    file.status = RenderStatus::kDrawn;
    file.width = file.height = 5;
    file.file = std::string("\x89PNG\r\n\x1a\n\0tail", 13);
    ASSERT_TRUE(write_reply(s.server.get(), file));
    const quillkit::Result<RenderReply> file_back = read_reply(s.client.get(), png, soon());
    ASSERT_TRUE(file_back) << file_back.error();
    EXPECT_EQ(file_back->file, file.file);

    RenderReply failure;
    failure.serial = sent.serial;
    failure.failure = "the snippet left cairo in an error state: invalid restore";
    ASSERT_TRUE(write_reply(s.server.get(), failure));
    const quillkit::Result<RenderReply> failure_back = read_reply(s.client.get(), sent, soon());
    ASSERT_TRUE(failure_back) << failure_back.error();
    EXPECT_EQ(failure_back->status, RenderStatus::kFailed);
    EXPECT_EQ(failure_back->failure, failure.failure);
}

TEST(RenderProtocol, RepliesThatDoNotMatchTheirRequestAreRejected)
{
    const RenderRequest pixels = request_for(RenderKind::kPixels, 4);
    const ReplyHeader good{41, 0, 1, 4, 4, 0, 64, 0, 0};
    ASSERT_TRUE(check_reply(good, pixels));
    struct Case {
        const char *what;
        ReplyHeader header;
    };
    const Case cases[] = {
        {"another serial", {40, 0, 1, 4, 4, 0, 64, 0, 0}},
        {"another kind", {41, 1, 1, 4, 4, 0, 64, 0, 0}},
        {"another size", {41, 0, 1, 5, 5, 0, 100, 0, 0}},
        {"huge size", {41, 0, 1, ~0u, ~0u, 0, 0, 0, 0}},
        {"short payload", {41, 0, 1, 4, 4, 0, 60, 0, 0}},
        {"an unknown status", {41, 0, 7, 4, 4, 0, 64, 0, 0}},
        {"does not compile, with pixels", {41, 0, 2, 0, 0, 5, 64, 0, 0}},
        {"huge message", {41, 0, 0, 0, 0, kMaxReplyMessage + 1, 0, 0, 0}},
        {"a failure with pixels", {41, 0, 0, 0, 0, 5, 64, 0, 0}},
    };
    for (const Case &c : cases)
        EXPECT_FALSE(check_reply(c.header, pixels)) << c.what;
    const RenderRequest pdf = request_for(RenderKind::kPdf, 4);
    EXPECT_TRUE(check_reply(ReplyHeader{41, 3, 1, 4, 4, 0, 123456, 0, 0}, pdf));
    EXPECT_FALSE(check_reply(ReplyHeader{41, 3, 1, 4, 4, 0, kMaxReplyFile + 1, 0, 0}, pdf));
}

TEST(RenderProtocol, ForgedBytesOnTheSocketAreNotBelieved)
{
    // What a snippet could write to the socket it inherits: a header that
    // claims a picture of 4 G x 4 G pixels.
    SocketPair s;
    const std::uint32_t forged[sizeof(ReplyHeader) / 4] = {41, 0, 1, ~0u, ~0u};
    ASSERT_EQ(quillkit::write_all(s.server.get(), forged, sizeof forged), 0);
    const quillkit::Result<RenderReply> r =
        read_reply(s.client.get(), request_for(RenderKind::kPixels, 4), soon());
    EXPECT_FALSE(r);
    EXPECT_NE(r.error().find("render process"), std::string::npos) << r.error();
}

TEST(RenderProtocol, MalformedRequestsAndSilenceEndTheConversation)
{
    SocketPair s;
    RenderRequest too_big = request_for(RenderKind::kPixels, kMaxRenderSize + 1);
    ASSERT_TRUE(write_request(s.client.get(), too_big));
    EXPECT_FALSE(read_request(s.server.get()));

    SocketPair quiet;
    const quillkit::Result<RenderReply> r = read_reply(
        quiet.client.get(), request_for(RenderKind::kPixels, 4), quillkit::monotonic_ms() + 50);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), kReplyTimedOut);
    quiet.server.reset();
    const quillkit::Result<RenderReply> closed =
        read_reply(quiet.client.get(), request_for(RenderKind::kPixels, 4), soon());
    ASSERT_FALSE(closed);
    EXPECT_EQ(closed.error(), kReplyClosed);
}

}  // namespace
}  // namespace quillview
