// TPageLoader against the fixture server on loopback: what the server
// answers -> the outcome, the final address, the links, the failure text and
// the log lines, in both languages.
#include "core/scan/page_loader.h"
#include "net/http_client.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_certificates.h"

#include <memory>
#include <optional>

#include <gtest/gtest.h>

namespace {

using Lines = QList<QByteArray>;

constexpr int kPictures = 0;   // "*.gif, *.jpg, *.png"
constexpr int kAllFiles = 16;  // "*.*"

// A loader on a client of its own, its log lines recorded.
struct LoaderRun {
    THttpClient client;
    TPageLoader loader{client};
    QStringList log;
    QList<TPageResult> finished;

    LoaderRun()
    {
        client.TimeOut = 5000;
        loader.ConnectLog(&loader, [this](const QString &line) { log << line; });
        QObject::connect(&loader, &TPageLoader::Finished, &loader,
                         [this](const TPageResult &r) { finished << r; });
    }
};

// The request for a path of the server ("127.0.0.1:port/path" without the scheme).
TPageRequest RequestFor(const QByteArray &address, bool english = false)
{
    TPageRequest request;
    request.address = QString::fromUtf8(address);
    request.typeFilter = kPictures;
    request.english = english;
    return request;
}

struct LoadCase {
    const char *name;
    FixtureResponse answer;         // what /page answers
    bool english;
    TPageOutcome outcome;
    const char *finalPath;          // the final address after "127.0.0.1:port"
    Lines links;                    // "%1" stands for "http://127.0.0.1:port"
    bool nothingFound;
    const char *failure;            // empty: none
    TPageFailureReport report;
    QStringList log;
};

class PageLoads : public ::testing::TestWithParam<LoadCase> {};

TEST_P(PageLoads, GiveTheOutcomeTheLinksAndTheLogLines)
{
    const LoadCase &c = GetParam();
    FixtureHttpServer server;
    server.Route("/dir/page.html", c.answer);
    server.Route("/new/sub/page.html", FixtureResponse::Ok(R"(<a href="x.jpg"><a href="../y.png"><a href="/z.gif">)"));
    const QByteArray host = "127.0.0.1:" + QByteArray::number(server.Port());
    const QByteArray origin = "http://" + host;
    LoaderRun run;
    const TPageResult result = run.loader.Load(RequestFor(host + "/dir/page.html", c.english));
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.finalPrefix, "http://");
    EXPECT_EQ(result.finalAddress, QString::fromUtf8(host + c.finalPath));
    Lines expected;
    for (const QByteArray &link : c.links)
        expected << QByteArray(link).replace("%1", origin);
    EXPECT_EQ(result.links, expected);
    EXPECT_EQ(result.nothingFound, c.nothingFound);
    EXPECT_EQ(result.failure, QString::fromUtf8(c.failure));
    EXPECT_EQ(result.report, c.report);
    EXPECT_EQ(run.log, c.log);
    ASSERT_EQ(run.finished.size(), 1);
    EXPECT_EQ(run.finished[0].links, result.links);
    EXPECT_EQ(result.page.isEmpty(), c.outcome != TPageOutcome::Loaded);
}

void PrintTo(const LoadCase &c, std::ostream *os)
{
    *os << c.name;
}

// The server closes after its answer, then the client does.
const QStringList kLoadedLog{"Povezava uspešna.", "Povezava prekinjena.", "--- Stran naložena.",
                             "Povezava prekinjena."};

