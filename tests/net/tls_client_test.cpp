// THttpClient over TLS against the fixture servers with test certificates:
// https requests with the same bytes as http, the certificates a client
// must refuse (and that nothing is sent to them), redirects across
// schemes, tunnels through a proxy, and the ends of a TLS stream.
#include "net/http_client.h"
#include "net/tls_errors.h"
#include "tests/net/net_test_support.h"
#include "tests/support/connect_proxy.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_environment.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

class TlsClientTest : public ::testing::Test {
protected:
    TlsClientTest()
    {
        http.TimeOut = 10000;
        http.OnConnectionFailed = [this](TSocketConnection *) { connectionFailures++; };
    }

    // The failure a request raises: its class tells a certificate problem.
    std::optional<ETlsError> TlsFailureOf(const QByteArray &url)
    {
        try {
            http.Get(url);
        } catch (const ETlsError &e) {
            return e;
        }
        return std::nullopt;
    }

    ScopedTrustedCa trusted{SharedCertificates().CaFile()};
    FixtureHttpServer tls{TlsIdentity(TestLeaf::Good)};
    FixtureHttpServer plain;
    THttpClient http;
    int connectionFailures = 0;
};

const QByteArray kAccepts =
    "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
    "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";

}  // namespace

TEST_F(TlsClientTest, HttpsSendsTheBytesOfHttpAndReadsPagesAndFiles)
{
    http.Get(tls.Url("/ok"));
    EXPECT_EQ(http.Body, "Hello, world\n");
    EXPECT_EQ(http.ReplyNumber, 200);
    EXPECT_EQ(http.Port, tls.Port());
    const QByteArray sameRequest = "GET /ok HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccepts
                                   + "Content-type: application/x-www-form-urlencoded\r\n\r\n";
    EXPECT_EQ(tls.LastRequest(), sameRequest);
    http.Get(plain.Url("/ok"));
    EXPECT_EQ(plain.LastRequest(), sameRequest);

    // A file larger than any record or buffer arrives whole and in order.
    QByteArray big(3 * 1024 * 1024 + 17, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char((i * 7 + i / 4093) & 0xff);
    tls.Route("/big.bin", FixtureResponse::Ok(big, "application/octet-stream"));
    const QString path = testenv::NewFolder("tls") + "/big.bin";
    http.InputFileMode = true;
    http.Body = path.toUtf8();
    http.Get(tls.Url("/big.bin"));
    EXPECT_TRUE(FileBytes(path) == big);
    EXPECT_EQ(http.BytesRecvd, big.size());
    EXPECT_FALSE(http.Secure()) << "the close ends the TLS session";
}

TEST_F(TlsClientTest, TheNextConnectionToAServerResumesItsSession)
{
    FixtureTls identity = TlsIdentity(TestLeaf::Good);
    identity.Resumable = true;
    FixtureHttpServer resumable{identity};
    for (int i = 0; i < 3; ++i) {
        http.Get(resumable.Url("/ok"));
        EXPECT_EQ(http.Body, "Hello, world\n");
    }
    EXPECT_EQ(resumable.HandshakeCount(), 3);
    EXPECT_EQ(resumable.ResumedCount(), 2);

    // Another trust store: the sessions made under the old one are gone,
    // and a server that is no longer trusted is refused again.
    const TestCertificates others;
    ScopedTrustedCa otherAuthority(others.CaFile());
    EXPECT_THROW(http.Get(resumable.Url("/ok")), ETlsError);
    EXPECT_EQ(resumable.ResumedCount(), 2);
}

TEST_F(TlsClientTest, CertificatesThatFailVerificationNameTheProblemAndGetNoRequest)
{
    struct Case {
        TestLeaf leaf;
        TlsProblem problem;
        const char *english;
        const char *slovene;
    };
    const Case cases[] = {
        {TestLeaf::Expired, TlsProblem::Expired, "certificate has expired", "potrdilo strežnika je poteklo"},
        {TestLeaf::SelfSigned, TlsProblem::SelfSigned, "self-signed certificate",
         "potrdilo strežnika je samopodpisano"},
        {TestLeaf::WrongHost, TlsProblem::WrongHost, "certificate is for other.example, not 127.0.0.1",
         "potrdilo velja za other.example, ne za 127.0.0.1"},
    };
    for (const Case &c : cases) {
        FixtureHttpServer server{TlsIdentity(c.leaf)};
        const std::optional<ETlsError> failure = TlsFailureOf(server.Url("/ok"));
        ASSERT_TRUE(failure.has_value()) << c.english;
        EXPECT_EQ(failure->Problem(), c.problem);
        EXPECT_EQ(failure->Message(), QString::fromUtf8(c.english));
        EXPECT_EQ(TlsProblemText(*failure, false), QString::fromUtf8(c.slovene));
        EXPECT_EQ(server.RequestCount(), 0) << c.english;
        EXPECT_TRUE(server.WaitForHandshakeFailures(1)) << c.english;
        EXPECT_EQ(server.HandshakeCount(), 0) << c.english;
    }

    // A certificate of an authority the store does not hold.
    const TestCertificates others;
    ScopedTrustedCa otherAuthority(others.CaFile());
    const std::optional<ETlsError> failure = TlsFailureOf(tls.Url("/ok"));
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->Problem(), TlsProblem::UnknownIssuer);
    EXPECT_EQ(tls.RequestCount(), 0);
}

