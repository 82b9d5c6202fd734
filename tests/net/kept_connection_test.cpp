// One client taking over the connection another keeps open: the page
// client's connection serves the file client's requests to the same place,
// and only there.
#include "net/http_client.h"
#include "tests/net/net_test_support.h"
#include "tests/support/connect_proxy.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_environment.h"

#include <QThread>
#include <gtest/gtest.h>

namespace {

class KeptConnectionTest : public ::testing::Test {
protected:
    KeptConnectionTest()
    {
        for (THttpClient *client : {&page, &files}) {
            client->TimeOut = 10000;
            client->KeepAlive = true;
        }
        page.OnDisconnect = [this](TSocketConnection *) { pageCloses++; };
        files.OnFailure = [this](THttpClient *, CmdType) { fileFailures++; };
        server.Route("/page", FixtureResponse::KeptOk("<a href=a.jpg>"));
        server.Route("/a.jpg", FixtureResponse::KeptOk("picture a"));
        server.Route("/b.jpg", FixtureResponse::KeptOk("picture b"));
    }

    // Gets url into the file name, as the download does.
    QByteArray Save(const QByteArray &url, const QString &name)
    {
        const QString path = folder + "/" + name;
        files.InputFileMode = true;
        files.Body = path.toUtf8();
        files.Get(url);
        return FileBytes(path);
    }

    FixtureHttpServer server;
    THttpClient page;
    THttpClient files;
    int pageCloses = 0;
    int fileFailures = 0;
    const QString folder = testenv::NewFolder("kept-connection");
};

}  // namespace

TEST_F(KeptConnectionTest, ThePageConnectionServesTheFilesAndLeavesThePageClientWithNone)
{
    // Proxy ports that differ mean nothing without a proxy (the window's
    // two clients have 80 and 3128).
    page.ProxyPort = 80;
    files.ProxyPort = 3128;
    page.HeaderInfo.UserId = "user";
    page.HeaderInfo.Password = "secret";
    page.Get(server.Url("/page"));
    ASSERT_TRUE(page.Connected);
    files.TakeKeptConnection(page);
    EXPECT_FALSE(page.Connected);
    EXPECT_TRUE(files.Connected);
    EXPECT_EQ(pageCloses, 0) << "handed over, not closed";

    EXPECT_EQ(Save(server.Url("/a.jpg"), "a.jpg"), "picture a");
    EXPECT_EQ(Save(server.Url("/b.jpg"), "b.jpg"), "picture b");
    EXPECT_EQ(server.ConnectionCount(), 1);
    EXPECT_EQ(server.RequestCount(), 3);
    // The file client's own request: HTTP/1.1, none of the page client's credentials.
    EXPECT_TRUE(server.LastRequest().startsWith("GET /b.jpg HTTP/1.1\r\n")) << server.LastRequest().constData();
    EXPECT_FALSE(server.LastRequest().contains("Authorization"));

    // Nothing left to take; the page client opens a new connection of its own.
    files.TakeKeptConnection(page);
    EXPECT_TRUE(files.Connected);
    page.Get(server.Url("/page"));
    EXPECT_EQ(page.Body, "<a href=a.jpg>");
    EXPECT_EQ(server.ConnectionCount(), 2);
    EXPECT_EQ(Save(server.Url("/a.jpg"), "a2.jpg"), "picture a");
    EXPECT_EQ(server.ConnectionCount(), 2) << "the file client kept its own";
}

TEST_F(KeptConnectionTest, ATakenConnectionTheServerClosedIsReplacedOnceWithoutAFailure)
{
    server.Route("/closing", FixtureResponse::Raw("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\npage"));
    page.Get(server.Url("/closing"));
    ASSERT_TRUE(page.Connected) << "nothing said: the client keeps it";
    QThread::msleep(50);  // the close has arrived
    files.TakeKeptConnection(page);
    EXPECT_EQ(Save(server.Url("/a.jpg"), "a.jpg"), "picture a");
    EXPECT_EQ(fileFailures, 0);
    EXPECT_EQ(server.ConnectionCount(), 2);
    EXPECT_EQ(server.RequestCount(), 2) << "the request went once to a server that took it";
}

TEST_F(KeptConnectionTest, ATakenConnectionServesOnlyItsSchemeHostPortAndProxy)
{
    FixtureHttpServer other;
    other.Route("/a.jpg", FixtureResponse::KeptOk("other a"));
    page.Get(server.Url("/page"));
    files.TakeKeptConnection(page);
    EXPECT_EQ(Save(other.Url("/a.jpg"), "other.jpg"), "other a");
    EXPECT_EQ(other.ConnectionCount(), 1);
    EXPECT_EQ(server.RequestCount(), 1) << "another port never gets the taken connection";

    // Another name for the same address and port is another host.
    page.Get(server.Url("/page"));
    files.TakeKeptConnection(page);
    const QByteArray byName = "http://localhost:" + QByteArray::number(server.Port()) + "/a.jpg";
    EXPECT_EQ(Save(byName, "by-name.jpg"), "picture a");
    EXPECT_EQ(server.ConnectionCount(), 3);

    // Through a proxy (the fixture answers proxy requests too) the same
    // address is a different connection.
    page.Get(server.Url("/page"));
    files.TakeKeptConnection(page);
    files.Proxy = "127.0.0.1";
    files.ProxyPort = server.Port();
    EXPECT_EQ(Save(server.Url("/b.jpg"), "proxied.jpg"), "picture b");
    EXPECT_EQ(server.ConnectionCount(), 5);
    EXPECT_TRUE(server.LastRequest().startsWith("GET " + server.Url("/b.jpg") + " HTTP/1.1\r\n"))
        << server.LastRequest().constData();
}

