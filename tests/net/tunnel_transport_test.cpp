// TTunnelTransport over a socket pair whose other end plays the proxy: the
// request it sends, and what each answer of the proxy makes of the tunnel.
#include "net/tunnel_transport.h"

#include "base/errors.h"
#include "net/http_client.h"
#include "net/socket_connection.h"
#include "net/socket_transport.h"
#include "tests/support/loopback_sockets.h"

#include <QString>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QByteArray kAsked = "CONNECT example.test:8443 HTTP/1.0\r\nHost: example.test:8443\r\n\r\n";

struct TunnelCase {
    const char *name;
    QByteArray answer;   // what the proxy sends at once
    bool closes;         // and then closes
    QString outcome;     // "open", then the bytes past the answer; or the error's text
};

QByteArray ManyLines(int count)
{
    QByteArray lines = "HTTP/1.0 200 OK\r\n";
    for (int i = 1; i < count; ++i)
        lines += "X-Line: " + QByteArray::number(i) + "\r\n";
    return lines;
}

const QString kRefused = kProxyRefusedTunnel;
const TunnelCase kTunnelCases[] = {
    {"Agreed", "HTTP/1.0 200 Connection established\r\n\r\n", false, "open"},
    {"AgreedWithHeaderLines", "HTTP/1.1 200 OK\r\nProxy-Agent: test\r\n\r\n", false, "open"},
    {"AgreedWithLoneLineFeeds", "HTTP/1.1 200 OK\nVia: x\n\n", false, "open"},
    {"BytesPastTheAnswerAreKept", "HTTP/1.0 200 OK\r\n\r\nEXTRA", false, "open EXTRA"},
    {"AnEndEndsTheAnswer", "HTTP/1.0 200 OK\r\nVia: x\r\n", true, "open"},
    {"Refused", "HTTP/1.0 403 Forbidden\r\nContent-Length: 0\r\n\r\n", false, kRefused + "HTTP/1.0 403 Forbidden"},
    {"NotHttp", "SSH-2.0-OpenSSH\r\n\r\n", false, kRefused + "SSH-2.0-OpenSSH"},
    {"ClosedWithoutAnAnswer", "", true, kRefused},
    {"AsManyLinesAsAllowed", ManyLines(THttpClient::kMaxHeaderLines - 1) + "\r\n", false, "open"},
    {"TooManyLines", ManyLines(THttpClient::kMaxHeaderLines) + "\r\n", false, kHeaderBlockTooLong},
    {"ALineTooLong", "HTTP/1.0 200 OK\r\nX: " + QByteArray(70000, 'a') + "\r\n\r\n", false, ERangeError().Message()},
};

void PrintTo(const TunnelCase &c, std::ostream *os) { *os << c.name; }

class TunnelTest : public ::testing::TestWithParam<TunnelCase> {
protected:
    TunnelTest()
    {
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends), 0);
        tunnel = std::make_unique<TTunnelTransport>(std::make_unique<TSocketTransport>(ends[0]),
                                                    TTunnelTransport::RequestFor("example.test", 8443));
    }
    ~TunnelTest() override
    {
        if (ends[1] >= 0)
            ::close(ends[1]);
    }

    // Opens the tunnel as an owner would, waiting as it asks.
    QString Outcome()
    {
        try {
            while (!tunnel->Open()) {
                EXPECT_EQ(tunnel->Error(), 0);
                if (tunnel->Want() == TWant::None)
                    continue;
                pollfd ready{tunnel->Handle(), short(tunnel->Want() == TWant::Write ? POLLOUT : POLLIN), 0};
                if (::poll(&ready, 1, 5000) != 1)
                    return "stuck";
            }
        } catch (const Exception &e) {
            return e.Message();
        }
        const QByteArray extra = tunnel->TakeExtra();
        return extra.isEmpty() ? QStringLiteral("open") : "open " + QString::fromLatin1(extra);
    }

    int ends[2] = {-1, -1};
    std::unique_ptr<TTunnelTransport> tunnel;
};

}  // namespace

