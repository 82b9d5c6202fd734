// THttpWorker: transfers on worker threads, several at once, cancelled,
// destroyed mid-transfer, and a kept connection reused within one worker.
#include "net/http_worker.h"
#include "net/answer_errors.h"
#include "net/resume_errors.h"
#include "net/socket_errors.h"
#include "net/tls_errors.h"
#include "net/transfer_fault.h"
#include "tests/net/net_test_support.h"
#include "tests/support/fixture_http_server.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#if defined(__SANITIZE_THREAD__)
// A ThreadSanitizer build (GRABULO_TSAN) of this program: Qt is not
// instrumented, so the hand-overs inside its event queue and QThread (a
// futex, not a pthread lock) are invisible to it, and it would report the
// allocations and frees of Qt's own events and QThread's wait condition as
// races between threads. It is told to report races only from instrumented
// code (all of ours); synchronisation is still tracked everywhere.
extern "C" const char *__tsan_default_options()
{
    return "ignore_noninstrumented_modules=1";
}
#endif

namespace {

// The message of a result's error; empty when there is none.
QString ErrorText(const TTransferResult &result)
{
    if (!result.Error)
        return QString();
    try {
        std::rethrow_exception(result.Error);
    } catch (const Exception &e) {
        return e.Message();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("<unknown>");
    }
}

bool IsCancelError(const TTransferResult &result)
{
    const QString text = ErrorText(result);
    return text == kSocketSendAborted || text == kConnectionCanceled || text == QLatin1String("Socket capture aborted")
        || text == QLatin1String("Socket readln aborted");
}

// A worker whose results are collected in order.
struct Slot {
    Slot()
    {
        Worker->OnFinished = [this](THttpWorker *, TTransferResult result) { Results.push_back(std::move(result)); };
    }
    std::unique_ptr<THttpWorker> Worker = std::make_unique<THttpWorker>();
    std::vector<TTransferResult> Results;
};

class HttpWorkerTest : public ::testing::Test {
protected:
    HttpWorkerTest() { settings.TimeOut = 10000; }

    QByteArray FilePath(const QByteArray &name) const { return QDir(dir.path()).filePath(QString::fromLatin1(name)).toLocal8Bit(); }

    // Starts slot's worker on path into the file name and waits for its result.
    TTransferResult Fetch(Slot &slot, const char *path, const QByteArray &name, const TResumePoint &resume = {})
    {
        const size_t before = slot.Results.size();
        slot.Worker->Start(server.Url(path), FilePath(name), settings, resume);
        if (PumpUntil([&] { return slot.Results.size() > before; }))
            return slot.Results.back();
        ADD_FAILURE() << "no result for " << path;
        TTransferResult none;
        none.Error = std::make_exception_ptr(Exception(QStringLiteral("<no result>")));
        return none;
    }

    QTemporaryDir dir;
    FixtureHttpServer server;
    THttpRequestSettings settings;
};

}  // namespace

TEST(HttpRequestSettings, CopiedFromAndAppliedToAClient)
{
    THttpClient from;
    from.Proxy = "proxy";
    from.ProxyPort = 3128;
    from.TimeOut = 1234;
    from.LowSpeedTime = 7;
    from.KeepAlive = true;
    from.HeaderInfo.Referer = "http://r/";
    from.HeaderInfo.UserId = "u";
    from.CredentialsOrigin = THttpOrigin{"h", 81, true};
    const THttpRequestSettings settings = THttpRequestSettings::Of(from);
    THttpClient to;
    settings.ApplyTo(to);
    EXPECT_EQ(to.Proxy, "proxy");
    EXPECT_EQ(to.ProxyPort, 3128);
    EXPECT_EQ(to.TimeOut, 1234);
    EXPECT_EQ(to.LowSpeedTime, 7);
    EXPECT_TRUE(to.KeepAlive);
    EXPECT_EQ(to.HeaderInfo.Referer, "http://r/");
    EXPECT_EQ(to.HeaderInfo.UserId, "u");
    ASSERT_TRUE(to.CredentialsOrigin.has_value());
    EXPECT_EQ(to.CredentialsOrigin->Host, "h");
    EXPECT_EQ(to.CredentialsOrigin->Port, 81);
    EXPECT_TRUE(to.CredentialsOrigin->Secure);
}

