// TSocketConnection against the fixture server: look-up, connect, lines,
// captures, time-outs, cancellation from nested handlers, error texts.
#include "net/socket_connection.h"
#include "net/socket_errors.h"
#include "net/tls_errors.h"
#include "tests/net/net_test_support.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_environment.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

class SocketConnectionTest : public ::testing::Test {
protected:
    SocketConnectionTest()
    {
        conn.Resolver = &resolver;
        conn.Host = "127.0.0.1";
        conn.Port = server.Port();
        conn.TimeOut = 10000;
    }

    // Connects and sends a request for path.
    void Ask(const QByteArray &path)
    {
        conn.Connect();
        conn.Write("GET " + path + " HTTP/1.0\r\n\r\n");
    }

    ~SocketConnectionTest() override
    {
        for (const int peer : peers)
            ::close(peer);
    }

    // The connection takes over one end of a socket pair; the other end (the
    // peer, closed with the test) sends bytes and is given back.
    int AttachPeer(const QByteArray &bytes)
    {
        int ends[2] = {-1, -1};
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
        conn.AttachConnected(ends[0]);
        peers.push_back(ends[1]);
        EXPECT_EQ(::write(ends[1], bytes.constData(), size_t(bytes.size())), bytes.size());
        return ends[1];
    }

    FixtureHttpServer server;
    ScriptedResolver resolver;
    TSocketConnection conn;
    std::vector<int> peers;
};

// Reads one line per entry, each as given.
void ExpectLines(TSocketConnection &c, std::initializer_list<QByteArray> lines)
{
    for (const QByteArray &line : lines)
        EXPECT_EQ(c.ReadLn(), line);
}

// Captures everything up to the peer's close.
QByteArray CaptureRest(TSocketConnection &c)
{
    QByteArray rest;
    c.CaptureString(rest, -1);
    return rest;
}

// The CPU time this thread spends while the event loop turns for ms.
double CpuMsOfTurningTheLoop(int ms)
{
    const double before = ThreadCpuMs();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return ThreadCpuMs() - before;
}

using SocketLookUpTest = SocketConnectionTest;
using SocketConnectTest = SocketConnectionTest;
using SocketReadTest = SocketConnectionTest;
using SocketCancelTest = SocketConnectionTest;

}  // namespace

