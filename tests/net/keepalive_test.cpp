// Persistent connections: HTTP/1.1 framing by Content-Length and chunks,
// reuse of one connection across requests (plain and TLS), and the cases
// that must end it or replace it.
#include "net/http_client.h"
#include "net/response_header.h"
#include "net/tls_errors.h"
#include "tests/net/net_test_support.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_environment.h"

#include <QThread>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

FixtureResponse Kept(const QByteArray &head, const QByteArray &body)
{
    FixtureResponse response = FixtureResponse::Raw(head + body);
    response.KeepOpen = true;
    return response;
}

const QByteArray kChunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";

class KeepAliveTest : public ::testing::Test {
protected:
    KeepAliveTest()
    {
        http.TimeOut = 10000;
        http.KeepAlive = true;
        server.Route("/a", FixtureResponse::KeptOk("first"));
        server.Route("/b", FixtureResponse::KeptOk("second"));
    }

    FixtureHttpServer server;
    THttpClient http;
};

}  // namespace

TEST(ChunkFraming, ChunkSizesAreHexWithExtensionsAndNothingElse)
{
    EXPECT_EQ(ChunkSizeOf("1a\r\n"), 26);
    EXPECT_EQ(ChunkSizeOf("0\r\n"), 0);
    EXPECT_EQ(ChunkSizeOf("A;name=value\r\n"), 10);
    EXPECT_EQ(ChunkSizeOf("a \t;x\n"), 10);
    EXPECT_EQ(ChunkSizeOf("7fffffffffffffff\r\n"), INT64_MAX);
    for (const char *bad : {"\r\n", "g\r\n", "-1\r\n", "+1\r\n", "0x10\r\n", "1 2\r\n", "8000000000000000\r\n",
                            "1ffffffffffffffff\r\n", ";ext\r\n"})
        EXPECT_FALSE(ChunkSizeOf(bad).has_value()) << bad;
}

TEST(ChunkFraming, WhetherTheServerKeepsTheConnection)
{
    EXPECT_TRUE(ServerKeepsOpen("HTTP/1.1 200 OK\r\n", ""));
    EXPECT_FALSE(ServerKeepsOpen("HTTP/1.1 200 OK\r\n", "Close"));
    EXPECT_FALSE(ServerKeepsOpen("HTTP/1.1 200 OK\r\n", "TE, close"));
    EXPECT_FALSE(ServerKeepsOpen("HTTP/1.0 200 OK\r\n", ""));
    EXPECT_TRUE(ServerKeepsOpen("HTTP/1.0 200 OK\r\n", "Keep-Alive"));
    EXPECT_FALSE(ServerKeepsOpen("garbage", ""));
    EXPECT_EQ(HeaderValueOf("transfer-encoding:  gzip, Chunked \r\n", "Transfer-Encoding"), "gzip, Chunked");
    EXPECT_TRUE(HeaderValueOf("Transfer-Encodings: chunked\r\n", "Transfer-Encoding").isNull());
    EXPECT_TRUE(IsChunkedCoding("gzip, Chunked"));
    EXPECT_FALSE(IsChunkedCoding("chunked, gzip"));
}

TEST_F(KeepAliveTest, RequestsAreHttp11AndShareOneConnection)
{
    http.Get(server.Url("/a"));
    EXPECT_EQ(http.Body, "first");
    http.Get(server.Url("/b"));
    EXPECT_EQ(http.Body, "second");
    EXPECT_EQ(server.ConnectionCount(), 1);
    EXPECT_TRUE(http.Connected) << "kept open for the next request";
    const QByteArray host = "Host: 127.0.0.1:" + QByteArray::number(server.Port()) + "\r\n";
    EXPECT_TRUE(server.LastRequest().startsWith("GET /b HTTP/1.1\r\n" + host)) << server.LastRequest().constData();
    EXPECT_FALSE(server.LastRequest().contains("Connection: close"));

    // Another server gets a connection of its own.
    FixtureHttpServer other;
    other.Route("/c", FixtureResponse::KeptOk("third"));
    http.Get(other.Url("/c"));
    EXPECT_EQ(http.Body, "third");
    EXPECT_EQ(other.ConnectionCount(), 1);
}