INSTANTIATE_TEST_SUITE_P(
    ServerAnswers, PageLoads,
    ::testing::Values(
        LoadCase{"Ok",
                 FixtureResponse::Ok(R"(<a href="a.jpg"><a href="b/c.gif"><a href="d.txt"><base href="/x">)"),
                 false, TPageOutcome::Loaded, "/dir/page.html", {"%1/a.jpg", "%1/b/c.gif"}, false, "",
                 TPageFailureReport::None, kLoadedLog},
        LoadCase{"NotFound", FixtureResponse::Status(404, "Not Found", {}, R"(<a href="e.jpg">)"), false,
                 TPageOutcome::Failed, "/dir/page.html", {}, true,
                 "Strani ni bilo mogoče naložiti: 404 Not Found", TPageFailureReport::AfterScan,
                 {"Povezava uspešna.", "Povezava prekinjena.", "Prišlo je do napake.", "Povezava prekinjena."}},
        LoadCase{"MovedWithRelativeLinks", FixtureResponse::Redirect(301, "/new/sub/page.html"), false,
                 TPageOutcome::Loaded, "/new/sub/page.html", {"%1/new/sub/x.jpg", "%1/new/y.png", "%1/z.gif"},
                 false, "", TPageFailureReport::None,
                 QStringList{"Povezava uspešna.", "Povezava prekinjena.", "Povezava prekinjena."} + kLoadedLog},
        LoadCase{"CutHeaderInEnglish", FixtureResponse::Raw("HTTP/1.0 200 OK\r\nContent-Le"), true,
                 TPageOutcome::Failed, "/dir/page.html", {}, true, "The page could not be loaded: The answer ended inside its header",
                 TPageFailureReport::AfterScan, {"Connected successfully.", "Connection closed."}}),
    [](const ::testing::TestParamInfo<LoadCase> &info) { return std::string(info.param.name); });

struct FailureCase {
    const char *name;
    QByteArray address;             // "%p" stands for the refusing port
    bool english;
    TPageOutcome outcome;
    TPageFailureReport report;
    const char *failure;
    QStringList log;
};

void PrintTo(const FailureCase &c, std::ostream *os)
{
    *os << c.name;
}

class PageFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(PageFailures, SayWhyInTheRequestsLanguage)
{
    const FailureCase &c = GetParam();
    RefusingPort refusing;
    LoaderRun run;
    const QByteArray address = QByteArray(c.address).replace("%p", QByteArray::number(refusing.Port()));
    const TPageResult result = run.loader.Load(RequestFor(address, c.english));
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.report, c.report);
    EXPECT_EQ(result.failure, QString::fromUtf8(c.failure).replace("%p", QString::number(refusing.Port())));
    EXPECT_EQ(run.log, c.log);
    EXPECT_TRUE(result.page.isEmpty());
    EXPECT_TRUE(result.links.isEmpty());
    // A load given up scans nothing; a failed one scans an empty page.
    EXPECT_EQ(result.nothingFound, c.outcome == TPageOutcome::Failed);
    EXPECT_EQ(result.finalAddress, QString::fromUtf8(address));
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, PageFailures,
    ::testing::Values(
        FailureCase{"RefusedPort", "127.0.0.1:%p/", false, TPageOutcome::Failed, TPageFailureReport::AfterScan,
                    "Strani ni bilo mogoče naložiti: strežnik je zavrnil povezavo", {"Povezava NEuspešna.", "Povezava prekinjena."}},
        FailureCase{"RefusedPortInEnglish", "127.0.0.1:%p/", true, TPageOutcome::Failed,
                    TPageFailureReport::AfterScan, "The page could not be loaded: the server refused the connection",
                    {"Connect FAILED.", "Connection closed."}},
        FailureCase{"PortNotANumber", "127.0.0.1:abc/", false, TPageOutcome::Abandoned, TPageFailureReport::Abandon,
                    "Strani ni bilo mogoče naložiti: »http://127.0.0.1:abc/« ni veljaven naslov "
                    "(vrata »abc« niso število)",
                    {}},
        FailureCase{"NoHostInEnglish", "/x", true, TPageOutcome::Abandoned, TPageFailureReport::Abandon,
                    "The page could not be loaded: \"http:///x\" is not a valid address (the host name is missing)",
                    {}},
        FailureCase{"OtherScheme", "ftp://h/", true, TPageOutcome::Abandoned, TPageFailureReport::Abandon,
                    "The page could not be loaded: \"ftp://h/\" is not a valid address (it starts with \"ftp:\" "
                    "instead of http:// or https://)",
                    {}}),
    [](const ::testing::TestParamInfo<FailureCase> &info) { return std::string(info.param.name); });

