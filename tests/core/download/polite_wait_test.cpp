// Polite waiting and the run's cookies in a batch against the fixture
// server: a busy server's Retry-After, the "wait" between two requests to
// one host, and the page's Set-Cookie going with every file.
#include "core/download/polite_wait.h"
#include "tests/core/download/real_batch.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace {

struct BusyCase {
    int status;
    const char *retryAfter;  // nullptr: none
    int seconds;             // -1: no wait
};

class BusyWaitTest : public ::testing::TestWithParam<BusyCase> {};

TEST_P(BusyWaitTest, SecondsOfTheAnswer)
{
    const BusyCase &c = GetParam();
    TTransferResult result;
    result.ReplyNumber = c.status;
    result.Header = "HTTP/1.1 " + QByteArray::number(c.status) + " X\r\n"
                    + (c.retryAfter ? "Retry-After: " + QByteArray(c.retryAfter) + "\r\n" : QByteArray()) + "\r\n";
    EXPECT_EQ(BusyWaitOf(result, 1800000000).value_or(-1), c.seconds) << c.status << " " << (c.retryAfter ? c.retryAfter : "-");
}

INSTANTIATE_TEST_SUITE_P(Answers, BusyWaitTest,
                         ::testing::Values(BusyCase{429, "1", 1}, BusyCase{503, "30", 30}, BusyCase{429, "100000", 300},
                                           BusyCase{503, "Fri, 15 Jan 2027 08:00:30 GMT", 30},
                                           BusyCase{429, nullptr, -1}, BusyCase{429, "later", -1},
                                           BusyCase{500, "1", -1}, BusyCase{200, "1", -1}, BusyCase{404, "1", -1}));

TEST(PoliteWaitTexts, BothLanguages)
{
    EXPECT_EQ(BusyWaitText(30, "a.jpg", true), "Server busy, waiting 30 s: a.jpg");
    EXPECT_EQ(BusyWaitText(30, "a.jpg", false), QString::fromUtf8("Strežnik je zaseden, čakam 30 s: a.jpg"));
}

TEST(HostPacerTest, GapPerHost)
{
    THostPacer pacer;
    EXPECT_EQ(pacer.WaitFor("a", 0, 1000), 0);
    pacer.Started("a", 100);
    EXPECT_EQ(pacer.WaitFor("A", 600, 1000), 500);
    EXPECT_EQ(pacer.WaitFor("b", 600, 1000), 0);
    EXPECT_EQ(pacer.WaitFor("a", 1100, 1000), 0);
    EXPECT_EQ(pacer.WaitFor("a", 100, 0), 0) << "no wait set";
}

// Between batches (the page of a list download): the gap holds from the
// last start, and a Disconnect or Stop ends the hold at once.
TEST(PaceRequestTest, ThePageWaitsForTheGapAndADisconnectEndsIt)
{
    TBatchRunner runner;
    QElapsedTimer clock;
    clock.start();
    runner.PaceRequest("http://h/page1.html", 1);
    EXPECT_LT(clock.elapsed(), 500) << "the first request to a host goes at once";
    runner.PaceRequest("http://other/page.html", 1);
    EXPECT_LT(clock.elapsed(), 500) << "another host has its own gap";
    runner.PaceRequest("http://H/page2.html", 1);
    EXPECT_GE(clock.elapsed(), 950);
    clock.restart();
    QTimer::singleShot(100, &runner, [&runner] { runner.Disconnect(); });
    EXPECT_FALSE(runner.PaceRequest("http://h/page3.html", 3)) << "the page is not to go";
    EXPECT_LT(clock.elapsed(), 2000);
    // The window's Stop and a closing program end it the same way.
    clock.restart();
    QTimer::singleShot(100, &runner, [&runner] { runner.BreakWait(); });
    EXPECT_FALSE(runner.PaceRequest("http://h/page3.html", 3));
    EXPECT_LT(clock.elapsed(), 2000);
    clock.restart();
    EXPECT_TRUE(runner.PaceRequest("http://h/page4.html", 0));
    EXPECT_LT(clock.elapsed(), 500) << "no wait set";
}

// A batch on the real clients (one slot: the file client; several: workers)
// in a folder of its own.
class PoliteBatchTest : public RealBatchTest<int> {
protected:
    void SetUp() override
    {
        RealBatchTest::SetUp();
        QObject::connect(&runner, &TBatchRunner::LogLine, [this](const QString &line, bool) { log.append(line); });
    }

    TBatchEnd Run(const QList<QByteArray> &paths, int wait = 0)
    {
        QList<QByteArray> addresses;
        for (const QByteArray &path : paths)
            addresses.append(server.Url(path));
        TSettingsValues settings;
        settings.parallel = GetParam();
        settings.wait = wait;
        return RunBatch(addresses, settings);
    }