TEST_P(TunnelTest, TheProxysAnswerOpensTheTunnelOrSaysWhyNot)
{
    const TunnelCase &c = GetParam();
    ASSERT_EQ(::send(ends[1], c.answer.constData(), size_t(c.answer.size()), 0), c.answer.size());
    if (c.closes)
        ::shutdown(ends[1], SHUT_WR);
    EXPECT_EQ(Outcome(), c.outcome);
    QByteArray asked(256, '\0');
    const ssize_t n = ::recv(ends[1], asked.data(), size_t(asked.size()), 0);
    EXPECT_EQ(asked.left(qMax<ssize_t>(n, 0)), kAsked);
    EXPECT_EQ(tunnel->Sent(), kAsked.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, TunnelTest, ::testing::ValuesIn(kTunnelCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(TunnelRequestTest, AHostWithBlanksOrControlCharactersIsNeverAskedFor)
{
    for (const QByteArray &host : {QByteArray("a b"), QByteArray("a\r\nX: y"), QByteArray("a\x7f")}) {
        try {
            TTunnelTransport::RequestFor(host, 443);
            ADD_FAILURE() << host.toStdString() << " asked for";
        } catch (const ESockError &e) {
            EXPECT_TRUE(e.Message().startsWith(kProxyRefusedTunnel)) << e.Message().toStdString();
        }
    }
}

TEST(TunnelRequestTest, OnceOpenTheBytesPassThrough)
{
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends), 0);
    const QByteArray answer = "HTTP/1.0 200 OK\r\n\r\n";
    ASSERT_EQ(::send(ends[1], answer.constData(), size_t(answer.size()), 0), answer.size());
    TTunnelTransport tunnel(std::make_unique<TSocketTransport>(ends[0]), TTunnelTransport::RequestFor("h", 1));
    for (int steps = 0; !tunnel.Open(); ++steps)
        ASSERT_LT(steps, 10);
    char request[128];
    ASSERT_GT(::recv(ends[1], request, sizeof request, 0), 0);
    EXPECT_EQ(tunnel.Send("ping", 4, false), 4);
    char into[8] = {};
    EXPECT_EQ(::recv(ends[1], into, sizeof into, 0), 4);
    EXPECT_EQ(QByteArray(into, 4), "ping");
    EXPECT_EQ(tunnel.Receive(into, sizeof into), -1);
    EXPECT_EQ(tunnel.Want(), TWant::Read);
    ::close(ends[1]);
    EXPECT_EQ(tunnel.Receive(into, sizeof into), 0);
    tunnel.Close(false);
    EXPECT_EQ(tunnel.Handle(), -1);
}

namespace {

struct StallCase {
    const char *name;
    qint32 timeOut;  // ms, the connection's
    int cancelAfter; // ms; 0: no Cancel
};

class StartTunnelTest : public ::testing::TestWithParam<StallCase> {};

}  // namespace

// A proxy that takes the request and never answers: the wait for its
// answer ends as a ReadLn's does, by time-out or Cancel.
TEST_P(StartTunnelTest, AProxyThatNeverAnswersEndsAsAStalledReadDoes)
{
    quint16 port = 0;
    const int listener = BoundLoopbackSocket(port);
    ASSERT_EQ(::listen(listener, 4), 0);
    TSocketConnection conn;
    conn.Host = "127.0.0.1";
    conn.Port = port;
    conn.TimeOut = GetParam().timeOut;
    conn.Connect();
    if (GetParam().cancelAfter > 0)
        QTimer::singleShot(GetParam().cancelAfter, &conn, [&conn] { conn.Cancel(); });
    QString text;
    try {
        conn.StartTunnel("example.test", 443);
    } catch (const EAbortError &e) {
        text = e.Message();
    }
    EXPECT_EQ(text, "Socket readln aborted");
    EXPECT_FALSE(conn.Canceled);
    EXPECT_TRUE(conn.Connected);
    ::close(listener);
}

INSTANTIATE_TEST_SUITE_P(Cases, StartTunnelTest,
                         ::testing::Values(StallCase{"TimeOut", 200, 0}, StallCase{"Cancel", 10000, 100}),
                         [](const auto &info) { return std::string(info.param.name); });