TEST_F(KeepAliveTest, ChunkedBodiesAreDecodedIntoPagesAndFiles)
{
    const QByteArray chunks = "5;ext=x\r\nHello\r\n7\r\n, world\r\n0\r\nTrailer: x\r\n\r\n";
    server.Route("/chunked", Kept(kChunkedHead, chunks));
    http.Get(server.Url("/chunked"));
    EXPECT_EQ(http.Body, "Hello, world");
    EXPECT_EQ(http.ReplyNumber, 200);

    const QString path = testenv::NewFolder("keepalive") + "/chunked.bin";
    http.InputFileMode = true;
    http.Body = path.toUtf8();
    http.Get(server.Url("/chunked"));
    EXPECT_EQ(FileBytes(path), "Hello, world");
    EXPECT_EQ(http.BytesRecvd, 12);

    http.InputFileMode = false;
    http.Get(server.Url("/a"));
    EXPECT_EQ(http.Body, "first");
    EXPECT_EQ(server.ConnectionCount(), 1) << "the connection stood right before each answer";
}

TEST_F(KeepAliveTest, ABrokenChunkedBodyFailsAndEndsTheConnection)
{
    for (const QByteArray &chunks : {QByteArray("zz\r\nHello\r\n0\r\n\r\n"), QByteArray("-5\r\nHello\r\n0\r\n\r\n"),
                                     QByteArray("1ffffffffffffffff\r\nx\r\n0\r\n\r\n"),
                                     QByteArray("5\r\nHelloX\r\n0\r\n\r\n")}) {
        server.Route("/bad", Kept(kChunkedHead, chunks));
        try {
            http.Get(server.Url("/bad"));
            ADD_FAILURE() << chunks.constData();
        } catch (const ESockError &e) {
            EXPECT_TRUE(e.Message().startsWith(kChunkedBodyBroken)) << qPrintable(e.Message());
            EXPECT_TRUE(IsBrokenOff(e));
        }
        EXPECT_FALSE(http.Connected);
    }
    // Cut short: the server closes before the last chunk.
    server.Route("/cut", FixtureResponse::Raw(kChunkedHead + "5\r\nHel"));
    EXPECT_THROW(http.Get(server.Url("/cut")), ESockError);
}