// What Get raised -> the fault code and the English text the log shows.
// A page's failure is told by its code: each kind the page load tells apart.
TEST(PageFault, EachFailureOfAPageGetsItsCode)
{
    const struct {
        std::shared_ptr<ESockError> error;  // the kind itself, not a copy of its base
        TPageFault fault;
    } cases[] = {
        {std::make_shared<ESockError>(kHostLookupCanceled), TPageFault::LookupCanceled},
        {std::make_shared<ESockError>(kHostLookupTimedOut), TPageFault::LookupTimedOut},
        {std::make_shared<ESockError>(kHostLookupFailed), TPageFault::HostNotFound},
        {std::make_shared<ESockError>("Null Remote Address"), TPageFault::HostNotFound},
        {std::make_shared<ESockError>(kConnectionTimedOut), TPageFault::ConnectTimedOut},
        {std::make_shared<EAbortError>(kConnectionCanceled), TPageFault::ConnectCanceled},
        {std::make_shared<ESockError>("Invalid port number 70000"), TPageFault::InvalidPort},
        {std::make_shared<ESockError>(kPageTooLarge), TPageFault::PageTooLarge},
        {std::make_shared<ETlsError>(TlsProblem::Expired, "h", QString()), TPageFault::Tls},
        {std::make_shared<ESockError>(kHeaderCutShort), TPageFault::Other},
        {std::make_shared<ESockError>(SocketErrorText(WsaNumber(WsaCode::ConnectionRefused))), TPageFault::Other},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ClassifyPageFault(*c.error), c.fault) << c.error->Message().toStdString();
}

TEST(TransferFault, WhatGetRaisedBecomesOneCodeWithItsText)
{
    const QString reset = SocketErrorText(WsaNumber(WsaCode::ConnectionReset));
    const struct {
        const char *name;
        std::exception_ptr error;
        bool timedOut;
        TTransferFault fault;
        QString english;
    } cases[] = {
        {"none", nullptr, false, TTransferFault::None, ""},
        {"connection time-out", std::make_exception_ptr(ESockError(kConnectionTimedOut)), false,
         TTransferFault::TimedOut, kConnectionTimedOut},
        {"a cancel that ran into the time-out", std::make_exception_ptr(EAbortError(kConnectionCanceled)), true,
         TTransferFault::TimedOut, kConnectionCanceled},
        {"lookup time-out", std::make_exception_ptr(ESockError(kHostLookupTimedOut)), false, TTransferFault::TimedOut,
         kHostLookupTimedOut},
        {"cancel", std::make_exception_ptr(EAbortError(kConnectionCanceled)), false, TTransferFault::Canceled,
         kConnectionCanceled},
        {"cancel while sending", std::make_exception_ptr(EAbortError(kSocketSendAborted)), false,
         TTransferFault::SendAborted, kSocketSendAborted},
        {"lookup canceled", std::make_exception_ptr(ESockError(kHostLookupCanceled)), false,
         TTransferFault::LookupCanceled, kHostLookupCanceled},
        {"bad port", std::make_exception_ptr(ESockError("Invalid port number 70000")), false,
         TTransferFault::InvalidPort, "Invalid port number 70000"},
        {"unasked 206", std::make_exception_ptr(EResumeError(ResumeProblem::NotAsked, 0, 0)), false,
         TTransferFault::Resume, ResumeProblemText(EResumeError(ResumeProblem::NotAsked, 0, 0), true)},
        {"certificate", std::make_exception_ptr(ETlsError(TlsProblem::Expired, "h", {})), false, TTransferFault::Tls,
         TlsProblemText(TlsProblem::Expired, "h", {}, true)},
        {"TLS cut", std::make_exception_ptr(ETlsError(TlsProblem::BrokenOff, "h", "eof")), false,
         TTransferFault::BrokenOff, TlsProblemText(TlsProblem::BrokenOff, "h", "eof", true)},
        {"reset", std::make_exception_ptr(ESockError(reset)), false, TTransferFault::BrokenOff, reset},
        {"header cut short", std::make_exception_ptr(ESockError(kHeaderCutShort)), false, TTransferFault::BrokenOff,
         AnswerFailureText(ESockError(kHeaderCutShort), 0, true)},
        {"other socket failure", std::make_exception_ptr(ESockError("Host Lookup Failed")), false,
         TTransferFault::Other, "Host Lookup Failed"},
        {"disk full", std::make_exception_ptr(EInOutError("No space left on device")), false,
         TTransferFault::CannotWrite, "No space left on device"},
        {"part not created", std::make_exception_ptr(EFCreateError::CannotCreate("p", "Permission denied")), false,
         TTransferFault::CannotCreate, "Permission denied"},
        {"range", std::make_exception_ptr(ERangeError()), false, TTransferFault::RangeCheck, kRangeCheckError},
        {"any other", std::make_exception_ptr(Exception("odd")), false, TTransferFault::Other, "odd"},
        {"not ours", std::make_exception_ptr(std::runtime_error("x")), false, TTransferFault::Foreign, ""},
    };
    for (const auto &c : cases) {
        const TTransferFaultInfo info = ClassifyTransferFault(c.error, c.timedOut, 0, 0);
        EXPECT_EQ(info.fault, c.fault) << c.name;
        EXPECT_EQ(info.Text(true), c.english) << c.name;
    }
}