TEST_F(KeptConnectionTest, NothingIsTakenWithoutAKeptConnectionOrWhileARequestRuns)
{
    server.Route("/closed-page", FixtureResponse::Ok("page"));
    page.KeepAlive = false;
    page.Get(server.Url("/closed-page"));
    files.TakeKeptConnection(page);
    EXPECT_FALSE(files.Connected);
    EXPECT_EQ(Save(server.Url("/a.jpg"), "a.jpg"), "picture a");
    EXPECT_EQ(server.ConnectionCount(), 2);

    // The file client's kept connection stays while it waits in a request.
    page.KeepAlive = true;
    page.Get(server.Url("/page"));
    files.OnPacketRecvd = [this](TSocketConnection *) { files.TakeKeptConnection(page); };
    EXPECT_EQ(Save(server.Url("/b.jpg"), "b.jpg"), "picture b");
    EXPECT_TRUE(page.Connected);
    files.OnPacketRecvd = nullptr;
    page.Get(server.Url("/page"));
    EXPECT_EQ(server.ConnectionCount(), 3) << "both clients kept their own";

    // A client does not take from itself.
    files.TakeKeptConnection(files);
    EXPECT_TRUE(files.Connected);
}

TEST_F(KeptConnectionTest, OneTlsHandshakeServesThePageAndTheFiles)
{
    ScopedTrustedCa trusted(SharedCertificates().CaFile());
    FixtureHttpServer tls{TlsIdentity()};
    tls.Route("/page", FixtureResponse::KeptOk("page"));
    tls.Route("/a.jpg", FixtureResponse::KeptOk("secure a"));
    page.Get(tls.Url("/page"));
    files.TakeKeptConnection(page);
    EXPECT_EQ(Save(tls.Url("/a.jpg"), "a.jpg"), "secure a");
    EXPECT_EQ(Save(tls.Url("/a.jpg"), "a2.jpg"), "secure a");
    EXPECT_EQ(tls.ConnectionCount(), 1);
    EXPECT_EQ(tls.HandshakeCount(), 1);

    // The same host and port over plain http is another origin: a new
    // connection, whose plain request the TLS server refuses.
    page.Get(tls.Url("/page"));
    files.TakeKeptConnection(page);
    const QByteArray plain = "http://127.0.0.1:" + QByteArray::number(tls.Port()) + "/a.jpg";
    EXPECT_THROW(Save(plain, "plain.jpg"), ESockError);
    EXPECT_EQ(tls.RequestCount(), 4);
    EXPECT_EQ(tls.ConnectionCount(), 3);
}

TEST_F(KeptConnectionTest, BytesThatCameBeforeTheirRequestNeverAnswerIt)
{
    // The server sends the start of another answer right after the page,
    // before any request asked for it (this client never sends a request
    // before the last answer is in). It answers nothing: the page client
    // receives it with the page and closes the connection, and the file
    // comes over a fresh one. (These bytes used to serve as the start of
    // the file's answer.)
    ScopedTrustedCa trusted(SharedCertificates().CaFile());
    FixtureHttpServer tls{TlsIdentity()};
    FixtureResponse pageAndMore = FixtureResponse::Raw("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\npage"
                                                       "HTTP/1.1 200 OK\r\nCont");
    pageAndMore.KeepOpen = true;
    for (FixtureHttpServer *host : {&server, &tls}) {
        host->Route("/page-and-more", pageAndMore);
        host->Route("/c.jpg", FixtureResponse::KeptOk("picture c"));
        page.Get(host->Url("/page-and-more"));
        EXPECT_EQ(page.Body, "page");
        EXPECT_FALSE(page.Connected);
        files.TakeKeptConnection(page);
        const QString name = host == &tls ? "secure-c.jpg" : "c.jpg";
        EXPECT_EQ(Save(host->Url("/c.jpg"), name), "picture c");
        EXPECT_EQ(files.ReplyNumber, 200);
        EXPECT_EQ(files.BytesRecvd, 9);
        EXPECT_EQ(fileFailures, 0);
        EXPECT_EQ(host->ConnectionCount(), 2);
        EXPECT_EQ(host->RequestCount(), 2);
    }
}

TEST_F(KeptConnectionTest, ATunnelToOneHostNeverServesAnother)
{
    ScopedTrustedCa trusted(SharedCertificates().CaFile());
    FixtureHttpServer hostA{TlsIdentity()};
    FixtureHttpServer hostB{TlsIdentity()};
    for (FixtureHttpServer *host : {&hostA, &hostB}) {
        host->Route("/page", FixtureResponse::KeptOk("page"));
        host->Route("/a.jpg", FixtureResponse::KeptOk("tunnelled a"));
    }
    RecordingConnectProxy proxy;
    for (THttpClient *client : {&page, &files}) {
        client->Proxy = "127.0.0.1";
        client->ProxyPort = proxy.Port();
    }
    page.Get(hostA.Url("/page"));
    files.TakeKeptConnection(page);
    EXPECT_EQ(Save(hostA.Url("/a.jpg"), "a.jpg"), "tunnelled a");
    EXPECT_EQ(proxy.Requests().size(), 1u) << "the page's tunnel carried the file";
    EXPECT_EQ(hostA.HandshakeCount(), 1);

    EXPECT_EQ(Save(hostB.Url("/a.jpg"), "b.jpg"), "tunnelled a");
    ASSERT_EQ(proxy.Requests().size(), 2u);
    EXPECT_TRUE(proxy.Requests()[1].startsWith("CONNECT 127.0.0.1:" + QByteArray::number(hostB.Port()) + " "));
    EXPECT_EQ(hostA.RequestCount(), 2);
    EXPECT_EQ(hostB.HandshakeCount(), 1);
}