TEST_F(KeepAliveTest, AServerThatClosesBetweenFilesGetsOneNewConnection)
{
    // HTTP/1.1 with nothing said about the connection, then closed: the
    // client keeps it and finds it closed at the next request.
    server.Route("/closing", FixtureResponse::Raw("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
    http.Get(server.Url("/closing"));
    EXPECT_EQ(http.Body, "ok");
    QThread::msleep(50);  // the close has arrived
    http.Get(server.Url("/a"));
    EXPECT_EQ(http.Body, "first");
    EXPECT_EQ(server.ConnectionCount(), 2);
}

TEST_F(KeepAliveTest, CloseAndOldServersEndTheConnection)
{
    const auto connectionsFor = [&](const FixtureResponse &response) {
        server.Route("/said", response);
        http.Disconnect();
        const int before = server.ConnectionCount();
        http.Get(server.Url("/said"));
        EXPECT_EQ(http.Body, "body");
        http.Get(server.Url("/a"));
        return server.ConnectionCount() - before;
    };
    EXPECT_EQ(connectionsFor(Kept("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 4\r\n\r\n", "body")), 2);
    EXPECT_EQ(connectionsFor(Kept("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\n", "body")), 2);
    EXPECT_EQ(connectionsFor(Kept("HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 4\r\n\r\n", "body")), 1);
    // No length and no chunks: the body ends at the close, as ever.
    EXPECT_EQ(connectionsFor(FixtureResponse::Raw("HTTP/1.1 200 OK\r\n\r\nbody")), 2);
}

TEST_F(KeepAliveTest, NoReuseAfterATimeOutOrAStop)
{
    http.Get(server.Url("/a"));
    http.TimeOut = 300;
    EXPECT_THROW(http.Get(server.Url("/stall-in-body")), EAbortError);
    http.TimeOut = 10000;
    http.Get(server.Url("/b"));
    EXPECT_EQ(http.Body, "second");
    const int afterTimeOut = server.ConnectionCount();
    EXPECT_EQ(afterTimeOut, 2) << "the kept one, stalled, then a new one";

    server.Route("/slow", [](const QByteArray &) {
        FixtureResponse response = FixtureResponse::KeptOk(QByteArray(1000, 'x'));
        response.TrickleMs = 2;
        return response;
    });
    Later(&http, 100, [this] { http.Abort(); });
    EXPECT_THROW(http.Get(server.Url("/slow")), EAbortError);
    http.Get(server.Url("/a"));
    EXPECT_EQ(server.ConnectionCount(), afterTimeOut + 1) << "Stop ended the kept connection";
}

TEST_F(KeepAliveTest, ABodyPartlyReceivedWithItsHeaderCountsEveryByteOnce)
{
    QByteArray big(300000, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char((i * 13 + i / 251) & 0xff);
    server.Route("/big", FixtureResponse::KeptOk(big));
    std::vector<qint64> counts;
    http.OnPacketRecvd = [&](TSocketConnection *c) { counts.push_back(c->BytesRecvd); };
    http.Get(server.Url("/big"));
    EXPECT_EQ(http.Body, big);
    EXPECT_EQ(http.BytesRecvd, big.size());
    ASSERT_FALSE(counts.empty());
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
    EXPECT_EQ(counts.back(), big.size());

    counts.clear();
    const QString path = testenv::NewFolder("keepalive-count") + "/big.bin";
    http.InputFileMode = true;
    http.Body = path.toUtf8();
    http.Get(server.Url("/big"));
    EXPECT_EQ(http.BytesRecvd, big.size());
    ASSERT_FALSE(counts.empty());
    EXPECT_EQ(counts.back(), big.size());
    EXPECT_EQ(FileBytes(path), big);

    // The framing took the body to its last byte and no further.
    http.InputFileMode = false;
    http.Get(server.Url("/a"));
    EXPECT_EQ(http.Body, "first");
    EXPECT_EQ(server.ConnectionCount(), 1);
}

TEST(KeepAliveTls, OneHandshakeServesEveryRequest)
{
    ScopedTrustedCa trusted(SharedCertificates().CaFile());
    FixtureHttpServer tls{TlsIdentity()};
    tls.Route("/a", FixtureResponse::KeptOk("first"));
    tls.Route("/chunked", Kept(kChunkedHead, "3\r\nabc\r\n0\r\n\r\n"));
    THttpClient http;
    http.TimeOut = 10000;
    http.KeepAlive = true;
    for (const char *path : {"/a", "/chunked", "/a"})
        http.Get(tls.Url(path));
    EXPECT_EQ(http.Body, "first");
    EXPECT_EQ(tls.ConnectionCount(), 1);
    EXPECT_EQ(tls.HandshakeCount(), 1);
    EXPECT_EQ(tls.RequestCount(), 3);
}

// Bytes a server sends past an answer on a connection that then goes (it
// said "close"; a file's redirect leaves its body unread) go with it.
TEST(KeepAliveHeldBytes, BytesPastAnAnswerNeverReachTheNextConnection)
{
    ScopedTrustedCa trusted(SharedCertificates().CaFile());
    FixtureHttpServer plain;
    FixtureHttpServer tls{TlsIdentity()};
    const QString folder = testenv::NewFolder("keepalive-held");
    for (FixtureHttpServer *server : {&plain, &tls}) {
        server->Route("/closing", Kept("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 4\r\n\r\n", "pageJUNK"));
        server->Route("/moved", Kept("HTTP/1.1 302 Found\r\nLocation: /ok\r\nContent-Length: 5\r\n\r\n", "moved"));
        THttpClient http;
        http.TimeOut = 10000;
        http.KeepAlive = true;
        http.Get(server->Url("/closing"));
        EXPECT_EQ(http.Body, "page");
        EXPECT_FALSE(http.Connected);
        http.Get(server->Url("/ok"));
        EXPECT_EQ(http.ReplyNumber, 200);
        EXPECT_EQ(http.Body, "Hello, world\n");

        const QString path = folder + (server == &tls ? "/secure.txt" : "/plain.txt");
        http.InputFileMode = true;
        http.Body = path.toUtf8();
        http.Get(server->Url("/moved"));
        EXPECT_EQ(http.ReplyNumber, 200);
        EXPECT_EQ(FileBytes(path), "Hello, world\n");
        EXPECT_EQ(server->ConnectionCount(), 4);
    }
}

// Answers that have no body whatever their header says (HEAD, 204, 304,
// and the interim answers before a final one) leave the kept connection
// right before the next answer.
TEST_F(KeepAliveTest, AnswersWithoutABodyLeaveTheConnectionRightBeforeTheNext)
{
    const struct {
        bool head;
        QByteArray sent;
        int status;
    } cases[] = {
        {true, "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", 200},
        {false, "HTTP/1.1 204 No Content\r\n\r\n", 204},
        {false, "HTTP/1.1 304 Not Modified\r\nContent-Length: 5\r\nETag: \"x\"\r\n\r\n", 304},
        {false, "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", 200},
        {false, "HTTP/1.1 103 Early Hints\r\nLink: </b>\r\n\r\nHTTP/1.1 204 No Content\r\n\r\n", 204},
    };
    for (const auto &c : cases) {
        server.Route("/empty", Kept(c.sent, {}));
        http.Disconnect();
        const int before = server.ConnectionCount();
        if (c.head)
            http.Head(server.Url("/empty"));
        else
            http.Get(server.Url("/empty"));
        EXPECT_EQ(http.ReplyNumber, c.status) << c.sent.constData();
        EXPECT_EQ(http.Body, "");
        http.Get(server.Url("/b"));
        EXPECT_EQ(http.ReplyNumber, 200) << c.sent.constData();
        EXPECT_EQ(http.Body, "second") << c.sent.constData();
        EXPECT_EQ(server.ConnectionCount() - before, 1) << c.sent.constData();
    }
}

// Stray bytes that come after an answer was read whole (a stray line end,
// junk) stand where the next answer's status line should: that request
// goes again on a fresh connection, once, and the file does not fail.
TEST(KeepAliveStrayBytes, BytesThatComeLaterSendTheNextRequestToAFreshConnection)
{
    ScopedTrustedCa trusted(SharedCertificates().CaFile());
    FixtureHttpServer plain;
    FixtureHttpServer tls{TlsIdentity()};
    for (FixtureHttpServer *server : {&plain, &tls}) {
        for (const QByteArray &stray : {QByteArray("\r\n"), QByteArray("JUNK")}) {
            FixtureResponse first = FixtureResponse::KeptOk("first");
            first.Afterwards = stray;
            first.AfterwardsMs = 50;
            server->Route("/a", first);
            server->Route("/b", FixtureResponse::KeptOk("second"));
            THttpClient http;
            http.TimeOut = 10000;
            http.KeepAlive = true;
            const int before = server->ConnectionCount();
            http.Get(server->Url("/a"));
            EXPECT_EQ(http.Body, "first");
            http.Get(server->Url("/b"));
            EXPECT_EQ(http.ReplyNumber, 200) << stray.constData();
            EXPECT_EQ(http.Body, "second") << stray.constData();
            EXPECT_EQ(server->ConnectionCount() - before, 2) << stray.constData();
            http.Get(server->Url("/b"));
            EXPECT_EQ(server->ConnectionCount() - before, 2) << "the fresh connection is kept";
        }
    }
}
