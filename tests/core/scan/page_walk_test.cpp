// TPageWalk against the fixture server: pages chained by their next links
// (what each page says) and the pages allowed -> the links, the pages
// requested, the walk's log lines.
#include "core/scan/page_walk.h"

#include "net/http_client.h"
#include "tests/support/fixture_http_server.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

namespace {

using Lines = QList<QByteArray>;

// A page with one picture and, when next is not empty, a next link.
QByteArray Page(const char *picture, const QByteArray &nextLink)
{
    return "<html><body><a href=\"" + QByteArray(picture) + "\">p</a>" + nextLink + "</body></html>";
}

struct WalkCase {
    const char *name;
    std::vector<std::pair<const char *, FixtureResponse>> routes;  // "%2" in a body: the other server's origin
    int pages;
    int loaded;
    Lines links;            // paths on the server
    Lines requested;        // paths, in order
    QStringList log;        // the walk's lines; "%1" is this server's origin
};

void PrintTo(const WalkCase &c, std::ostream *os)
{
    *os << c.name;
}

const auto kPage1 = FixtureResponse::Ok(Page("a1.jpg", R"(<link rel="next" href="page2.html">)"));
const auto kPage2 = FixtureResponse::Ok(Page("a2.jpg", R"(<a href="page3.html">Next</a>)"));
const auto kPage3 = FixtureResponse::Ok(Page("a3.jpg", ""));

const WalkCase kWalkCases[] = {
    {"OnePageIsToday", {{"/g/page1.html", kPage1}, {"/g/page2.html", kPage2}}, 1, 1, {"/g/a1.jpg"},
     {"/g/page1.html"}, {}},
    {"TwoOfThree",
     {{"/g/page1.html", kPage1}, {"/g/page2.html", kPage2}, {"/g/page3.html", kPage3}},
     2, 2, {"/g/a1.jpg", "/g/a2.jpg"}, {"/g/page1.html", "/g/page2.html"},
     {"Next page 2 of at most 2: %1/g/page2.html", "Pages loaded: 2, links found: 2."}},
    {"ThreeOfFiveTheLastHasNoNext",
     {{"/g/page1.html", kPage1}, {"/g/page2.html", kPage2}, {"/g/page3.html", kPage3}},
     5, 3, {"/g/a1.jpg", "/g/a2.jpg", "/g/a3.jpg"}, {"/g/page1.html", "/g/page2.html", "/g/page3.html"},
     {"Next page 2 of at most 5: %1/g/page2.html", "Next page 3 of at most 5: %1/g/page3.html",
      "Pages loaded: 3, links found: 3."}},
    {"LoopBackToTheFirstStops",
     {{"/g/page1.html", kPage1}, {"/g/page2.html", kPage2},
      {"/g/page3.html", FixtureResponse::Ok(Page("a3.jpg", R"(<a rel="next" href="page1.html#top">1</a>)"))}},
     5, 3, {"/g/a1.jpg", "/g/a2.jpg", "/g/a3.jpg"}, {"/g/page1.html", "/g/page2.html", "/g/page3.html"},
     {"Next page 2 of at most 5: %1/g/page2.html", "Next page 3 of at most 5: %1/g/page3.html",
      "Pages loaded: 3, links found: 3."}},
    {"AnotherPortIsNotFollowed",
     {{"/g/page1.html", kPage1},
      {"/g/page2.html", FixtureResponse::Ok(Page("a2.jpg", R"(<a rel="next" href="%2/g/page3.html">3</a>)"))}},
     5, 2, {"/g/a1.jpg", "/g/a2.jpg"}, {"/g/page1.html", "/g/page2.html"},
     {"Next page 2 of at most 5: %1/g/page2.html", "Pages loaded: 2, links found: 2."}},
    {"FailingSecondPageKeepsTheFirstsLinks",
     {{"/g/page1.html", kPage1}, {"/g/page2.html", FixtureResponse::Status(404, "Not Found", {}, "gone")}},
     5, 1, {"/g/a1.jpg"}, {"/g/page1.html", "/g/page2.html"},
     {"Next page 2 of at most 5: %1/g/page2.html", "The page could not be loaded: 404 Not Found",
      "Pages loaded: 1, links found: 1."}},
    {"ALinkOnTwoPagesIsListedOnce",
     {{"/g/page1.html", kPage1},
      {"/g/page2.html", FixtureResponse::Ok(Page("a1.jpg", R"(<a href="b.png">b</a>)"))}},
     3, 2, {"/g/a1.jpg", "/g/b.png"}, {"/g/page1.html", "/g/page2.html"},
     {"Next page 2 of at most 3: %1/g/page2.html", "Pages loaded: 2, links found: 2."}},
    {"RedirectedPageResolvesOnItsFinalAddress",
     {{"/g/page1.html", kPage1}, {"/g/page2.html", FixtureResponse::Redirect(302, "/h/page2.html")},
      {"/h/page2.html", kPage2}, {"/h/page3.html", kPage3}},
     3, 3, {"/g/a1.jpg", "/h/a2.jpg", "/h/a3.jpg"},
     {"/g/page1.html", "/g/page2.html", "/h/page2.html", "/h/page3.html"},
     {"Next page 2 of at most 3: %1/g/page2.html", "Next page 3 of at most 3: %1/h/page3.html",
      "Pages loaded: 3, links found: 3."}},
};

QByteArray RequestedPath(const QByteArray &request)
{
    const QList<QByteArray> words = request.left(request.indexOf('\r')).split(' ');
    return words.value(1);
}

class PageWalks : public ::testing::TestWithParam<WalkCase> {};

TEST_P(PageWalks, FollowNextPagesOnOneHost)
{
    const WalkCase &c = GetParam();
    FixtureHttpServer server, other;
    other.Route("/g/page3.html", kPage3);
    const QByteArray origin = server.Url(""), otherOrigin = other.Url("");
    for (const auto &[path, answer] : c.routes) {
        FixtureResponse response = answer;
        response.Body.replace("%2", otherOrigin);
        response.Head.replace("Content-Length: " + QByteArray::number(answer.Body.size()),
                              "Content-Length: " + QByteArray::number(response.Body.size()));
        server.Route(path, response);
    }
    THttpClient client;
    client.TimeOut = 5000;
    TPageLoader loader(client);
    TPageWalk walk(loader);
    QStringList log;
    Lines paced;
    QObject::connect(&walk, &TPageWalk::LogLine, &walk, [&](const QString &line) { log << line; });
    walk.SetPace([&](const QByteArray &address) {
        paced << address;
        return true;
    });
    TPageRequest request;
    request.address = QString::fromUtf8(origin.mid(7) + "/g/page1.html");
    request.english = true;
    TPageResult result = loader.Load(request);
    ASSERT_EQ(result.outcome, TPageOutcome::Loaded);

    EXPECT_EQ(walk.Follow(request, result, c.pages), c.loaded);

    Lines links, requested;
    for (const QByteArray &path : c.links)
        links << origin + path;
    for (const QByteArray &raw : server.Requests())
        requested << RequestedPath(raw);
    EXPECT_EQ(result.links, links);
    EXPECT_FALSE(result.nothingFound);
    EXPECT_EQ(requested, c.requested);
    EXPECT_EQ(other.RequestCount(), 0);
    QStringList expectedLog;
    for (const QString &line : c.log)
        expectedLog << QString(line).replace(QStringLiteral("%1"), QString::fromUtf8(origin));
    EXPECT_EQ(log, expectedLog);
    // The pace hears of every next page asked for, before it is.
    EXPECT_EQ(paced.size(), log.filter(QStringLiteral("Next page ")).size());
}

INSTANTIATE_TEST_SUITE_P(Chains, PageWalks, ::testing::ValuesIn(kWalkCases),
                         [](const auto &info) { return std::string(info.param.name); });

// A walk's own page requests: each next page is asked for with the page
// before it as referer, and the pace hears of it first; a Stop during the
// wait asks for nothing more.
TEST(PageWalk, SendsThePageBeforeAsRefererAndStopsAtStop)
{
    FixtureHttpServer server;
    server.Route("/g/page1.html", kPage1);
    server.Route("/g/page2.html", kPage2);
    server.Route("/g/page3.html", kPage3);
    THttpClient client;
    client.TimeOut = 5000;
    TPageLoader loader(client);
    TPageWalk walk(loader);
    QStringList log;
    QObject::connect(&walk, &TPageWalk::LogLine, &walk, [&](const QString &line) { log << line; });
    Lines paced;
    walk.SetPace([&](const QByteArray &address) {
        paced << address;
        if (paced.size() == 2)
            walk.Stop();
        return true;
    });
    TPageRequest request;
    request.address = QString::fromUtf8(server.Url("/g/page1.html").mid(7));
    TPageResult result = loader.Load(request);
    EXPECT_EQ(walk.Follow(request, result, 5), 2);
    EXPECT_EQ(paced, Lines({server.Url("/g/page2.html"), server.Url("/g/page3.html")}));
    ASSERT_EQ(server.RequestCount(), 2);
    EXPECT_TRUE(server.LastRequest().contains("\r\nReferer: " + server.Url("/g/page1.html") + "\r\n"))
        << server.LastRequest().constData();
    // In Slovene when the request is.
    EXPECT_EQ(log.last(), QString::fromUtf8("Naloženih strani: 2, najdenih povezav: 2."));
}

}  // namespace