TEST(TransferFault, TheResultCarriesTheStatusTextAndTheFault)
{
    THttpClient client;
    client.ReplyNumber = 404;
    client.Header = "HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\n";
    const TTransferResult result = TTransferResult::Of(client, nullptr);
    EXPECT_EQ(result.StatusText, "404 Not Found");
    EXPECT_EQ(result.HeaderValue("content-length"), "3");
    EXPECT_TRUE(result.HeaderValue("ETag").isNull());
    EXPECT_EQ(result.Fault, TTransferFault::None);
    const TTransferResult failed = TTransferResult::Of(client, std::make_exception_ptr(ESockError(kConnectionTimedOut)));
    EXPECT_EQ(failed.Fault, TTransferFault::TimedOut);
    EXPECT_EQ(StatusLineText("HTTP/1.0 200"), "200");
    EXPECT_EQ(StatusLineText("garbage\r\n"), "garbage");
    EXPECT_EQ(StatusLineText(""), "");
}

TEST_F(HttpWorkerTest, SeveralWorkersFetchAtOnceAndEveryResultIsRight)
{
    constexpr int kWorkers = 4;
    std::vector<std::unique_ptr<Slot>> transfers;
    for (int i = 0; i < kWorkers; ++i) {
        FixtureResponse response = FixtureResponse::Ok(QByteArray(20000 + i * 1000, char('a' + i)));
        response.DelayMs = 400;  // every connection is held open a while: they must overlap
        server.Route("/f" + QByteArray::number(i), response);
        transfers.push_back(std::make_unique<Slot>());
    }
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kWorkers; ++i) {
        const QByteArray name = "f" + QByteArray::number(i);
        transfers[i]->Worker->Start(server.Url("/" + name), FilePath(name), settings);
        EXPECT_TRUE(transfers[i]->Worker->Busy());
    }
    ASSERT_TRUE(PumpUntil([&] {
        for (const auto &s : transfers)
            if (s->Results.empty())
                return false;
        return true;
    }));
    EXPECT_LT(clock.elapsed(), kWorkers * 400) << "the delays ran side by side";
    EXPECT_EQ(server.MostConcurrent(), kWorkers);
    for (int i = 0; i < kWorkers; ++i) {
        SCOPED_TRACE(i);
        const QByteArray name = "f" + QByteArray::number(i);
        const QByteArray body(20000 + i * 1000, char('a' + i));
        ASSERT_EQ(transfers[i]->Results.size(), 1u);
        const TTransferResult &r = transfers[i]->Results[0];
        EXPECT_EQ(ErrorText(r), QString());
        EXPECT_EQ(r.Url, server.Url("/" + name));
        EXPECT_EQ(r.File, FilePath(name));
        EXPECT_EQ(r.ReplyNumber, 200);
        EXPECT_TRUE(r.Header.startsWith("HTTP/1.0 200")) << r.Header.constData();
        EXPECT_EQ(r.ContentLength, body.size());
        EXPECT_EQ(r.BytesRecvd, body.size());
        EXPECT_FALSE(r.TimedOut);
        EXPECT_EQ(FileBytes(r.File), body);
        EXPECT_FALSE(transfers[i]->Worker->Busy());
        EXPECT_EQ(transfers[i]->Worker->BytesReceived(), body.size());
    }
}

