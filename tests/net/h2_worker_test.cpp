// TH2Worker against an HTTPS server on loopback that speaks HTTP/2
// (TFixtureH2TlsServer): many files as streams of one connection, each
// stream's end as the result a worker gives, GOAWAY, the server's stream
// limit, Cancel, Close, the time-out, destruction while busy, and the
// servers that give no streams. Also the pieces: the status line's reason
// phrase and the request lines THttpClient gives a stream.
#include "net/h2_errors.h"
#include "net/h2_stream_job.h"
#include "net/h2_worker.h"
#include "net/socket_errors.h"
#include "tests/net/net_test_support.h"
#include "tests/support/connect_proxy.h"
#include "tests/support/fixture_h2_tls_server.h"
#include "tests/support/loopback_sockets.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <nghttp2/nghttp2.h>

#include <map>
#include <memory>
#include <unistd.h>

namespace {

QByteArray Pattern(qsizetype size, char seed)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed + i % 251);
    return bytes;
}

TH2Reply Ok(const QByteArray &body, TH2Fields fields = {})
{
    TH2Reply reply;
    fields.emplace_back("content-length", QByteArray::number(body.size()));
    reply.Fields = std::move(fields);
    reply.Body = {body};
    return reply;
}

// Headers and a first piece, then the stream stays open.
TH2Reply Held(const QByteArray &first)
{
    TH2Reply reply;
    reply.Body = {first};
    reply.Hold = true;
    return reply;
}

QByteArray FieldOf(const TH2Fields &fields, const QByteArray &name)
{
    for (const auto &[n, v] : fields)
        if (n == name)
            return v;
    return {};
}

class H2WorkerTest : public ::testing::Test {
protected:
    H2WorkerTest() { settings.TimeOut = 10000; settings.KeepAlive = true; }

    // The server, made once the test has said its answers and options.
    void Serve(TH2ServerOptions options = {})
    {
        server = std::make_unique<TFixtureH2TlsServer>(TlsIdentity(), options,
                                                       [this](TFixtureH2Server &s) {
                                                           for (const auto &[path, reply] : answers)
                                                               s.Answer(path, reply);
                                                       });
        worker = std::make_unique<TH2Worker>();
        worker->OnFinished = [this](int slot, TTransferResult result) { results[slot].push_back(std::move(result)); };
    }

    TH2Worker::State OpenAndSettle()
    {
        worker->Open(server->Url("/"), settings);
        return worker->WaitUntilSettled(10000);
    }

    QByteArray FilePath(const QByteArray &name) const
    {
        return QDir(dir.path()).filePath(QString::fromLatin1(name)).toLocal8Bit();
    }

    void Start(int slot, const QByteArray &path)
    {
        worker->Start(slot, server->Url(path), FilePath("f" + QByteArray::number(slot) + "_"
                                                      + QByteArray::number(++starts)), settings);
    }

    // Waits for the slot's next result.
    TTransferResult Next(int slot, size_t count = 1)
    {
        if (PumpUntil([&] { return results[slot].size() >= count; }))
            return results[slot][count - 1];
        ADD_FAILURE() << "no result in slot " << slot;
        return {};
    }

    ScopedTrustedCa trusted{SharedCertificates().CaFile()};
    QTemporaryDir dir;
    std::map<QByteArray, TH2Reply> answers;
    THttpRequestSettings settings;
    std::unique_ptr<TFixtureH2TlsServer> server;
    std::unique_ptr<TH2Worker> worker;
    std::map<int, std::vector<TTransferResult>> results;
    int starts = 0;
};

}  // namespace