    // Answers in turn (the last one stays), each request's arrival noted.
    void Script(const QByteArray &path, QList<FixtureResponse> answers)
    {
        server.Route(path, [this, answers, n = std::make_shared<std::atomic<int>>(0)](const QByteArray &request) {
            {
                const std::lock_guard lock(mutex);
                arrivals.append(clock.elapsed());
                requests.append(request);
            }
            const int i = (*n)++;
            return answers[qMin(i, int(answers.size()) - 1)];
        });
    }

    QStringList log;
    std::mutex mutex;
    QElapsedTimer clock;
    QList<qint64> arrivals;
    QList<QByteArray> requests;
};

const FixtureResponse kBusy = FixtureResponse::Status(429, "Too Many Requests", {"Retry-After: 1"}, "busy");
const FixtureResponse kBusyNow = FixtureResponse::Status(503, "Service Unavailable", {"Retry-After: 0"}, "busy");
// Announces 100 bytes, sends 3: a short body, tried again with an attempt spent.
const FixtureResponse kCut = FixtureResponse::Raw("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nabc");

TEST_P(PoliteBatchTest, RetryAfterWaitsThenSaves)
{
    Script("/a.jpg", {kBusy, FixtureResponse::Ok("picture", "image/jpeg")});
    QStringList shown;  // the progress while the batch runs
    QObject::connect(&runner, &TBatchRunner::Progress,
                     [&shown](const TBatchProgress &p) { shown.append(ProgressSentence(p, true)); });
    clock.start();
    const TBatchEnd end = Run({"/a.jpg"});
    EXPECT_EQ(end.tally.saved, 1);
    ASSERT_EQ(arrivals.size(), 2);
    EXPECT_GE(arrivals[1] - arrivals[0], 950);
    EXPECT_TRUE(log.contains("Server busy, waiting 1 s: a.jpg")) << log.join('\n').toStdString();
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(),
                            [](const QString &s) { return s.endsWith(", waiting 1 s for a busy server"); }))
        << shown.join('\n').toStdString();
    if (GetParam() > 1) {  // several at once: the progress is said again after each file
        EXPECT_FALSE(shown.last().contains("busy")) << "the wait has ended";
    }
}

// A busy answer spends no attempt: after it, the four tries left for short
// bodies and the fifth that saves.
TEST_P(PoliteBatchTest, ABusyAnswerSpendsNoAttempt)
{
    Script("/a.jpg", {kBusyNow, kCut, kCut, kCut, kCut, FixtureResponse::Ok("picture", "image/jpeg")});
    clock.start();
    EXPECT_EQ(Run({"/a.jpg"}).tally.saved, 1);
    EXPECT_EQ(arrivals.size(), 6);
}

// At most three waits for one file; then it fails as an error answer does.
TEST_P(PoliteBatchTest, ThreeWaitsThenItFails)
{
    Script("/a.jpg", {kBusyNow});
    clock.start();
    const TBatchEnd end = Run({"/a.jpg"});
    EXPECT_EQ(end.tally.failed, 1);
    EXPECT_EQ(arrivals.size(), 4);
    EXPECT_EQ(log.filter("Server busy").size(), 3);
}

TEST_P(PoliteBatchTest, WaitLeavesASecondBetweenStartsToOneHost)
{
    for (const char *path : {"/1.jpg", "/2.jpg", "/3.jpg"})
        Script(path, {FixtureResponse::Ok("picture", "image/jpeg")});
    clock.start();
    EXPECT_EQ(Run({"/1.jpg", "/2.jpg", "/3.jpg"}, 1).tally.saved, 3);
    ASSERT_EQ(arrivals.size(), 3);
    std::sort(arrivals.begin(), arrivals.end());
    EXPECT_GE(arrivals[1] - arrivals[0], 950);
    EXPECT_GE(arrivals[2] - arrivals[1], 950);
}

// What the page set goes with every file, also with several at once; the
// bytes of a request with no cookie for it stay as they were.
TEST_P(PoliteBatchTest, ThePagesSetCookieGoesWithTheFiles)
{
    server.Route("/gal/page.htm", FixtureResponse::Raw("HTTP/1.0 200 OK\r\nSet-Cookie: sid=42; Path=/\r\n"
                                                       "Set-Cookie: far=1; Domain=other.example\r\n\r\n<p>"));
    for (const char *path : {"/1.jpg", "/2.jpg", "/3.jpg"})
        Script(path, {FixtureResponse::Ok("picture", "image/jpeg")});
    pages.Get(server.Url("/gal/page.htm"));
    clock.start();
    EXPECT_EQ(Run({"/1.jpg", "/2.jpg", "/3.jpg"}).tally.saved, 3);
    ASSERT_EQ(requests.size(), 3);
    for (const QByteArray &request : requests)
        EXPECT_TRUE(request.contains("\r\nCookie: sid=42\r\n")) << request.constData();
}

INSTANTIATE_TEST_SUITE_P(OneAndThreeSlots, PoliteBatchTest, ::testing::Values(1, 3));

}  // namespace