TEST_F(HttpWorkerTest, CancelEndsARunningTransferPromptlyAndTheWorkerGoesOn)
{
    Slot slot;
    // Stalled in the body: 10 bytes, then silence.
    slot.Worker->Start(server.Url("/stall-in-body"), FilePath("stalled"), settings);
    ASSERT_TRUE(PumpUntil([&] { return slot.Worker->BytesReceived() >= 10; }));
    QElapsedTimer clock;
    clock.start();
    slot.Worker->Cancel();
    slot.Worker->Cancel();  // repeated: harmless
    ASSERT_TRUE(PumpUntil([&] { return !slot.Results.empty(); }, 5000));
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(IsCancelError(slot.Results[0])) << ErrorText(slot.Results[0]).toStdString();
    EXPECT_FALSE(slot.Results[0].TimedOut);
    EXPECT_EQ(slot.Results[0].BytesRecvd, 10);
    EXPECT_FALSE(slot.Worker->Busy());

    // Cancelled at once, before a byte came: still a cancel.
    slot.Worker->Start(server.Url("/slow"), FilePath("slow"), settings);
    slot.Worker->Cancel();
    ASSERT_TRUE(PumpUntil([&] { return slot.Results.size() == 2; }, 5000));
    EXPECT_TRUE(IsCancelError(slot.Results[1])) << ErrorText(slot.Results[1]).toStdString();

    // The next Start is not cancelled, and the worker works as before.
    const TTransferResult ok = Fetch(slot, "/ok", "ok");
    EXPECT_EQ(ErrorText(ok), QString());
    EXPECT_EQ(ok.ReplyNumber, 200);
    EXPECT_EQ(FileBytes(FilePath("ok")), "Hello, world\n");
}

TEST_F(HttpWorkerTest, CancelWhenIdleDoesNotReachTheNextStart)
{
    Slot slot;
    slot.Worker->Cancel();
    slot.Worker->Cancel();
    const TTransferResult trickle = Fetch(slot, "/trickle", "trickle");
    EXPECT_EQ(ErrorText(trickle), QString());
    EXPECT_EQ(trickle.ReplyNumber, 200);
    EXPECT_EQ(trickle.BytesRecvd, 64);

    // Cancel after a transfer ended, before the next: the same.
    slot.Worker->Cancel();
    EXPECT_EQ(ErrorText(Fetch(slot, "/ok", "ok")), QString());
    EXPECT_EQ(FileBytes(FilePath("ok")), "Hello, world\n");
}