TEST(H2StatusLine, TheStandardReasonPhraseFollowsTheCode)
{
    const struct {
        int status;
        const char *line;
    } cases[] = {
        {200, "HTTP/2 200 OK"},         {204, "HTTP/2 204 No Content"},
        {308, "HTTP/2 308 Permanent Redirect"}, {404, "HTTP/2 404 Not Found"},
        {413, "HTTP/2 413 Content Too Large"},  {421, "HTTP/2 421 Misdirected Request"},
        {503, "HTTP/2 503 Service Unavailable"}, {299, "HTTP/2 299"},
        {50, "HTTP/2 050"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(H2StatusLine(c.status), c.line) << c.status;
}

TEST(RequestLines, AsTheFirstPassWouldSendThemWithKeepAliveWhateverItSays)
{
    THttpClient client;
    client.HeaderInfo.LocalProgram = "Grabulo/1";
    client.HeaderInfo.Referer = "https://example.org/page";
    client.HeaderInfo.UserId = "u";
    client.HeaderInfo.Password = "p";
    client.CredentialsOrigin = THttpOrigin{"example.org", 443, true};
    client.CookieJar = std::make_shared<TCookieJar>();
    client.CookieJar->TakeSetCookie("k=v; Path=/", "example.org", "/", QDateTime::currentSecsSinceEpoch());
    const struct {
        const char *url;
        const char *first, *host;
        bool credentials, cookie;
    } cases[] = {
        {"https://example.org/a/b?c", "GET /a/b?c HTTP/1.1", "example.org", true, true},
        {"https://example.org:8443/x", "GET /x HTTP/1.1", "example.org:8443", false, true},
        {"https://other.example/y", "GET /y HTTP/1.1", "other.example", false, false},
    };
    for (const auto &c : cases) {
        const THeaderLines lines = client.RequestLines(c.url);
        const QByteArray text = lines.Text();
        EXPECT_TRUE(text.startsWith(QByteArray(c.first) + "\r\n")) << text.toStdString();
        EXPECT_TRUE(text.contains("Host: " + QByteArray(c.host) + "\r\n")) << text.toStdString();
        EXPECT_TRUE(text.contains("User-Agent: Grabulo/1\r\n"));
        EXPECT_TRUE(text.contains("Referer: https://example.org/page\r\n"));
        EXPECT_EQ(text.contains("Authorization: Basic "), c.credentials) << c.url;
        EXPECT_EQ(text.contains("Cookie: k=v\r\n"), c.cookie) << c.url;
    }
    EXPECT_FALSE(client.KeepAlive);
}

TEST_F(H2WorkerTest, ManyFilesGoAsStreamsOfOneConnectionEachWhole)
{
    const int files = 12;
    for (int i = 0; i < files; ++i)
        answers["/f" + QByteArray::number(i)] = Ok(Pattern(1000 + i * 37000, char('a' + i)));
    answers["/f5"].Fields.emplace_back("set-cookie", "seen=1; Path=/");
    settings.CookieJar = std::make_shared<TCookieJar>();
    Serve();
    ASSERT_EQ(OpenAndSettle(), TH2Worker::State::Streams);
    ASSERT_GE(worker->StreamLimit(), files);
    for (int i = 0; i < files; ++i)
        Start(i, "/f" + QByteArray::number(i));
    for (int i = 0; i < files; ++i) {
        const TTransferResult r = Next(i);
        const QByteArray body = Pattern(1000 + i * 37000, char('a' + i));
        EXPECT_EQ(r.Fault, TTransferFault::None) << i << " " << r.FaultText(true).toStdString();
        EXPECT_EQ(r.ReplyNumber, 200);
        EXPECT_EQ(r.StatusText, "200 OK");
        EXPECT_TRUE(r.Header.startsWith("HTTP/2 200 OK\r\n")) << r.Header.toStdString();
        EXPECT_EQ(r.ContentLength, body.size());
        EXPECT_EQ(r.BytesRecvd, body.size());
        EXPECT_EQ(FileBytes(r.File), body) << i;
        EXPECT_FALSE(worker->Busy(i));
    }
    EXPECT_EQ(server->Connections(), 1);
    const std::vector<TH2Fields> requests = server->Requests();
    ASSERT_EQ(requests.size(), size_t(files));
    EXPECT_EQ(FieldOf(requests[0], ":method"), "GET");
    EXPECT_EQ(FieldOf(requests[0], ":scheme"), "https");
    EXPECT_TRUE(FieldOf(requests[0], "accept").startsWith("www/source"));
    EXPECT_EQ(settings.CookieJar->HeaderFor("127.0.0.1", "/", true, QDateTime::currentSecsSinceEpoch()), "seen=1");
    EXPECT_EQ(FieldOf(requests[0], "cookie"), "");
    // The jar's cookie goes with the next stream.
    Start(0, "/f0");
    EXPECT_EQ(Next(0, 2).Fault, TTransferFault::None);
    EXPECT_EQ(FieldOf(server->Requests().back(), "cookie"), "seen=1");
}

// One stream's answer -> how its result reads and what was written.
struct StreamCase {
    const char *name;
    TH2Reply reply;
    bool fileExistsBefore;
    TTransferFault fault;
    int replyNumber;
    QByteArray written;  // kNoFile: no file made
};

void PrintTo(const StreamCase &c, std::ostream *os) { *os << c.name; }

TH2Reply Redirect(int status, TH2Fields fields)
{
    TH2Reply reply;
    reply.Status = status;
    reply.Fields = std::move(fields);
    reply.Body = {"moved"};
    return reply;
}

TH2Reply Reset(std::optional<uint32_t> instead, std::optional<uint32_t> after, QByteArray body)
{
    TH2Reply reply;
    reply.ResetInstead = instead;
    reply.ResetAfter = after;
    if (!body.isEmpty())
        reply.Body = {body};
    return reply;
}

TH2Reply CutShort()
{
    TH2Reply reply = Ok("12345");
    reply.Fields = {{"content-length", "10"}};
    return reply;
}

const StreamCase kStreamCases[] = {
    {"Whole", Ok("hello"), false, TTransferFault::None, 200, "hello"},
    {"NotFoundIsWrittenAsOverHttp1", TH2Reply{404, {}, {}, {"gone"}, {}, {}, false}, false, TTransferFault::None, 404,
     "gone"},
    {"RedirectIsAskedAgainOverHttp1", Redirect(302, {{"location", "/elsewhere"}}), false,
     TTransferFault::NotForStreams, 302, kNoFile},
    {"RedirectWithoutLocationEndsAsOverHttp1", Redirect(301, {}), false, TTransferFault::None, 301, kNoFile},
    {"ResetInsteadOfAnAnswerIsRetried", Reset(NGHTTP2_INTERNAL_ERROR, {}, {}), false, TTransferFault::BrokenOff, 0,
     kNoFile},
    {"RefusedStreamIsRetried", Reset(NGHTTP2_REFUSED_STREAM, {}, {}), false, TTransferFault::BrokenOff, 0, kNoFile},
    {"ResetAfterPartOfTheBodyIsRetried", Reset({}, NGHTTP2_INTERNAL_ERROR, "part"), false, TTransferFault::BrokenOff,
     200, "part"},
    {"BodyShorterThanItsLengthIsRetried", CutShort(), false, TTransferFault::BrokenOff, 200, "12345"},
    {"AnExistingFileIsNotOverwritten", Ok("hello"), true, TTransferFault::CannotCreate, 200, "before"},
};

class H2StreamEndTest : public H2WorkerTest, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(H2StreamEndTest, TheStreamsEndIsTheResultAWorkerWouldGive)
{
    const StreamCase &c = GetParam();
    answers["/case"] = c.reply;
    answers["/next"] = Ok("next");
    Serve();
    ASSERT_EQ(OpenAndSettle(), TH2Worker::State::Streams);
    const QByteArray file = FilePath("case");
    if (c.fileExistsBefore) {
        QFile before(QString::fromLocal8Bit(file));
        ASSERT_TRUE(before.open(QIODevice::WriteOnly));
        before.write("before");
    }
    worker->Start(0, server->Url("/case"), file, settings);
    const TTransferResult r = Next(0);
    EXPECT_EQ(r.Fault, c.fault) << r.FaultText(true).toStdString();
    EXPECT_EQ(r.ReplyNumber, c.replyNumber);
    EXPECT_EQ(r.Url, server->Url("/case"));
    EXPECT_EQ(r.File, file);
    EXPECT_EQ(FileBytes(file), c.written);
    EXPECT_EQ(r.Error != nullptr, c.fault != TTransferFault::None && c.fault != TTransferFault::NotForStreams);
    // The connection serves the next file whatever became of this stream.
    Start(1, "/next");
    EXPECT_EQ(FileBytes(Next(1).File), "next");
    EXPECT_EQ(server->Connections(), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, H2StreamEndTest, ::testing::ValuesIn(kStreamCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(H2WorkerTest, RedirectKeepsItsLocationInTheHeaderAndResetsTheStream)
{
    answers["/moved"] = Redirect(301, {{"location", "https://elsewhere.example/x"}});
    Serve();
    ASSERT_EQ(OpenAndSettle(), TH2Worker::State::Streams);
    Start(0, "/moved");
    const TTransferResult r = Next(0);
    EXPECT_EQ(r.Fault, TTransferFault::NotForStreams);
    EXPECT_EQ(r.HeaderValue("Location"), "https://elsewhere.example/x");
    EXPECT_EQ(r.StatusText, "301 Moved Permanently");
    EXPECT_TRUE(PumpUntil([&] { return server->ClientResets() == 1; }));
}

// The server says GOAWAY after two requests: a stream it did not process
// ends BrokenOff (retried), or, sent after the GOAWAY came, goes out on a
// new connection at once; either way every file arrives, over two
// connections.
TEST_F(H2WorkerTest, AfterGoAwayTheRestGoesOnANewConnection)
{
    for (const char *path : {"/a", "/b", "/c", "/d"})
        answers[path] = Ok(QByteArray("body of ") + path);
    TH2ServerOptions options;
    options.GoAwayAfter = 2;
    Serve(options);
    ASSERT_EQ(OpenAndSettle(), TH2Worker::State::Streams);
    const QByteArray paths[] = {"/a", "/b", "/c", "/d"};
    for (int slot = 0; slot < 4; ++slot)
        Start(slot, paths[slot]);
    int whole = 0;
    std::vector<int> again;
    for (int slot = 0; slot < 4; ++slot) {
        const TTransferResult r = Next(slot);
        if (r.Fault == TTransferFault::None && FileBytes(r.File) == "body of " + paths[slot])
            ++whole;
        else if (r.Fault == TTransferFault::BrokenOff)
            again.push_back(slot);
        else
            ADD_FAILURE() << slot << ": " << r.FaultText(true).toStdString();
    }
    EXPECT_GE(whole, 2);
    EXPECT_EQ(whole + int(again.size()), 4);
    for (const int slot : again)
        Start(slot, paths[slot]);
    for (const int slot : again) {
        const TTransferResult r = Next(slot, 2);
        EXPECT_EQ(r.Fault, TTransferFault::None) << r.FaultText(true).toStdString();
        EXPECT_EQ(FileBytes(r.File), "body of " + paths[slot]);
    }
    EXPECT_EQ(server->Connections(), 2);
}

TEST_F(H2WorkerTest, TheServersStreamLimitGivesTheSlots)
{
    const struct {
        uint32_t serverLimit;
        int streams;
    } cases[] = {{1, 1}, {7, 7}, {250, TH2Worker::kMostStreams}};
    answers["/x"] = Ok("x");
    for (const auto &c : cases) {
        TH2ServerOptions options;
        options.MaxConcurrentStreams = c.serverLimit;
        Serve(options);
        ASSERT_EQ(OpenAndSettle(), TH2Worker::State::Streams) << c.serverLimit;
        EXPECT_EQ(worker->StreamLimit(), c.streams) << c.serverLimit;
        results.clear();
        for (int slot = 0; slot < c.streams; ++slot)
            Start(slot, "/x");
        for (int slot = 0; slot < c.streams; ++slot)
            EXPECT_EQ(FileBytes(Next(slot).File), "x");
        EXPECT_LE(server->MostOpenStreams(), c.streams);
        worker.reset();
    }
}

TEST_F(H2WorkerTest, CancelEndsOneStreamAndTheOthersGoOn)
{
    answers["/held"] = Held("first part");
    answers["/big"] = Ok(Pattern(3 << 20, 'b'));
    Serve();
    ASSERT_EQ(OpenAndSettle(), TH2Worker::State::Streams);
    Start(0, "/held");
    Start(1, "/big");
    ASSERT_TRUE(PumpUntil([&] { return worker->BytesReceived(0) == 10; }));
    EXPECT_EQ(worker->ReplyNumber(0), 200);
    worker->Cancel(0);
    const TTransferResult canceled = Next(0);
    EXPECT_EQ(canceled.Fault, TTransferFault::Canceled);
    EXPECT_EQ(canceled.FaultText(true), kConnectionCanceled);
    EXPECT_EQ(canceled.BytesRecvd, 10);
    EXPECT_EQ(FileBytes(canceled.File), "first part");
    const TTransferResult big = Next(1);
    EXPECT_EQ(big.Fault, TTransferFault::None);
    EXPECT_EQ(FileBytes(big.File), Pattern(3 << 20, 'b'));
    EXPECT_TRUE(PumpUntil([&] { return server->ClientResets() == 1; }));
    // A cancel made before a Start never reaches it.
    worker->Cancel(0);
    Start(0, "/big");
    EXPECT_EQ(Next(0, 2).Fault, TTransferFault::None);
    EXPECT_EQ(server->Connections(), 1);
}

// Past the server's limit nghttp2 holds a stream back; cancelled there, it
// never reaches the server, and the connection goes on.
TEST_F(H2WorkerTest, CancelOfAStreamHeldBackByTheLimitSendsNothing)
{
    answers["/held"] = Held("x");
    answers["/ok"] = Ok("ok");
    TH2ServerOptions options;
    options.MaxConcurrentStreams = 1;
    Serve(options);
    ASSERT_EQ(OpenAndSettle(), TH2Worker::State::Streams);
    Start(0, "/held");
    ASSERT_TRUE(PumpUntil([&] { return worker->BytesReceived(0) == 1; }));
    Start(1, "/ok");
    worker->Cancel(1);
    EXPECT_EQ(Next(1).Fault, TTransferFault::Canceled);
    worker->Cancel(0);
    EXPECT_EQ(Next(0).Fault, TTransferFault::Canceled);
    Start(0, "/ok");
    EXPECT_EQ(FileBytes(Next(0, 2).File), "ok");
    EXPECT_EQ(server->Paths(), (std::vector<QByteArray>{"/held", "/ok"}));
    EXPECT_EQ(server->ClientResets(), 1);
    EXPECT_EQ(server->Connections(), 1);
}

TEST_F(H2WorkerTest, ASilentStreamEndsTimedOut)
{
    answers["/held"] = Held("some");
    Serve();
    ASSERT_EQ(OpenAndSettle(), TH2Worker::State::Streams);
    settings.TimeOut = 300;
    QElapsedTimer clock;
    clock.start();
    Start(0, "/held");
    const TTransferResult r = Next(0);
    EXPECT_EQ(r.Fault, TTransferFault::TimedOut);
    EXPECT_TRUE(r.TimedOut);
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_EQ(r.BytesRecvd, 4);
}

TEST_F(H2WorkerTest, CloseCancelsEveryStreamSaysGoAwayAndTheNextStartConnectsAfresh)
{
    answers["/held"] = Held("x");
    answers["/ok"] = Ok("ok");
    Serve();
    ASSERT_EQ(OpenAndSettle(), TH2Worker::State::Streams);
    Start(0, "/held");
    Start(1, "/held");
    ASSERT_TRUE(PumpUntil([&] { return worker->BytesReceived(0) == 1 && worker->BytesReceived(1) == 1; }));
    EXPECT_EQ(server->MostOpenStreams(), 2);
    worker->Close();
    EXPECT_EQ(worker->CurrentState(), TH2Worker::State::Idle);
    EXPECT_EQ(Next(0).Fault, TTransferFault::Canceled);
    EXPECT_EQ(Next(1).Fault, TTransferFault::Canceled);
    EXPECT_TRUE(PumpUntil([&] { return server->ClientGoAways() == 1; }));
    Start(0, "/ok");
    EXPECT_EQ(FileBytes(Next(0, 2).File), "ok");
    EXPECT_EQ(server->Connections(), 2);
}

TEST_F(H2WorkerTest, AStartWithoutOpenOpensTheConnectionItself)
{
    answers["/ok"] = Ok("ok");
    Serve();
    Start(3, "/ok");
    const TTransferResult r = Next(3);
    EXPECT_EQ(r.Fault, TTransferFault::None);
    EXPECT_EQ(FileBytes(r.File), "ok");
    EXPECT_TRUE(worker->IsOrigin(server->Url("/other")));
    EXPECT_FALSE(worker->IsOrigin("http://127.0.0.1/other"));
}

TEST_F(H2WorkerTest, ThroughAProxysTunnelTheStreamsGoAsDirectly)
{
    answers["/ok"] = Ok("via proxy");
    Serve();
    RecordingConnectProxy proxy;
    settings.Proxy = "127.0.0.1";
    settings.ProxyPort = proxy.Port();
    ASSERT_EQ(OpenAndSettle(), TH2Worker::State::Streams);
    Start(0, "/ok");
    EXPECT_EQ(FileBytes(Next(0).File), "via proxy");
    ASSERT_EQ(proxy.Requests().size(), size_t(1));
    EXPECT_TRUE(proxy.Requests()[0].startsWith("CONNECT 127.0.0.1:")) << proxy.Requests()[0].toStdString();
    EXPECT_EQ(server->Connections(), 1);
}

TEST_F(H2WorkerTest, DestroyedWhileBusyItReturnsPromptlyAndReportsNothing)
{
    answers["/held"] = Held("x");
    Serve();
    ASSERT_EQ(OpenAndSettle(), TH2Worker::State::Streams);
    Start(0, "/held");
    ASSERT_TRUE(PumpUntil([&] { return worker->BytesReceived(0) == 1; }));
    QElapsedTimer clock;
    clock.start();
    worker.reset();
    EXPECT_LT(clock.elapsed(), 2000);
    PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(results.empty());
    EXPECT_TRUE(PumpUntil([&] { return server->ClientGoAways() == 1; }));
}

// An opening that hangs in the handshake ends at once when the worker is
// closed (no settling reported; the next Open goes ahead at once) or
// destroyed.
TEST(H2WorkerOpening, CloseAndDestructionBreakOffAnOpening)
{
    ScopedTrustedCa trusted{SharedCertificates().CaFile()};
    TFixtureH2TlsServer h2(TlsIdentity(), {}, [](TFixtureH2Server &) {});
    SilentListener silent;
    const QByteArray url = "https://127.0.0.1:" + QByteArray::number(silent.Port()) + "/";
    THttpRequestSettings settings;
    settings.TimeOut = 30000;
    for (const bool destroy : {false, true}) {
        auto worker = std::make_unique<TH2Worker>();
        std::vector<TH2Worker::State> settled;
        worker->OnSettled = [&](TH2Worker::State state) { settled.push_back(state); };
        worker->Open(url, settings);
        EXPECT_EQ(worker->WaitUntilSettled(200), TH2Worker::State::Opening);
        QElapsedTimer clock;
        clock.start();
        if (destroy) {
            worker.reset();
            EXPECT_LT(clock.elapsed(), 2000);
            PumpUntil([] { return false; }, 100);
            EXPECT_TRUE(settled.empty());
            continue;
        }
        worker->Close();
        EXPECT_EQ(worker->CurrentState(), TH2Worker::State::Idle);
        worker->Open(h2.Url("/"), settings);
        EXPECT_EQ(worker->WaitUntilSettled(5000), TH2Worker::State::Streams);
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_TRUE(PumpUntil([&] { return !settled.empty(); }));
        EXPECT_EQ(settled, std::vector{TH2Worker::State::Streams});
    }
}

// A job that waits for its connection is cancelled at once, the opening
// going on.
TEST(H2WorkerOpening, CancelOfAJobWaitingForTheConnection)
{
    SilentListener silent;
    THttpRequestSettings settings;
    settings.TimeOut = 30000;
    TH2Worker worker;
    std::vector<TTransferResult> results;
    worker.OnFinished = [&](int, TTransferResult r) { results.push_back(std::move(r)); };
    QTemporaryDir dir;
    worker.Start(0, "https://127.0.0.1:" + QByteArray::number(silent.Port()) + "/f",
                 QDir(dir.path()).filePath("f").toLocal8Bit(), settings);
    PumpUntil([] { return false; }, 100);
    worker.Cancel(0);
    ASSERT_TRUE(PumpUntil([&] { return !results.empty(); }, 5000));
    EXPECT_EQ(results[0].Fault, TTransferFault::Canceled);
    EXPECT_FALSE(worker.Busy(0));
}

// A server that gives no streams: the worker settles NoStreams and says so.
TEST(H2WorkerOpening, WithoutH2ItSettlesNoStreams)
{
    ScopedTrustedCa trusted{SharedCertificates().CaFile()};
    FixtureTls http11 = TlsIdentity();
    http11.Alpn = {"http/1.1"};
    FixtureHttpServer chooses11(http11);
    FixtureTls none = TlsIdentity();
    FixtureHttpServer choosesNone(none);
    FixtureHttpServer plain;
    quint16 closedPort = 0;
    ::close(BoundLoopbackSocket(closedPort));
    const QByteArray cases[] = {
        chooses11.Url("/"),
        choosesNone.Url("/"),
        plain.Url("/"),
        "https://127.0.0.1:" + QByteArray::number(closedPort) + "/",
    };
    THttpRequestSettings settings;
    settings.TimeOut = 5000;
    for (const QByteArray &url : cases) {
        TH2Worker worker;
        std::vector<TH2Worker::State> settled;
        worker.OnSettled = [&](TH2Worker::State state) { settled.push_back(state); };
        worker.Open(url, settings);
        EXPECT_EQ(worker.WaitUntilSettled(10000), TH2Worker::State::NoStreams) << url.toStdString();
        EXPECT_EQ(worker.StreamLimit(), 0);
        EXPECT_TRUE(PumpUntil([&] { return !settled.empty(); })) << url.toStdString();
        EXPECT_EQ(settled, std::vector{TH2Worker::State::NoStreams}) << url.toStdString();
    }
    EXPECT_EQ(chooses11.AlpnOffers(), std::vector<QByteArray>{"h2,http/1.1"});
}
