// Every redirect of RFC 9110 (15.4) as data: which statuses are followed,
// how many requests they take, the final address and the method; and the
// addresses, typed or sent as a Location, that no request can go to.
#include "net/address_errors.h"
#include "net/http_client.h"
#include "net/tls_errors.h"
#include "net/url_splitter.h"
#include "tests/net/net_test_support.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_environment.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

class RedirectTest : public ::testing::Test {
protected:
    RedirectTest()
    {
        http.TimeOut = 10000;
        http.OnSuccess = [this](THttpClient *, CmdType) { outcome += "success"; };
        http.OnFailure = [this](THttpClient *, CmdType) { outcome += "failure"; };
        server.Route("/final", FixtureResponse::Ok("final"));
        server.Route("/dir/final", FixtureResponse::Ok("final in dir"));
    }

    // Serves /dir/start with status and (when not empty) the Location.
    void Serve(int status, const QByteArray &location)
    {
        QList<QByteArray> lines;
        if (!location.isNull())
            lines << "Location: " + location;
        server.Route("/dir/start", FixtureResponse::Status(status, "Moved", lines, "moved"));
        server.ClearRequests();
        outcome.clear();
    }

    FixtureHttpServer server;
    THttpClient http;
    QByteArray outcome;
};

struct RedirectCase {
    CmdType command;
    int status;
    QByteArray location;  // "@" stands for the server's own address
    bool followed;
    QByteArray finalPath;
    QByteArray lastRequestLine;
};

}  // namespace

TEST_F(RedirectTest, EveryRedirectIsFollowedAndAnyOther3xxEndsAtOnceAsAFailure)
{
    const RedirectCase cases[] = {
        {THttpClient::CmdGet, 300, "/final", true, "/final", "GET /final "},
        {THttpClient::CmdGet, 301, "@/final", true, "/final", "GET /final "},
        {THttpClient::CmdGet, 302, "final", true, "/dir/final", "GET /dir/final "},
        {THttpClient::CmdGet, 303, "../final", true, "/final", "GET /final "},
        {THttpClient::CmdGet, 307, "./final", true, "/dir/final", "GET /dir/final "},
        {THttpClient::CmdGet, 308, "/dir/final", true, "/dir/final", "GET /dir/final "},
        {THttpClient::CmdPost, 307, "/final", true, "/final", "POST /final "},
        {THttpClient::CmdPost, 308, "/final", true, "/final", "POST /final "},
        {THttpClient::CmdPost, 303, "/final", true, "/final", "GET /final "},
        {THttpClient::CmdHead, 303, "/final", true, "/final", "HEAD /final "},
        {THttpClient::CmdGet, 304, "/final", false, "/dir/start", "GET /dir/start "},
        {THttpClient::CmdGet, 305, "/final", false, "/dir/start", "GET /dir/start "},
        {THttpClient::CmdGet, 306, "/final", false, "/dir/start", "GET /dir/start "},
        {THttpClient::CmdGet, 309, "/final", false, "/dir/start", "GET /dir/start "},
        {THttpClient::CmdGet, 399, "/final", false, "/dir/start", "GET /dir/start "},
        {THttpClient::CmdGet, 301, QByteArray(), false, "/dir/start", "GET /dir/start "},
        {THttpClient::CmdGet, 308, "", false, "/dir/start", "GET /dir/start "},
    };
    for (const RedirectCase &c : cases) {
        Serve(c.status, c.location.startsWith('@') ? server.Url(c.location.mid(1)) : c.location);
        const QByteArray url = server.Url("/dir/start");
        if (c.command == THttpClient::CmdPost)
            http.Post(url, "a=1");
        else if (c.command == THttpClient::CmdHead)
            http.Head(url);
        else
            http.Get(url);
        const QByteArray what = QByteArray::number(c.status) + " " + c.location + " cmd " + QByteArray::number(c.command);
        EXPECT_EQ(outcome, c.followed ? "success" : "failure") << what.constData();
        EXPECT_EQ(server.RequestCount(), c.followed ? 2 : 1) << what.constData();
        EXPECT_EQ(http.URL, server.Url(c.finalPath)) << what.constData();
        EXPECT_TRUE(server.LastRequest().startsWith(c.lastRequestLine)) << server.LastRequest().constData();
    }
    Serve(299, "/final");  // a success like any 2xx, asked for once
    http.Get(server.Url("/dir/start"));
    EXPECT_EQ(outcome, "success");
    EXPECT_EQ(server.RequestCount(), 1);
}

TEST_F(RedirectTest, A308FromHttpToHttpsIsFollowedAndTheFinalAddressIsTheSecureOne)
{
    const ScopedTrustedCa trusted(SharedCertificates().CaFile());
    FixtureHttpServer tls{TlsIdentity()};
    tls.Route("/gallery/", FixtureResponse::Ok("secure page"));
    server.Route("/gallery", FixtureResponse::Redirect(308, tls.Url("/gallery/")));
    http.Get(server.Url("/gallery"));
    EXPECT_EQ(http.Body, "secure page");
    EXPECT_EQ(http.URL, tls.Url("/gallery/"));
    EXPECT_TRUE(http.SecureRequest);
    EXPECT_EQ(outcome, "success");
}

