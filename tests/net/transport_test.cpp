// TSocketTransport over a socket pair: what one receive and one send give
// back, what they ask to wait for, and the one close of the socket.
#include "net/socket_transport.h"

#include <QByteArray>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

// A non-blocking socket pair: ends[0] for the transport, ends[1] the peer.
struct SocketPair {
    SocketPair()
    {
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends), 0);
    }
    ~SocketPair()
    {
        for (const int fd : ends) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    int ends[2] = {-1, -1};
};

bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

enum class PeerDoes { Sends, Nothing, Closes };

struct ReceiveCase {
    const char *name;
    PeerDoes peer;
    qsizetype expected;  // Receive's result
    TWant want;
    int error;           // errno after -1
};

class TransportReceiveTest : public ::testing::TestWithParam<ReceiveCase> {};

}  // namespace

TEST_P(TransportReceiveTest, OneReceiveSaysWhatItGotOrWhatItWaitsFor)
{
    const ReceiveCase &c = GetParam();
    SocketPair pair;
    if (c.peer == PeerDoes::Sends) {
        ASSERT_EQ(::send(pair.ends[1], "hello", 5, 0), 5);
    }
    if (c.peer == PeerDoes::Closes) {
        ::close(pair.ends[1]);
        pair.ends[1] = -1;
    }
    TSocketTransport socket(std::exchange(pair.ends[0], -1));
    char into[16] = {};
    errno = 0;
    EXPECT_EQ(socket.Receive(into, sizeof into), c.expected);
    EXPECT_EQ(socket.Want(), c.want);
    if (c.expected < 0) {
        EXPECT_EQ(errno, c.error);
    }
    if (c.expected > 0) {
        EXPECT_EQ(QByteArray(into, c.expected), "hello");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TransportReceiveTest,
    ::testing::Values(ReceiveCase{"Bytes", PeerDoes::Sends, 5, TWant::None, 0},
                      ReceiveCase{"NothingYet", PeerDoes::Nothing, -1, TWant::Read, EAGAIN},
                      ReceiveCase{"PeersClose", PeerDoes::Closes, 0, TWant::None, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TransportTest, SendsTakeWhatFitsThenWaitForRoom)
{
    SocketPair pair;
    const int small = 4096;
    ::setsockopt(pair.ends[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    TSocketTransport socket(std::exchange(pair.ends[0], -1));
    const QByteArray block(1 << 20, 'x');
    qsizetype sent = 0, last = 0;
    int sends = 0;
    while ((last = socket.Send(block.constData(), block.size(), false)) > 0) {
        sent += last;
        ++sends;
        ASSERT_LT(sends, 1000);
    }
    EXPECT_EQ(last, -1);
    EXPECT_EQ(errno, EAGAIN);
    EXPECT_EQ(socket.Want(), TWant::Write);
    EXPECT_GT(sent, 0);
    EXPECT_LT(sent, block.size()) << "a send takes part of a block the socket has no room for";

    // The peer takes a little: the next send goes on, with more set too.
    char drain[65536];
    qsizetype drained = 0;
    for (qsizetype n; (n = ::recv(pair.ends[1], drain, sizeof drain, 0)) > 0;)
        drained += n;
    EXPECT_EQ(drained, sent);
    EXPECT_GT(socket.Send("ab", 2, true), 0);
    EXPECT_EQ(socket.Want(), TWant::None);
}

TEST(TransportTest, CloseClosesTheSocketOnceAndTheEndLeavesItClosed)
{
    SocketPair pair;
    const int fd = std::exchange(pair.ends[0], -1);
    {
        TSocketTransport socket(fd);
        EXPECT_EQ(socket.Handle(), fd);
        EXPECT_TRUE(socket.Open());
        socket.Close(true);
        EXPECT_EQ(socket.CloseResult(), 0);
        EXPECT_EQ(socket.Handle(), -1);
        EXPECT_FALSE(IsOpen(fd));
        // A descriptor of the same number, opened since, is no business
        // of the closed layer: neither a second Close nor the end closes it.
        const int other = ::dup2(pair.ends[1], fd);
        ASSERT_EQ(other, fd);
        socket.Close(false);
        EXPECT_TRUE(IsOpen(other));
    }
    EXPECT_TRUE(IsOpen(fd));
    ::close(fd);

    const int second = ::dup(pair.ends[1]);
    { TSocketTransport socket(second); }
    EXPECT_FALSE(IsOpen(second)) << "the end of an open layer closes its socket";
}