// An address by host name is checked against the names in the certificate
// (every other test connects by IP address, which is checked against the
// certificate's addresses): a certificate for another name is refused
// before a byte of the request goes out; one that names the host is taken.
TEST_F(TlsClientTest, AHostNameIsCheckedAgainstTheNamesOfTheCertificate)
{
    ScriptedResolver resolver;
    resolver.Answers["localhost"] = {kLoopback};
    http.Resolver = &resolver;
    FixtureHttpServer other{TlsIdentity(TestLeaf::WrongHost)};
    const std::optional<ETlsError> failure =
        TlsFailureOf("https://localhost:" + QByteArray::number(other.Port()) + "/ok");
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->Problem(), TlsProblem::WrongHost);
    EXPECT_EQ(failure->Message(), "certificate is for other.example, not localhost");
    EXPECT_TRUE(other.WaitForHandshakeFailures(1));
    EXPECT_EQ(other.RequestCount(), 0);
    EXPECT_EQ(other.HandshakeCount(), 0);

    http.Get("https://localhost:" + QByteArray::number(tls.Port()) + "/ok");
    EXPECT_EQ(http.Body, "Hello, world\n");
    EXPECT_TRUE(tls.LastRequest().contains("\r\nHost: localhost\r\n"));
    EXPECT_EQ(resolver.Names, (std::vector<QByteArray>{"localhost", "localhost"}));
}

TEST_F(TlsClientTest, AServerThatStallsInTheHandshakeEndsAtTheTimeOut)
{
    SilentListener silent;
    http.TimeOut = 400;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(ThrownMessage<ESockError>([&] { http.Get("https://127.0.0.1:" + QByteArray::number(silent.Port()) + "/"); }),
              kConnectionTimedOut);
    EXPECT_TRUE(http.TimedOut);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(connectionFailures, 1);

    // Stop during the handshake ends it the same way, as a cancel.
    http.TimeOut = 10000;
    Later(&http, 100, [this] { http.Abort(); });
    EXPECT_EQ(ThrownMessage<ESockError>([&] { http.Get("https://127.0.0.1:" + QByteArray::number(silent.Port()) + "/"); }),
              kConnectionCanceled);
    EXPECT_FALSE(http.TimedOut);

    // The connection is usable again afterwards.
    http.Get(tls.Url("/ok"));
    EXPECT_EQ(http.Body, "Hello, world\n");
}

TEST_F(TlsClientTest, RedirectsCrossSchemesBothWays)
{
    plain.Route("/to-https", FixtureResponse::Redirect(302, tls.Url("/ok")));
    http.Get(plain.Url("/to-https"));
    EXPECT_EQ(http.Body, "Hello, world\n");
    EXPECT_EQ(tls.RequestCount(), 1);

    tls.Route("/to-http", FixtureResponse::Redirect(301, plain.Url("/ok")));
    http.Get(tls.Url("/to-http"));
    EXPECT_EQ(http.Body, "Hello, world\n");
    EXPECT_FALSE(http.SecureRequest);

    // A relative Location keeps the scheme of the address that got it.
    tls.Route("/relative", FixtureResponse::Redirect(302, "/ok"));
    http.Get(tls.Url("/relative"));
    EXPECT_EQ(http.Body, "Hello, world\n");
    EXPECT_TRUE(http.SecureRequest);
}