TEST_F(RedirectTest, CredentialsNeverFollowA307Or308ToAnotherOrigin)
{
    FixtureHttpServer other;
    other.Route("/there", FixtureResponse::Redirect(307, server.Url("/final")));
    http.HeaderInfo.UserId = "user";
    http.HeaderInfo.Password = "secret";
    for (const int status : {307, 308}) {
        server.ClearRequests();
        server.Route("/away", FixtureResponse::Redirect(status, other.Url("/there")));
        http.Get(server.Url("/away"));
        EXPECT_EQ(http.Body, "final");
        EXPECT_FALSE(other.LastRequest().contains("Authorization")) << status;
        const std::vector<QByteArray> home = server.Requests();
        ASSERT_EQ(home.size(), 2u);
        EXPECT_TRUE(home[0].contains("\r\nAuthorization: Basic ")) << status;
        EXPECT_TRUE(home[1].contains("\r\nAuthorization: Basic ")) << status;
    }
}

// A Location no request can go to fails the request with its reason, and
// nothing more is asked of any server (a file: address reads no file).
TEST_F(RedirectTest, AnUnusableLocationFailsWithItsReasonBeforeAnyRequest)
{
    const struct {
        QByteArray location;
        QByteArray reason;
    } cases[] = {
        {"file:///etc/passwd", "the scheme \"file\" is not http or https"},
        {"javascript:alert(1)", "the scheme \"javascript\" is not http or https"},
        {"data:image/png;base64,AAAA", "the scheme \"data\" is not http or https"},
        {"mailto:someone@example.com", "the scheme \"mailto\" is not http or https"},
        {"http://127.0.0.1:80x/", "the port \"80x\" is not a number"},
        {"http://127.0.0.1:70000/", "the port 70000 is outside 1..65535"},
        {"http://127.0.0.1:0/", "the port 0 is outside 1..65535"},
        {"http://[::1", "its host part \"[::1\" is broken"},
        {"http://[::1]/", "IPv6 addresses are not supported"},
        {"http://", "it names no host"},
        {"http:final", "it names no host"},
        {"http://user:pw@127.0.0.1/final", "it holds a user name or password"},
        {"/fin\x01" "al", "it holds control characters"},
    };
    http.InputFileMode = true;
    http.CreateNewFiles = true;
    const QByteArray file = testenv::NewFolder("redirect").toUtf8() + "/picture.jpg";
    for (const auto &c : cases) {
        Serve(302, c.location);
        http.Body = file;
        const QString message = ThrownMessage<EAddressError>([&] { http.Get(server.Url("/dir/start")); });
        EXPECT_EQ(message, kUnusableRedirect + ShownAddress(c.location.startsWith('/') ? server.Url(c.location)
                                                                                      : c.location)
                               + ": " + QString::fromUtf8(c.reason));
        EXPECT_EQ(server.RequestCount(), 1) << c.location.constData();
        EXPECT_FALSE(QFile::exists(QString::fromUtf8(file)));
        EXPECT_EQ(http.URL, server.Url("/dir/start"));
        EXPECT_FALSE(IsBrokenOff(EAddressError(true, AddressProblem::NotHttp, c.location)));
    }
    EXPECT_EQ(ShownAddress("http://h/\x1b[31m\n" + QByteArray(300, 'x')),
              "http://h/\\x1b[31m\\x0a" + QString(200 - 21, 'x'));
}

TEST(UnusableAddress, ATypedAddressSaysWhatIsWrongWithIt)
{
    const struct {
        QByteArray address;
        QString reason;  // empty: usable
    } cases[] = {
        {"htp:/host", "\"htp:\" is followed by neither \"//\" nor a port number"},
        {"host:/x", "\"host:\" is followed by neither \"//\" nor a port number"},
        {"javascript:alert(1)", "\"javascript:\" is followed by neither \"//\" nor a port number"},
        {"http://host:abc/", "the port \"abc\" is not a number"},
        {"http://user:pw@host/", "it holds a user name or password"},
        {"http://[::1", "its host part \"[::1\" is broken"},
        {"http://[::1]:80/", "IPv6 addresses are not supported"},
        {"http://", "it names no host"},
        {"http://:81/x", "it names no host"},
        {"http://htp:/host", "\"htp:\" is followed by neither \"//\" nor a port number"},
        {"host:8080/x", ""},
        {"/x", ""},
    };
    for (const auto &c : cases) {
        QByteArray url = c.address;
        TUrlTarget target{"before", 80, "/", false};
        if (c.reason.isEmpty()) {
            SplitUrl(url, target);
            EXPECT_FALSE(target.Host.isEmpty()) << c.address.constData();
            continue;
        }
        EXPECT_EQ(ThrownMessage<EAddressError>([&] { SplitUrl(url, target); }),
                  kUnusableAddress + QString::fromUtf8(c.address) + ": " + c.reason);
    }
    // The request says the same, before any connection.
    THttpClient http;
    http.OnConnect = [](TSocketConnection *) { ADD_FAILURE() << "connected"; };
    EXPECT_EQ(ThrownMessage<ESockError>([&] { http.Get("htp:/127.0.0.1"); }),
              kUnusableAddress + QStringLiteral("htp:/127.0.0.1: \"htp:\" is followed by neither \"//\" nor a port number"));
}

TEST(UnusableAddress, TheTextsComeInBothLanguages)
{
    const EAddressError redirect(true, AddressProblem::NotHttp, "file:///x", "file");
    EXPECT_EQ(AddressProblemText(redirect, true), redirect.Message());
    EXPECT_EQ(AddressProblemText(redirect, false),
              QString::fromUtf8("Preusmeritev na naslov, ki ga ni mogoče uporabiti: file:///x: shema \"file\" ni http ali https"));
    EXPECT_EQ(TransferTooSlowText(5, true), "Fewer than 1024 bytes in 5 s");
    EXPECT_EQ(TransferTooSlowText(5, false), "Manj kot 1024 bajtov v 5 s");
}