TEST(PageLoader, SendsTheRequestsRefererAndKeepsTheClientsWithoutOne)
{
    FixtureHttpServer server;
    LoaderRun run;
    TPageRequest request = RequestFor("127.0.0.1:" + QByteArray::number(server.Port()) + "/ok");
    request.referer = "http://from.example/";
    run.loader.Load(request);
    request.referer.reset();
    run.loader.Load(request);
    const std::vector<QByteArray> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const QByteArray &sent : requests)
        EXPECT_TRUE(sent.contains("\r\nReferer: http://from.example/\r\n")) << sent.constData();
}

TEST(PageLoader, EventsBetweenLoadsSpeakTheLanguageItFollows)
{
    LoaderRun run;
    bool english = true;
    run.loader.FollowLanguage([&] { return english; });
    run.client.OnDisconnect(&run.client);
    english = false;
    run.client.OnDisconnect(&run.client);
    EXPECT_EQ(run.log, (QStringList{"Connection closed.", "Povezava prekinjena."}));
}

TEST(PageLoader, ScansLinksEmbeddedPicturesOrBothAndTheModernScanOnTheFinalAddress)
{
    struct Case {
        TFind find;
        bool modern;
        Lines links;
    } cases[] = {
        {TFind::Links, false, {"https://h/a/b.jpg", "https://h/x.png"}},
        {TFind::Embedded, false, {"https://h/a/i.gif", "https://h/a/b.jpg"}},
        {TFind::Links, true, {"https://h/a/b.jpg", "https://h/x.png", "https://h/a/w.webp"}},
        // Both: the links first, then the pictures; one linked and embedded is listed once.
        {TFind::Both, false, {"https://h/a/b.jpg", "https://h/x.png", "https://h/a/i.gif"}},
        {TFind::Both, true, {"https://h/a/b.jpg", "https://h/x.png", "https://h/a/w.webp", "https://h/a/i.gif"}},
    };
    for (const Case &c : cases) {
        TPageRequest request;
        request.find = c.find;
        request.modern = c.modern;
        request.typeFilter = c.modern ? kAllFiles : kPictures;
        TPageResult result;
        result.page = R"(<a href="b.jpg"><a href="/x.png"><img src="i.gif"><a href="w.webp"><img src="b.jpg">)";
        result.finalPrefix = "https://";
        result.finalAddress = "h/a/page.html";
        TPageLoader::Scan(request, result);
        EXPECT_EQ(result.links, c.links) << int(c.find) << c.modern;
        EXPECT_FALSE(result.nothingFound);
    }
}

// An https page: "Connected successfully." only for a connection whose TLS
// handshake succeeded; a certificate refused or a server that speaks no
// TLS gives no such line, only the failure.
struct TlsCase {
    const char *name;
    std::optional<TestLeaf> leaf;  // none: a plain http server on the https address
    bool connected;
    TPageOutcome outcome;
};

void PrintTo(const TlsCase &c, std::ostream *os)
{
    *os << c.name;
}

class HttpsConnected : public ::testing::TestWithParam<TlsCase> {};