TEST_F(HttpWorkerTest, DestroyedMidTransferItReturnsPromptlyAndNeverReports)
{
    for (const char *path : {"/stall-in-body", "/never-answer"}) {
        SCOPED_TRACE(path);
        bool reported = false;
        auto worker = std::make_unique<THttpWorker>();
        worker->OnFinished = [&reported](THttpWorker *, TTransferResult) { reported = true; };
        const int before = server.RequestCount();
        worker->Start(server.Url(path), FilePath(QByteArray(path).mid(1)), settings);
        ASSERT_TRUE(PumpUntil([&] { return server.RequestCount() > before; }));
        QElapsedTimer clock;
        clock.start();
        worker.reset();
        EXPECT_LT(clock.elapsed(), 2000);
        PumpUntil([] { return false; }, 200);
        EXPECT_FALSE(reported);
    }
}

TEST_F(HttpWorkerTest, DestroyedWithAResultOnItsWayItNeverReports)
{
    bool reported = false;
    auto worker = std::make_unique<THttpWorker>();
    worker->OnFinished = [&reported](THttpWorker *, TTransferResult) { reported = true; };
    worker->Start(server.Url("/ok"), FilePath("ok"), settings);
    // The transfer ends on its thread; its result waits in this thread's
    // queue, never pumped before the destruction.
    const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + 5000;
    while (worker->BytesReceived() < 13 && QDateTime::currentMSecsSinceEpoch() < deadline)
        QThread::msleep(5);
    QThread::msleep(50);
    worker.reset();
    PumpUntil([] { return false; }, 100);
    EXPECT_FALSE(reported);
}

TEST_F(HttpWorkerTest, AWorkerKeepsItsConnectionForTheNextFile)
{
    server.Route("/a", FixtureResponse::KeptOk("first"));
    server.Route("/b", FixtureResponse::KeptOk("second"));
    server.Route("/c", FixtureResponse::KeptOk("third"));
    settings.KeepAlive = true;
    Slot slot;
    EXPECT_EQ(ErrorText(Fetch(slot, "/a", "a")), QString());
    EXPECT_EQ(ErrorText(Fetch(slot, "/b", "b")), QString());
    EXPECT_EQ(FileBytes(FilePath("a")), "first");
    EXPECT_EQ(FileBytes(FilePath("b")), "second");
    EXPECT_EQ(server.ConnectionCount(), 1);
    EXPECT_TRUE(server.LastRequest().startsWith("GET /b HTTP/1.1\r\n"));

    // Cancel when idle closes the kept connection: the next file opens a new one.
    slot.Worker->Cancel();
    EXPECT_EQ(ErrorText(Fetch(slot, "/c", "c")), QString());
    EXPECT_EQ(FileBytes(FilePath("c")), "third");
    EXPECT_EQ(server.ConnectionCount(), 2);
}

TEST_F(HttpWorkerTest, AfterAnErrorTheConnectionIsNotReused)
{
    server.Route("/a", FixtureResponse::KeptOk("first"));
    server.Route("/b", FixtureResponse::KeptOk("second"));
    settings.KeepAlive = true;
    Slot slot;
    Fetch(slot, "/a", "a");
    // The file exists already: the capture fails (CreateNewFiles).
    EXPECT_FALSE(ErrorText(Fetch(slot, "/b", "a")).isEmpty());
    const int connections = server.ConnectionCount();
    EXPECT_EQ(ErrorText(Fetch(slot, "/b", "b")), QString());
    EXPECT_EQ(FileBytes(FilePath("b")), "second");
    EXPECT_EQ(server.ConnectionCount(), connections + 1);
}