TEST_F(TlsClientTest, CredentialsAndCookiesOfHttpsNeverTravelOverPlainHttp)
{
    http.HeaderInfo.UserId = "user";
    http.HeaderInfo.Password = "secret";
    // The same host and port over plain http: another origin all the same.
    tls.Route("/to-http", FixtureResponse::Redirect(302, plain.Url("/ok"), "session=1"));
    http.Get(tls.Url("/to-http"));
    ASSERT_EQ(http.Body, "Hello, world\n");
    EXPECT_TRUE(tls.LastRequest().contains("Authorization: Basic "));
    EXPECT_FALSE(plain.LastRequest().contains("Authorization")) << plain.LastRequest().constData();
    EXPECT_FALSE(plain.LastRequest().contains("Cookie")) << plain.LastRequest().constData();

    // Given for the https origin, they are not sent to http on the same port either.
    http.CredentialsOrigin = THttpClient::OriginOf(tls.Url("/"));
    EXPECT_TRUE(http.CredentialsOrigin->Secure);
    // Plain bytes to a TLS port: the server resets, but what went out is known.
    EXPECT_THROW(http.Get("http://127.0.0.1:" + QByteArray::number(tls.Port()) + "/ok"), ESockError);
    EXPECT_TRUE(http.HeaderList.Text().startsWith("GET /ok HTTP/1.0"));
    EXPECT_FALSE(http.HeaderList.Text().contains("Authorization"));
}

TEST_F(TlsClientTest, HttpsThroughAProxyGoesThroughATunnel)
{
    RecordingConnectProxy proxy;
    http.Proxy = "127.0.0.1";
    http.ProxyPort = proxy.Port();
    http.Get(tls.Url("/ok"));
    EXPECT_EQ(http.Body, "Hello, world\n");
    const QByteArray target = "127.0.0.1:" + QByteArray::number(tls.Port());
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests()[0], "CONNECT " + target + " HTTP/1.0\r\nHost: " + target + "\r\n\r\n");
    // Inside the tunnel the server gets the request as a direct one.
    EXPECT_TRUE(tls.LastRequest().startsWith("GET /ok HTTP/1.0\r\nHost: 127.0.0.1\r\nAccept"))
        << tls.LastRequest().constData();

    proxy.RefuseWith("HTTP/1.0 403 Forbidden");
    EXPECT_EQ(ThrownMessage<ESockError>([&] { http.Get(tls.Url("/ok")); }),
              kProxyRefusedTunnel + QStringLiteral("HTTP/1.0 403 Forbidden"));
    EXPECT_EQ(tls.RequestCount(), 1);
}

TEST_F(TlsClientTest, BytesAProxySendsPastItsTunnelAnswerFailTheHandshake)
{
    // The plain fixture stands for a proxy that answers the CONNECT with
    // bytes after the blank line, before the server could have said a word.
    const QByteArray target = "127.0.0.1:" + QByteArray::number(tls.Port());
    FixtureResponse answer = FixtureResponse::Raw("HTTP/1.0 200 Connection established\r\n\r\nearly");
    answer.KeepOpen = true;
    plain.Route(target, answer);
    http.Proxy = "127.0.0.1";
    http.ProxyPort = plain.Port();
    const std::optional<ETlsError> failure = TlsFailureOf(tls.Url("/ok"));
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->Problem(), TlsProblem::Handshake);
    EXPECT_FALSE(http.Connected);
    ASSERT_GE(plain.RequestCount(), 1);
    EXPECT_TRUE(plain.Requests()[0].startsWith("CONNECT " + target + " HTTP/1.0\r\n"));
    EXPECT_EQ(tls.RequestCount(), 0);
}

TEST_F(TlsClientTest, AStreamEndingWithoutCloseNotifyCountsOnlyWhenTheBodyIsWhole)
{
    FixtureResponse whole = FixtureResponse::Ok("all of it\n");
    whole.NoCloseNotify = true;
    tls.Route("/whole", whole);
    http.Get(tls.Url("/whole"));
    EXPECT_EQ(http.Body, "all of it\n");

    FixtureResponse unannounced = FixtureResponse::Status(200, "OK", {"Content-Type: image/jpeg"}, "maybe cut");
    unannounced.NoCloseNotify = true;
    tls.Route("/unannounced.jpg", unannounced);
    try {
        http.Get(tls.Url("/unannounced.jpg"));
        ADD_FAILURE() << "an unclean end without a length is no whole body";
    } catch (const ETlsError &e) {
        EXPECT_TRUE(IsBrokenOff(e));
        EXPECT_TRUE(e.Message().contains(kTlsEndWithoutNotify));
    }
    EXPECT_TRUE(http.Body.isEmpty());

    // A reset mid-body is broken off, as over plain http.
    try {
        http.Get(tls.Url("/reset-mid-body"));
        ADD_FAILURE() << "a reset is no whole body";
    } catch (const ESockError &e) {
        EXPECT_TRUE(IsBrokenOff(e)) << qPrintable(e.Message());
    }
}

TEST_F(TlsClientTest, AStallInTheBodyEndsAtTheTimeOut)
{
    http.TimeOut = 400;
    QElapsedTimer clock;
    clock.start();
    EXPECT_THROW(http.Get(tls.Url("/stall-in-body")), EAbortError);
    EXPECT_TRUE(http.TimedOut);
    EXPECT_LT(clock.elapsed(), 3000);
}