TEST_P(HttpsConnected, IsLoggedOnlyAfterTheHandshake)
{
    const TlsCase &c = GetParam();
    TestCertificates certificates;
    ScopedTrustedCa trusted(certificates.CaFile());
    std::unique_ptr<FixtureHttpServer> server =
        c.leaf ? std::make_unique<FixtureHttpServer>(
                     FixtureTls{certificates.CertFile(*c.leaf), certificates.KeyFile(*c.leaf)})
               : std::make_unique<FixtureHttpServer>();
    server->Route("/p.html", FixtureResponse::Ok(R"(<a href="a.jpg">)"));
    LoaderRun run;
    TPageRequest request = RequestFor("127.0.0.1:" + QByteArray::number(server->Port()) + "/p.html", true);
    request.prefix = "https://";
    const TPageResult result = run.loader.Load(request);
    EXPECT_EQ(result.outcome, c.outcome) << result.failure.toStdString();
    EXPECT_EQ(run.log.contains(QStringLiteral("Connected successfully.")), c.connected) << run.log.join('|').toStdString();
    if (c.connected) {
        EXPECT_EQ(run.log.value(0), QStringLiteral("Connected successfully."));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Servers, HttpsConnected,
    ::testing::Values(TlsCase{"GoodCertificate", TestLeaf::Good, true, TPageOutcome::Loaded},
                      TlsCase{"SelfSigned", TestLeaf::SelfSigned, false, TPageOutcome::Failed},
                      TlsCase{"Expired", TestLeaf::Expired, false, TPageOutcome::Failed},
                      TlsCase{"NoTlsServer", std::nullopt, false, TPageOutcome::Failed}),
    [](const ::testing::TestParamInfo<TlsCase> &info) { return std::string(info.param.name); });

// Plain http: the line comes at the connect, before anything else, as before.
TEST(PageLoader, PlainHttpLogsConnectedFirst)
{
    FixtureHttpServer server;
    server.Route("/p.html", FixtureResponse::Ok(R"(<a href="a.jpg">)"));
    LoaderRun run;
    run.loader.Load(RequestFor("127.0.0.1:" + QByteArray::number(server.Port()) + "/p.html", true));
    EXPECT_EQ(run.log.value(0), QStringLiteral("Connected successfully."));
}

// A page with a link to a picture around its thumbnail, a page link, a
// lazy-loaded picture, a responsive one and a picture element.
constexpr const char *kMixedPage =
    R"(<a href="big/one.jpg"><img src="thumb/one.jpg"></a><a href="page2.html">)"
    R"(<img src="lazy.gif" data-src="real/two.jpg">)"
    R"(<img srcset="s/three-400.jpg 400w, s/three-800.jpg 800w">)"
    R"(<picture><source srcset="p/four.webp 1x, p/four2.webp 2x"><img src="p/four.jpg"></picture>)";

struct FindCase {
    const char *name;
    TFind find;
    bool modern;
    Lines links;  // after "https://h/a/"
};

void PrintTo(const FindCase &c, std::ostream *os)
{
    *os << c.name;
}

class WhatIsTaken : public ::testing::TestWithParam<FindCase> {};

TEST_P(WhatIsTaken, FollowsTheChoiceAndTheResponsiveScan)
{
    const FindCase &c = GetParam();
    TPageRequest request;
    request.find = c.find;
    request.modern = c.modern;
    request.typeFilter = kAllFiles;
    TPageResult result;
    result.page = kMixedPage;
    result.finalPrefix = "https://";
    result.finalAddress = "h/a/page.html";
    TPageLoader::Scan(request, result);
    Lines expected;
    for (const QByteArray &link : c.links)
        expected << "https://h/a/" + link;
    EXPECT_EQ(result.links, expected);
    EXPECT_EQ(result.nothingFound, expected.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    FindAndModern, WhatIsTaken,
    ::testing::Values(
        FindCase{"Links", TFind::Links, false, {"big/one.jpg", "page2.html"}},
        FindCase{"Embedded", TFind::Embedded, false, {"thumb/one.jpg", "lazy.gif", "p/four.jpg"}},
        FindCase{"Both", TFind::Both, false,
                 {"big/one.jpg", "page2.html", "thumb/one.jpg", "lazy.gif", "p/four.jpg"}},
        // With links the responsive scan adds the pictures only it finds.
        FindCase{"LinksResponsive", TFind::Links, true,
                 {"big/one.jpg", "page2.html", "real/two.jpg", "s/three-800.jpg", "p/four2.webp"}},
        FindCase{"EmbeddedResponsive", TFind::Embedded, true,
                 {"thumb/one.jpg", "real/two.jpg", "s/three-800.jpg", "p/four2.webp"}},
        FindCase{"BothResponsive", TFind::Both, true,
                 {"big/one.jpg", "page2.html", "thumb/one.jpg", "real/two.jpg", "s/three-800.jpg",
                  "p/four2.webp"}}),
    [](const ::testing::TestParamInfo<FindCase> &info) { return std::string(info.param.name); });

}  // namespace