TEST_F(HttpWorkerTest, ATransferResumesItsFileOnAKeptConnectionAndTheNextStartsAfresh)
{
    const QByteArray whole = QByteArray::number(Q_UINT64_C(1234567890123456789)).repeated(300);
    FixtureRangeFile file;
    file.Body = whole;
    file.KeepOpen = true;
    server.Route("/file", file);
    settings.KeepAlive = true;
    QFile part(QString::fromLocal8Bit(FilePath("file")));
    ASSERT_TRUE(part.open(QIODevice::WriteOnly) && part.write(whole.left(2000)) == 2000);
    part.close();
    Slot slot;
    const TTransferResult resumed = Fetch(slot, "/file", "file", TResumePoint{2000, "\"v1\""});
    EXPECT_EQ(ErrorText(resumed), QString());
    EXPECT_TRUE(resumed.Resumed);
    EXPECT_EQ(resumed.ReplyNumber, 206);
    EXPECT_EQ(resumed.BytesRecvd, whole.size() - 2000);
    EXPECT_EQ(resumed.CompleteLength, whole.size());
    EXPECT_EQ(FileBytes(FilePath("file")), whole);
    EXPECT_TRUE(server.LastRequest().contains("\r\nRange: bytes=2000-\r\nIf-Range: \"v1\"\r\n"));

    // Without a resume point: a new file, as ever, on the same connection.
    const TTransferResult fresh = Fetch(slot, "/file", "other");
    EXPECT_EQ(ErrorText(fresh), QString());
    EXPECT_FALSE(fresh.Resumed);
    EXPECT_EQ(fresh.ReplyNumber, 200);
    EXPECT_FALSE(server.LastRequest().contains("Range"));
    EXPECT_EQ(FileBytes(FilePath("other")), whole);
    // A resume point on a file that has changed size fails and leaves it.
    const TTransferResult changed = Fetch(slot, "/file", "other", TResumePoint{2000, "\"v1\""});
    EXPECT_TRUE(ErrorText(changed).contains("has changed meanwhile")) << ErrorText(changed).toStdString();
    EXPECT_FALSE(changed.Resumed);
    EXPECT_EQ(FileBytes(FilePath("other")), whole);
    EXPECT_EQ(server.ConnectionCount(), 1) << "the three on one kept connection";
    EXPECT_FALSE(changed.Error == nullptr);
    // A resume point whose complete length the server no longer has.
    const QString shorter = ErrorText(Fetch(slot, "/file", "file", TResumePoint{2000, "\"v1\"", 9999}));
    EXPECT_TRUE(shorter.contains("has changed from 9999 to")) << shorter.toStdString();
}

// Open makes the connection a later Start to the same origin takes (with
// keep-alive only); a Start while it opens waits for it; a Cancel between
// closes it.
TEST_F(HttpWorkerTest, OpenMakesTheConnectionTheNextStartTakes)
{
    server.Route("/a", FixtureResponse::KeptOk("first"));
    struct Case {
        const char *name;
        bool keepAlive, startAtOnce, cancelBetween;
        int openedBeforeStart, connections;
    } const cases[] = {
        {"opened, then taken", true, false, false, 1, 1},
        {"a start while it opens", true, true, false, -1, 1},
        {"without keep-alive nothing", false, false, false, 0, 1},
        {"a cancel closes it", true, false, true, 1, 2},
    };
    for (const Case &c : cases) {
        const int before = server.ConnectionCount();
        settings.KeepAlive = c.keepAlive;
        Slot slot;
        slot.Worker->Open(server.Url("/a"), settings);
        if (!c.startAtOnce) {
            // Long enough for a loopback connect; a worker that opens
            // nothing has nothing to wait for.
            PumpUntil([&] { return server.ConnectionCount() > before; }, c.keepAlive ? 5000 : 200);
            EXPECT_EQ(server.ConnectionCount() - before, c.openedBeforeStart) << c.name;
            EXPECT_EQ(server.RequestCount(), 0) << c.name;
        }
        if (c.cancelBetween)
            slot.Worker->Cancel();
        EXPECT_EQ(ErrorText(Fetch(slot, "/a", c.name)), QString()) << c.name;
        EXPECT_EQ(FileBytes(FilePath(c.name)), "first") << c.name;
        EXPECT_EQ(server.ConnectionCount() - before, c.connections) << c.name;
        server.ClearRequests();
    }
}