// A dotted address is connected to at once, a name after its look-up (and
// reported), a proxy's host and port in place of the host's and port.
TEST_F(SocketLookUpTest, OnlyANameIsLookedUpAndAProxyStandsInForTheHost)
{
    resolver.Answers["fixture.test"] = {kLoopback, 10};
    resolver.Answers["proxy.test"] = {kLoopback, 0};
    int resolved = 0, connected = 0;
    conn.OnHostResolved = [&](TSocketConnection *) { ++resolved; };
    conn.OnConnect = [&](TSocketConnection *) { ++connected; };
    const struct {
        QByteArray host, proxy;
        std::vector<QByteArray> names;
    } rows[] = {
        {"127.0.0.1", "", {}},
        {"fixture.test", "", {"fixture.test"}},
        {"origin.invalid", "proxy.test", {"proxy.test"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.host.constData());
        resolved = connected = 0;
        resolver.Names.clear();
        conn.Host = row.host;
        conn.Port = row.proxy.isEmpty() ? server.Port() : 1;
        conn.Proxy = row.proxy;
        conn.ProxyPort = server.Port();
        Ask("/ok");
        EXPECT_TRUE(conn.Connected);
        EXPECT_EQ(connected, 1);
        EXPECT_EQ(resolved, int(row.names.size()));
        EXPECT_EQ(resolver.Names, row.names);
        EXPECT_EQ(conn.ReadLn(), "HTTP/1.0 200 OK\r\n");
        EXPECT_EQ(server.LastRequest(), "GET /ok HTTP/1.0\r\n\r\n");
        conn.Disconnect();
    }
}

TEST_F(SocketLookUpTest, FailedLookUpIsRetriedOnceWhenTheHandlerAsks)
{
    conn.Host = "wrong.test";
    resolver.Answers["right.test"] = {kLoopback, 0};
    int calls = 0;
    conn.OnInvalidHost = [&](TSocketConnection *c, bool &handled) {
        ++calls;
        EXPECT_FALSE(handled);
        c->Host = "right.test";
        handled = true;
    };
    conn.Connect();
    EXPECT_TRUE(conn.Connected);
    EXPECT_EQ(calls, 1);
}

TEST_F(SocketLookUpTest, SecondFailureOrDeclinedHandlerGivesNullRemoteAddress)
{
    conn.Host = "wrong.test";
    EXPECT_EQ(ThrownMessage<ESockError>([&] { conn.Connect(); }), "Null Remote Address");
    int calls = 0;
    conn.OnInvalidHost = [&](TSocketConnection *, bool &handled) {
        ++calls;
        handled = true;  // but the name stays wrong
    };
    EXPECT_EQ(ThrownMessage<ESockError>([&] { conn.Connect(); }), "Null Remote Address");
    EXPECT_EQ(calls, 1);
    conn.OnInvalidHost = [&](TSocketConnection *, bool &) { ++calls; };
    EXPECT_EQ(ThrownMessage<ESockError>([&] { conn.Connect(); }), "Null Remote Address");
    EXPECT_EQ(calls, 2);
}

TEST_F(SocketLookUpTest, SlowLookUpTimesOutAndAbortCancelsIt)
{
    resolver.Answers["slow.test"] = {kLoopback, 3000};
    conn.Host = "slow.test";
    conn.TimeOut = 100;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(ThrownMessage<ESockError>([&] { conn.Connect(); }), "Host Lookup Timed Out");
    EXPECT_LT(clock.elapsed(), 2000);

    conn.TimeOut = 0;
    Later(&conn, 50, [&] { conn.Abort(); });
    EXPECT_EQ(ThrownMessage<ESockError>([&] { conn.Connect(); }), "Host Lookup Canceled");
    EXPECT_FALSE(conn.Connected);
}

TEST_F(SocketConnectTest, RefusedConnectionFailsAfterOnConnectionFailed)
{
    RefusingPort refusing;
    conn.Port = refusing.Port();
    int failed = 0;
    conn.OnConnectionFailed = [&](TSocketConnection *) { ++failed; };
    EXPECT_EQ(ThrownMessage<ESockError>([&] { conn.Connect(); }), "Connection Failed");
    EXPECT_EQ(failed, 1);
    EXPECT_FALSE(conn.Connected);
    conn.Port = server.Port();  // the object stays usable
    Ask("/ok");
    EXPECT_EQ(conn.ReadLn(), "HTTP/1.0 200 OK\r\n");
}

TEST_F(SocketConnectTest, UnansweredConnectTimesOutOrIsCanceled)
{
    UnacceptingListener silent;
    conn.Port = silent.Port();
    conn.TimeOut = 200;
    int failed = 0;
    conn.OnConnectionFailed = [&](TSocketConnection *) { ++failed; };
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(ThrownMessage<ESockError>([&] { conn.Connect(); }), "Connection Timed out");
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_LT(clock.elapsed(), 5000);

    conn.TimeOut = 0;  // no time-out: only Abort ends the wait
    Later(&conn, 100, [&] { conn.Abort(); });
    EXPECT_EQ(ThrownMessage<ESockError>([&] { conn.Connect(); }), "Connection Canceled");
    EXPECT_EQ(failed, 2);
}

TEST_F(SocketConnectTest, PortOutsideOneTo65535IsRefusedBeforeTheLookUp)
{
    resolver.Answers["fixture.test"] = {kLoopback, 0};
    conn.Host = "fixture.test";
    int connected = 0;
    conn.OnConnect = [&](TSocketConnection *) { ++connected; };
    for (const qint32 port : {server.Port() + 65536, 0, -1}) {
        conn.Port = port;
        EXPECT_EQ(ThrownMessage<ESockError>([&] { conn.Connect(); }),
                  "Invalid port number " + QString::number(port));
    }
    EXPECT_EQ(connected, 0);
    EXPECT_TRUE(resolver.Names.empty());
    conn.Port = server.Port();  // nothing is left half done
    Ask("/ok");
    EXPECT_EQ(conn.ReadLn(), "HTTP/1.0 200 OK\r\n");
}

TEST_F(SocketConnectTest, ConnectWhileConnectedIsRefusedAndDisconnectGivesAFreshSocket)
{
    int disconnected = 0;
    conn.OnDisconnect = [&](TSocketConnection *) { ++disconnected; };
    conn.Connect();
    EXPECT_EQ(ThrownMessage<ESockError>([&] { conn.Connect(); }), "Already connected");
    conn.Disconnect();
    EXPECT_EQ(disconnected, 1);
    EXPECT_FALSE(conn.Connected);
    EXPECT_GE(conn.SocketHandle, 0);
    Ask("/ok");
    EXPECT_EQ(conn.ReadLn(), "HTTP/1.0 200 OK\r\n");
}

TEST_F(SocketReadTest, ReadLnTakesOneLineAndLeavesTheRestForTheNextRead)
{
    server.Route("/lines", FixtureResponse::Raw("abc\r\ndef"));
    Ask("/lines");
    EXPECT_EQ(conn.ReadLn(), "abc\r\n");
    EXPECT_TRUE(conn.DataAvailable());
    EXPECT_EQ(CaptureRest(conn), "def");
}

TEST_F(SocketReadTest, ReadLnOfAClosedPeerIsEmptyAndALineTooLongIsARangeError)
{
    Ask("/no-status-line");
    EXPECT_EQ(conn.ReadLn(), "");
    conn.Disconnect();
    Ask("/huge-header-line");
    EXPECT_EQ(conn.ReadLn(), "HTTP/1.0 200 OK\r\n");
    EXPECT_EQ(ThrownMessage<ERangeError>([&] { conn.ReadLn(); }), "Range check error");
}

TEST_F(SocketReadTest, TrickledBytesAreAllCapturedAndTimeOutBoundsOnlyTheSilence)
{
    FixtureResponse trickle = FixtureResponse::Raw(QByteArray(100, 'z'));
    trickle.TrickleMs = 5;  // 0.5 s in all, never 150 ms of silence
    server.Route("/long-trickle", trickle);
    conn.TimeOut = 150;
    int packets = 0;
    conn.OnPacketRecvd = [&](TSocketConnection *) { ++packets; };
    Ask("/long-trickle");
    EXPECT_EQ(CaptureRest(conn), QByteArray(100, 'z'));
    EXPECT_EQ(conn.BytesRecvd, 100);
    EXPECT_GT(packets, 10);
}

TEST_F(SocketReadTest, PeerCloseEndsTheCaptureAndFiresOnDisconnect)
{
    int disconnected = 0;
    conn.OnDisconnect = [&](TSocketConnection *) { ++disconnected; };
    Ask("/no-length");
    const QByteArray text = CaptureRest(conn);
    EXPECT_TRUE(text.startsWith("HTTP/1.0 200 OK\r\n"));
    EXPECT_TRUE(text.endsWith("\r\n\r\nHello, world\n"));
    EXPECT_EQ(disconnected, 1);
    EXPECT_FALSE(conn.Connected);
}

TEST_F(SocketReadTest, ResetInTheMiddleOfTheBodyIsASocketError)
{
    Ask("/reset-mid-body");
    EXPECT_EQ(ThrownMessage<ESockError>([&] { CaptureRest(conn); }), "10054:Connection reset by peer");
}

// The bytes waiting in the socket, looked at without taking them.
static QByteArray WaitingBytes(const TSocketConnection &conn, int count)
{
    QByteArray bytes(count, '\0');
    const ssize_t n = ::recv(conn.SocketHandle, bytes.data(), size_t(count), MSG_PEEK);
    return bytes.left(n < 0 ? 0 : qsizetype(n));
}

TEST_F(SocketReadTest, HeaderAndBodyInOneSegmentTakeOneReceive)
{
    QByteArray body;
    for (int i = 0; i < 300; ++i)
        body += "body line " + QByteArray::number(i) + (i % 2 ? "\r\n" : "\n");
    server.Route("/one-segment",
                 FixtureResponse::Raw("HTTP/1.0 200 OK\r\nA: 1\nB: 2\r\n\r\n" + body));
    Ask("/one-segment");
    EXPECT_EQ(conn.ReadLn(), "HTTP/1.0 200 OK\r\n");
    EXPECT_EQ(WaitingBytes(conn, 6), "") << "the first receive took the whole segment";
    ExpectLines(conn, {"A: 1\n", "B: 2\r\n", "\r\n"});
    int packets = 0;
    conn.OnPacketRecvd = [&](TSocketConnection *) { ++packets; };
    EXPECT_EQ(CaptureRest(conn), body) << "the body whole, and once";
    EXPECT_EQ(conn.BytesRecvd, body.size());
    EXPECT_EQ(packets, 1) << "the held body is one block";
}

static bool PeerSends(int peer, const QByteArray &bytes)
{
    return ::write(peer, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

// The hand-over of a connection, open to the tests.
class TakingConnection : public TSocketConnection {
public:
    using TSocketConnection::TakeConnectionOf;
};

TEST_F(SocketReadTest, HeldBytesGoWithTheConnectionToItsNewOwner)
{
    const int peer = AttachPeer("one\r\ntwo\r\nthr");
    EXPECT_EQ(conn.ReadLn(), "one\r\n");
    EXPECT_EQ(WaitingBytes(conn, 4), "") << "the rest is held";
    TakingConnection taker;
    taker.TimeOut = 10000;
    taker.TakeConnectionOf(conn);
    EXPECT_FALSE(conn.DataAvailable()) << "nothing stays behind";
    EXPECT_EQ(taker.ReadLn(), "two\r\n");
    ASSERT_TRUE(PeerSends(peer, "ee\r\nrest"));
    ::shutdown(peer, SHUT_WR);
    EXPECT_EQ(taker.ReadLn(), "three\r\n") << "held bytes first, then the socket's";
    EXPECT_EQ(CaptureRest(taker), "rest");
}

TEST_F(SocketReadTest, HeldBytesNeverReachTheNextConnection)
{
    AttachPeer("old line\r\nold rest\r\n");
    EXPECT_EQ(conn.ReadLn(), "old line\r\n");
    EXPECT_EQ(WaitingBytes(conn, 4), "") << "the rest is held";
    conn.Disconnect();
    EXPECT_FALSE(conn.DataAvailable());
    AttachPeer("new line\r\n");
    EXPECT_EQ(conn.ReadLn(), "new line\r\n");
    conn.Disconnect();

    // A close and a connect to the server.
    server.Route("/two-lines", FixtureResponse::Raw("abc\r\ndef\r\n"));
    Ask("/two-lines");
    EXPECT_EQ(conn.ReadLn(), "abc\r\n");
    conn.Disconnect();
    Ask("/ok");
    EXPECT_EQ(conn.ReadLn(), "HTTP/1.0 200 OK\r\n");
}

TEST_F(SocketReadTest, BodyBytesHeldWithTheHeaderCountLikeTheSocketsUpToTheLimit)
{
    std::vector<qint64> counts;
    conn.OnPacketRecvd = [&](TSocketConnection *c) { counts.push_back(c->BytesRecvd); };
    const auto readHeader = [&] {
        const int peer = AttachPeer("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nhello");
        ExpectLines(conn, {"HTTP/1.0 200 OK\r\n", "Content-Length: 10\r\n", "\r\n"});
        EXPECT_EQ(WaitingBytes(conn, 4), "") << "the start of the body is held";
        EXPECT_TRUE(PeerSends(peer, "world"));
        ::shutdown(peer, SHUT_WR);
    };
    readHeader();
    EXPECT_EQ(CaptureRest(conn), "helloworld");
    EXPECT_EQ(conn.BytesRecvd, 10);
    EXPECT_EQ(counts, (std::vector<qint64>{5, 10}));

    counts.clear();
    readHeader();
    const QString path = testenv::NewFolder("held-bytes") + "/part";
    conn.CaptureFile(path.toUtf8(), 3);
    EXPECT_EQ(conn.BytesRecvd, 3);
    EXPECT_EQ(FileBytes(path), "hel");
    EXPECT_EQ(CaptureRest(conn), "loworld") << "what the limit left, held and in the socket";
    EXPECT_EQ(conn.BytesRecvd, 7);
    EXPECT_EQ(counts, (std::vector<qint64>{3, 2, 7}));
}

TEST_F(SocketReadTest, PlaintextHeldBeforeTlsFailsTheHandshakeBeforeAnythingIsSent)
{
    const int peer = AttachPeer("HTTP/1.0 200 Connection established\r\n\r\n\x16\x03\x03");
    ExpectLines(conn, {"HTTP/1.0 200 Connection established\r\n", "\r\n"});
    EXPECT_EQ(ThrownMessage<ETlsError>([&] { conn.StartTls("example.test"); }),
              "TLS handshake failed: bytes arrived before the handshake");
    EXPECT_FALSE(conn.Secure());
    char byte = 0;
    EXPECT_EQ(::recv(peer, &byte, 1, MSG_DONTWAIT), -1) << "no ClientHello went out";
    EXPECT_FALSE(conn.DataAvailable()) << "the held bytes were dropped";
}

TEST_F(SocketReadTest, ManyLinesInOneSegmentComeBackOneByOne)
{
    QByteArray lines;
    for (int i = 0; i < 500; ++i)
        lines += "line " + QByteArray::number(i) + (i % 3 ? "\r\n" : "\n");
    server.Route("/many-lines", FixtureResponse::Raw(lines + "tail"));
    Ask("/many-lines");
    QByteArray read;
    for (int i = 0; i < 500; ++i) {
        const QByteArray line = conn.ReadLn();
        ASSERT_TRUE(line.endsWith('\n')) << i;
        read += line;
        if (i == 100) {
            EXPECT_TRUE(conn.DataAvailable());
        }
    }
    EXPECT_EQ(read, lines);
    EXPECT_EQ(conn.ReadLn(), "tail") << "the last line, cut off by the close";
    EXPECT_EQ(conn.ReadLn(), "");
}

TEST_F(SocketReadTest, LinesArrivingInPiecesAndLongLinesAreWhole)
{
    FixtureResponse trickle = FixtureResponse::Raw("ab\r\ncd\nef\r\n\r\nrest");
    trickle.TrickleMs = 1;
    server.Route("/trickled-lines", trickle);
    Ask("/trickled-lines");
    ExpectLines(conn, {"ab\r\n", "cd\n", "ef\r\n", "\r\n"});
    EXPECT_EQ(CaptureRest(conn), "rest");
    conn.Disconnect();

    const QByteArray longLine = QByteArray(40000, 'L') + "\r\n";
    server.Route("/long-line", FixtureResponse::Raw("s\n" + longLine + "short\r\nx"));
    Ask("/long-line");
    ExpectLines(conn, {"s\n", longLine, "short\r\n"});
    EXPECT_EQ(CaptureRest(conn), "x");
}

TEST_F(SocketReadTest, AnOperationUsingTheBufferBetweenLinesDoesNotConfuseReadLn)
{
    server.Route("/three-lines", FixtureResponse::Raw("first\r\nthe second line\r\nthird\r\n"));
    Ask("/three-lines");
    EXPECT_EQ(conn.ReadLn(), "first\r\n");
    // Write copies its text into Buffer and sends up to the first zero
    // character: here nothing is sent, but Buffer is full of line ends.
    conn.Write(QByteArray(1, '\0') + QByteArray(200, '\n'));
    EXPECT_EQ(conn.ReadLn(), "the second line\r\n");
    EXPECT_TRUE(conn.DataAvailable());
    ExpectLines(conn, {"third\r\n", ""});
}

TEST_F(SocketReadTest, UnreadDataNeverSpinsTheEventLoop)
{
    // Data that came in after a ReadLn took its line, left in the socket
    // while the program's loop turns.
    const int peer = AttachPeer("abc\r\n");
    EXPECT_EQ(conn.ReadLn(), "abc\r\n");
    ASSERT_TRUE(PeerSends(peer, QByteArray(1000, 'd')));
    EXPECT_LT(CpuMsOfTurningTheLoop(300), 100.0);
    EXPECT_EQ(WaitingBytes(conn, 4), "dddd");
    conn.Disconnect();

    // Data held after a ReadLn, while the program's loop turns.
    server.Route("/line-and-more", FixtureResponse::Raw("abc\r\n" + QByteArray(1000, 'd')));
    Ask("/line-and-more");
    EXPECT_EQ(conn.ReadLn(), "abc\r\n");
    EXPECT_LT(CpuMsOfTurningTheLoop(300), 100.0);
    conn.Disconnect();

    // Data arriving while a handler runs a loop of its own inside a wait.
    FixtureResponse late = FixtureResponse::Raw("late\r\nmore");
    late.DelayMs = 100;
    server.Route("/late-line", late);
    Ask("/late-line");
    Later(&conn, 20, [] { CpuMsOfTurningTheLoop(400); });
    const double before = ThreadCpuMs();
    EXPECT_EQ(conn.ReadLn(), "late\r\n");
    EXPECT_LT(ThreadCpuMs() - before, 150.0);
    EXPECT_EQ(CaptureRest(conn), "more");
}

TEST_F(SocketConnectTest, EveryCloseLeavesAFreshSocketAndIsReported)
{
    int disconnected = 0;
    conn.OnDisconnect = [&](TSocketConnection *) { ++disconnected; };
    for (int i = 1; i <= 20; ++i) {
        Ask("/ok");
        EXPECT_TRUE(CaptureRest(conn).endsWith("Hello, world\n"));  // notices the server's close
        EXPECT_FALSE(conn.Connected);
        EXPECT_GE(conn.SocketHandle, 0);
        conn.Disconnect();
        EXPECT_EQ(disconnected, 2 * i);
        EXPECT_GE(conn.SocketHandle, 0);
    }
}

TEST_F(SocketReadTest, TransactionTakesTheLeadingNumberOfTheReply)
{
    server.Route("/smtp", FixtureResponse::Raw("250 OK ready\r\nmore"));
    conn.ReportLevel = 1;
    std::vector<QByteArray> statuses;
    conn.OnStatus = [&](TSocketConnection *, const QByteArray &s) { statuses.push_back(s); };
    conn.Connect();
    EXPECT_EQ(conn.Transaction("GET /smtp HTTP/1.0\r\n"), "250 OK ready\r\n");
    EXPECT_EQ(conn.ReplyNumber, 250);
    EXPECT_EQ(conn.LastReply, "250 OK ready\r\n");
    EXPECT_EQ(statuses, std::vector<QByteArray>{"250 OK ready\r\n"});
    conn.Disconnect();
    server.Route("/big", FixtureResponse::Raw("99999 too big\r\n"));
    conn.Connect();
    EXPECT_THROW(conn.Transaction("GET /big HTTP/1.0\r\n"), ERangeError);
}

TEST_F(SocketCancelTest, AbortFromANestedHandlerEndsEachWaitWithItsOwnMessage)
{
    const QByteArray path = testenv::NewFolder("capture-abort").toUtf8() + "/body.bin";
    const struct {
        std::function<void()> wait;
        QString message;
    } rows[] = {
        {[&] { conn.ReadLn(); }, "Socket readln aborted"},
        {[&] { CaptureRest(conn); }, "Socket capture aborted"},
        {[&] { conn.CaptureFile(path); }, "Socket send aborted"},
    };
    Ask("/never-answer");
    for (const auto &row : rows) {
        SCOPED_TRACE(row.message.toStdString());
        Later(&conn, 50, [&] { conn.Abort(); });
        EXPECT_EQ(ThrownMessage<EAbortError>(row.wait), row.message);
        EXPECT_FALSE(conn.Canceled);
    }
}

TEST_F(SocketCancelTest, TimeOutEndsAWaitLikeACancel)
{
    conn.TimeOut = 100;
    Ask("/never-answer");
    EXPECT_EQ(ThrownMessage<EAbortError>([&] { conn.ReadLn(); }), "Socket readln aborted");
    EXPECT_TRUE(conn.TimedOut);
    conn.TimeOut = -1;
    EXPECT_THROW(conn.ReadLn(), ERangeError);
}

TEST_F(SocketCancelTest, BlockedSendLetsTheTimeOutAndCancelIn)
{
    SilentListener sink;
    const int small = 4096;
    setsockopt(conn.SocketHandle, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    conn.Port = sink.Port();
    conn.Connect();
    const QByteArray lots(60000, 'w');
    const auto writeLots = [&] {
        for (int i = 0; i < 100; ++i)
            conn.Write(lots);
    };
    conn.TimeOut = 200;
    QElapsedTimer clock;
    clock.start();
    // The sink takes nothing: without the time-out this would never end.
    EXPECT_EQ(ThrownMessage<EAbortError>(writeLots), "Socket send aborted");
    EXPECT_LT(clock.elapsed(), 5000);

    conn.TimeOut = 0;
    Later(&conn, 50, [&] { conn.Cancel(); });
    EXPECT_EQ(ThrownMessage<EAbortError>(writeLots), "Socket send aborted");
}

TEST_F(SocketCancelTest, WaitingCostsNoCpuTime)
{
    Ask("/slow");  // answers after 1.5 s
    const double before = ThreadCpuMs();
    EXPECT_EQ(conn.ReadLn(), "HTTP/1.0 200 OK\r\n");
    EXPECT_LT(ThreadCpuMs() - before, 100.0);
}

TEST(SocketErrors, ErrnoMapsToTheTableCodesAndTexts)
{
    const std::pair<int, int> codes[] = {
        {ECONNREFUSED, 10061}, {EWOULDBLOCK, 10035}, {ENOTCONN, 10057}, {ECONNRESET, 10054}, {0, 0},
        {EAGAIN, WsaNumber(WsaCode::WouldBlock)}, {EPIPE, WsaNumber(WsaCode::Shutdown)},
        {ENOENT, 12000 + ENOENT},  // not in the table
    };
    for (const auto &[error, code] : codes)
        EXPECT_EQ(WsaCodeFromErrno(error), code) << "errno " << error;
    const std::pair<int, QString> texts[] = {
        {WsaCodeFromErrno(ENOENT), "Unknown Error No. 12002"},
        {WsaNumber(WsaCode::Shutdown), "10058:Can't send after socket shutdown"},
        {10061, "10061:Connection refused"},
        {11004, "11004:Valid name, no data record of requested type"},
        {10003, "Unknown Error No. 10003"},
        {0, ""},
    };
    for (const auto &[code, text] : texts)
        EXPECT_EQ(SocketErrorText(code), text) << "code " << code;
    int known = 0;
    for (int code = 10000; code < 11100; ++code)
        known += SocketErrorText(code).startsWith(QString::number(code) + ":") ? 1 : 0;
    EXPECT_EQ(known, 50);
}

TEST(SocketErrors, CheckSocketErrorRaisesAllButTheExpectedCode)
{
    TSocketConnection conn;
    std::vector<int> reported;
    conn.OnSocketError = [&](TSocketConnection *, int code, const QString &) {
        reported.push_back(code);
    };
    errno = EWOULDBLOCK;
    EXPECT_EQ(conn.CheckSocketError(WsaCode::WouldBlock), "");
    errno = ECONNREFUSED;
    EXPECT_EQ(ThrownMessage<ESockError>([&] { conn.CheckSocketError(WsaCode::WouldBlock); }),
              "10061:Connection refused");
    EXPECT_EQ(conn.LastError, 10061);
    EXPECT_EQ(reported, std::vector<int>{10061});
}

TEST(SocketStatus, TextsAreReportedUpToTheReportLevel)
{
    TSocketConnection conn;
    std::vector<QByteArray> seen;
    conn.OnStatus = [&](TSocketConnection *, const QByteArray &s) {
        seen.push_back(s);
        throw Exception(QStringLiteral("a failing handler is swallowed"));
    };
    conn.Cancel();
    EXPECT_TRUE(seen.empty());
    conn.ReportLevel = 8;
    conn.Abort();
    EXPECT_EQ(seen, (std::vector<QByteArray>{"Abort", "Canceling"}));
    EXPECT_EQ(conn.Status, "Canceling");
    seen.clear();
    conn.ReportLevel = 4;
    conn.Disconnect();
    EXPECT_EQ(seen, std::vector<QByteArray>{"Request Close Socket"});
}

TEST_F(SocketConnectTest, AnAttachedSocketPairIsUsedAndClosedLikeAConnection)
{
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    const int own = conn.SocketHandle;
    conn.AttachConnected(ends[0]);
    EXPECT_TRUE(conn.Connected);
    EXPECT_EQ(conn.SocketHandle, ends[0]);
    EXPECT_EQ(::fcntl(own, F_GETFD), -1);  // the connection's own socket is closed
    EXPECT_NE(::fcntl(ends[0], F_GETFL) & O_NONBLOCK, 0);
    int other[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, other), 0);
    EXPECT_EQ(ThrownMessage<ESockError>([&] { conn.AttachConnected(other[0]); }), "Already connected");
    ::close(other[0]);
    ::close(other[1]);

    ASSERT_TRUE(PeerSends(ends[1], "250 hi\r\nsecond\r\nrest"));
    ::shutdown(ends[1], SHUT_WR);
    EXPECT_EQ(conn.Transaction("HELO"), "250 hi\r\n");
    EXPECT_EQ(conn.ReplyNumber, 250);
    EXPECT_EQ(conn.ReadLn(), "second\r\n");
    EXPECT_EQ(CaptureRest(conn), "rest");
    char sent[16] = {};
    EXPECT_EQ(::read(ends[1], sent, sizeof sent), 6);
    EXPECT_EQ(QByteArray(sent, 6), "HELO\r\n");

    // The peer's close was noticed by the capture: the pair's end is closed
    // (the peer reads its end) and the connection has a fresh socket again.
    EXPECT_FALSE(conn.Connected);
    EXPECT_GE(conn.SocketHandle, 0);
    EXPECT_EQ(::read(ends[1], sent, sizeof sent), 0);
    ::close(ends[1]);
    Ask("/ok");
    EXPECT_EQ(conn.ReadLn(), "HTTP/1.0 200 OK\r\n");
}
