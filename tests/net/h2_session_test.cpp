// TH2Session against libnghttp2's server side and scripted frames, over
// memory: each exchange is data (what the server answers -> how each
// stream's sink saw it and how the stream ended).
#include "net/h2_errors.h"
#include "net/h2_session.h"
#include "tests/support/fixture_h2_server.h"
#include "tests/support/memory_transport.h"

#include <gtest/gtest.h>
#include <nghttp2/nghttp2.h>

#include <functional>
#include <stdexcept>

namespace {

// What one stream's sink saw.
class TRecordingSink final : public TStreamSink {
public:
    void Head(int status, const QByteArray &headerBlock) override
    {
        ++Heads;
        Status = status;
        Block = headerBlock;
        if (ThrowInHead)
            throw std::runtime_error("head refused");
    }
    void Data(const char *data, qsizetype size) override
    {
        if (ThrowInData)
            throw EInOutError(QStringLiteral("disk full"));
        Body.append(data, size);
    }
    void Closed(const TH2StreamEnd &end) override
    {
        ++Closes;
        End = end;
    }

    bool ThrowInHead = false;
    bool ThrowInData = false;
    int Heads = 0;
    int Status = 0;
    QByteArray Block;
    QByteArray Body;
    int Closes = 0;
    TH2StreamEnd End;
};

QByteArray Pattern(qsizetype size, char seed)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed + i % 251);
    return bytes;
}

// Equal bytes, told by size and first difference rather than a dump.
::testing::AssertionResult SameBytes(const QByteArray &got, const QByteArray &expected)
{
    if (got == expected)
        return ::testing::AssertionSuccess();
    qsizetype at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at])
        ++at;
    return ::testing::AssertionFailure() << got.size() << " bytes, expected " << expected.size()
                                         << ", first difference at " << at;
}

std::vector<TH2Field> Request(const QByteArray &path)
{
    return {{":method", "GET"}, {":scheme", "https"}, {":authority", "example.org"}, {":path", path},
            {"user-agent", "Grabulo"}};
}

// A session over memory and the peer at the other end.
class H2Exchange {
public:
    explicit H2Exchange(TH2Peer &peer, const TH2Limits &limits = {}) : peer_(peer)
    {
        auto wire = std::make_unique<TMemoryTransport>();
        Wire = wire.get();
        Session = std::make_unique<TH2Session>(std::move(wire), limits);
    }

    int32_t Submit(const QByteArray &path, TRecordingSink &sink) { return Session->Submit(Request(path), sink); }

    // Moves bytes both ways until neither side has any; between runs in
    // every round when the peer's bytes wait unread. Raises what the
    // session raises.
    void Pump(const std::function<void()> &between = {})
    {
        for (int round = 0; round < 100000; ++round) {
            Session->Flush();
            const QByteArray sent = Wire->TakeSent();
            if (!sent.isEmpty())
                peer_.Feed(sent);
            const QByteArray answer = peer_.TakeOutput();
            if (!answer.isEmpty())
                Wire->Give(answer);
            if (between)
                between();
            Session->Readable();
            if (sent.isEmpty() && answer.isEmpty())
                return;
        }
        throw std::runtime_error("the exchange never went idle");
    }

    TMemoryTransport *Wire = nullptr;
    std::unique_ptr<TH2Session> Session;

private:
    TH2Peer &peer_;
};

TH2Reply Ok(std::vector<QByteArray> body, TH2Fields fields = {})
{
    TH2Reply reply;
    reply.Body = std::move(body);
    reply.Fields = std::move(fields);
    return reply;
}

}  // namespace

TEST(H2Session, RunsManyStreamsAtOnceEachWithItsOwnBytes)
{
    TFixtureH2Server server;
    constexpr int kStreams = 20;
    for (int i = 0; i < kStreams; ++i)
        server.Answer("/f" + QByteArray::number(i),
                      Ok({Pattern(1000 + i, 'a'), Pattern(20000, static_cast<char>('b' + i)), "end"}));
    H2Exchange exchange(server);
    exchange.Wire->SendCut = 100;  // the chain takes little at a time
    std::vector<TRecordingSink> sinks(kStreams + 1);
    for (int i = 0; i < kStreams; ++i)
        exchange.Submit("/f" + QByteArray::number(i), sinks[i]);
    exchange.Submit("/missing", sinks[kStreams]);
    exchange.Pump();

    for (int i = 0; i < kStreams; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sinks[i].Closes, 1);
        EXPECT_EQ(sinks[i].End.Kind, TH2EndKind::Whole);
        EXPECT_EQ(sinks[i].Status, 200);
        EXPECT_TRUE(SameBytes(sinks[i].Body, Pattern(1000 + i, 'a') + Pattern(20000, static_cast<char>('b' + i)) + "end"));
    }
    EXPECT_EQ(sinks[kStreams].Status, 404);
    EXPECT_EQ(sinks[kStreams].End.Kind, TH2EndKind::Whole);
    EXPECT_EQ(sinks[kStreams].Block, "HTTP/2 404\r\n\r\n");
    EXPECT_GT(server.MostOpenStreams, 1) << "the streams ran side by side";
    ASSERT_EQ(server.Requests.size(), static_cast<size_t>(kStreams + 1));
    EXPECT_EQ(server.Requests[0],
              (TH2Fields{{":method", "GET"}, {":scheme", "https"}, {":authority", "example.org"},
                         {":path", "/f0"}, {"user-agent", "Grabulo"}}));
    EXPECT_EQ(exchange.Session->OpenStreams(), 0);
    EXPECT_TRUE(exchange.Session->Accepts());
}

namespace {

// One stream: the server's answer -> the sink's view and the end.
struct TAnswerCase {
    const char *Name;
    TH2Reply Reply;
    TH2EndKind Kind;
    int Status;           // 0: no head reached the sink
    QByteArray Body;
    QByteArray Block = {};  // the head block, when checked
    uint32_t ErrorCode = 0;
    QString Text = {};
    TH2Limits Limits = {};
};

TH2Reply Fields(int count, qsizetype valueSize)
{
    TH2Reply reply;
    for (int i = 0; i < count; ++i)
        reply.Fields.emplace_back("x-field-" + QByteArray::number(i), QByteArray(valueSize, 'v'));
    return reply;
}

TH2Reply With(TH2Reply reply, const std::function<void(TH2Reply &)> &change)
{
    change(reply);
    return reply;
}

TH2Limits SmallHeaderBytes()
{
    TH2Limits limits;
    limits.HeaderBytes = 1024;
    return limits;
}

const TAnswerCase kAnswerCases[] = {
    {"Whole", Ok({"abc", "def"}, {{"content-type", "image/png"}}), TH2EndKind::Whole, 200, "abcdef",
     "HTTP/2 200\r\ncontent-type: image/png\r\n\r\n"},
    {"NotFound", With({}, [](TH2Reply &r) { r.Status = 404; }), TH2EndKind::Whole, 404, "", "HTTP/2 404\r\n\r\n"},
    {"InterimAnswersDropped", With(Ok({"x"}), [](TH2Reply &r) { r.Interim = {100, 103}; }), TH2EndKind::Whole,
     200, "x", "HTTP/2 200\r\n\r\n"},
    {"ContentLengthMet", Ok({"12345"}, {{"content-length", "5"}}), TH2EndKind::Whole, 200, "12345"},
    {"ContentLengthShortBody", Ok({"123"}, {{"content-length", "10"}}), TH2EndKind::BrokenOff, 200, "123", {},
     NGHTTP2_PROTOCOL_ERROR, QString(kH2BodyCutShort)},
    {"ResetBeforeHeaders", With({}, [](TH2Reply &r) { r.ResetInstead = NGHTTP2_INTERNAL_ERROR; }),
     TH2EndKind::ResetByPeer, 0, "", {}, NGHTTP2_INTERNAL_ERROR, H2StreamResetText(NGHTTP2_INTERNAL_ERROR)},
    {"ResetAfterHeaders", With({}, [](TH2Reply &r) { r.ResetAfter = NGHTTP2_ENHANCE_YOUR_CALM; }),
     TH2EndKind::ResetByPeer, 200, "", {}, NGHTTP2_ENHANCE_YOUR_CALM, H2StreamResetText(NGHTTP2_ENHANCE_YOUR_CALM)},
    {"ResetMidBody", With(Ok({"part one", "part two"}), [](TH2Reply &r) { r.ResetAfter = NGHTTP2_CANCEL; }),
     TH2EndKind::ResetByPeer, 200, "part onepart two", {}, NGHTTP2_CANCEL, H2StreamResetText(NGHTTP2_CANCEL)},
    {"Refused", With({}, [](TH2Reply &r) { r.ResetInstead = NGHTTP2_REFUSED_STREAM; }), TH2EndKind::NotProcessed,
     0, "", {}, NGHTTP2_REFUSED_STREAM},
    {"RefusedAfterHeadersIsAReset", With({}, [](TH2Reply &r) { r.ResetAfter = NGHTTP2_REFUSED_STREAM; }),
     TH2EndKind::ResetByPeer, 200, "", {}, NGHTTP2_REFUSED_STREAM, H2StreamResetText(NGHTTP2_REFUSED_STREAM)},
    {"HeaderFieldsPastTheLimit", Fields(150, 4), TH2EndKind::BrokenOff, 0, "", {}, NGHTTP2_INTERNAL_ERROR,
     QString(kH2HeaderTooLarge)},
    {"HeaderFieldsAtTheLimit", Fields(99, 4), TH2EndKind::Whole, 200, ""},
    {"HeaderBytesPastTheLimit", Fields(2, 600), TH2EndKind::BrokenOff, 0, "", {}, NGHTTP2_INTERNAL_ERROR,
     QString(kH2HeaderTooLarge), SmallHeaderBytes()},
};

class H2AnswerTest : public ::testing::TestWithParam<TAnswerCase> {};

TEST_P(H2AnswerTest, EndsTheStreamAsTheAnswerSays)
{
    const TAnswerCase &c = GetParam();
    TFixtureH2Server server;
    server.Answer("/a", c.Reply);
    server.Answer("/b", Ok({"other"}));
    H2Exchange exchange(server, c.Limits);
    TRecordingSink sink, other;
    exchange.Submit("/a", sink);
    exchange.Submit("/b", other);
    exchange.Pump();

    EXPECT_EQ(sink.Closes, 1);
    EXPECT_EQ(sink.End.Kind, c.Kind);
    EXPECT_EQ(sink.Heads, c.Status ? 1 : 0);
    EXPECT_EQ(sink.Status, c.Status);
    EXPECT_EQ(sink.Body, c.Body);
    if (!c.Block.isEmpty()) {
        EXPECT_EQ(sink.Block, c.Block);
    }
    EXPECT_EQ(sink.End.ErrorCode, c.ErrorCode);
    EXPECT_EQ(sink.End.Text, c.Text);
    EXPECT_EQ(other.End.Kind, TH2EndKind::Whole) << "the other stream goes on";
    EXPECT_EQ(other.Body, "other");
    EXPECT_TRUE(exchange.Session->Accepts()) << "a stream's end leaves the connection";
}

INSTANTIATE_TEST_SUITE_P(Cases, H2AnswerTest, ::testing::ValuesIn(kAnswerCases),
                         [](const auto &info) { return std::string(info.param.Name); });

}  // namespace

TEST(H2Session, StreamsAboveTheGoAwaysLastOneAreNotProcessed)
{
    TH2ServerOptions options;
    options.GoAwayAfter = 3;
    TFixtureH2Server server(options);
    for (const QByteArray path : {"/1", "/2", "/3", "/4", "/5"})
        server.Answer(path, Ok({"body" + path}));
    H2Exchange exchange(server);
    std::vector<TRecordingSink> sinks(5);
    for (int i = 0; i < 5; ++i)
        exchange.Submit("/" + QByteArray::number(i + 1), sinks[i]);
    exchange.Pump();

    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sinks[i].Closes, 1);
        EXPECT_EQ(sinks[i].End.Kind, i < 3 ? TH2EndKind::Whole : TH2EndKind::NotProcessed);
        EXPECT_EQ(sinks[i].Body, i < 3 ? "body/" + QByteArray::number(i + 1) : QByteArray());
    }
    EXPECT_FALSE(exchange.Session->Accepts());
    TRecordingSink late;
    try {
        exchange.Submit("/6", late);
        ADD_FAILURE() << "a session after GOAWAY took a stream";
    } catch (const EH2Error &e) {
        EXPECT_EQ(e.Message(), kH2NoNewStream);
    }
    EXPECT_EQ(late.Closes, 0);
}

TEST(H2Session, AGracefulGoAwayThenALowerOneEndsOnlyTheStreamsAboveIt)
{
    using namespace h2frames;
    TRawH2Peer peer(Settings() + SettingsAck() + GoAway(0x7fffffff, NGHTTP2_NO_ERROR)
                    + Headers(1, {{":status", "200"}}, false) + Data(1, "first", true)
                    + GoAway(1, NGHTTP2_NO_ERROR));
    H2Exchange exchange(peer);
    TRecordingSink first, second;
    exchange.Submit("/1", first);
    exchange.Submit("/2", second);
    exchange.Pump();

    EXPECT_EQ(first.End.Kind, TH2EndKind::Whole);
    EXPECT_EQ(first.Body, "first");
    EXPECT_EQ(second.End.Kind, TH2EndKind::NotProcessed);
    EXPECT_EQ(first.Closes + second.Closes, 2);
    EXPECT_FALSE(exchange.Session->Alive()) << "GOAWAY and no stream left";
}

TEST(H2Session, AServerLimitOfOneStreamQueuesTheRest)
{
    TH2ServerOptions options;
    options.MaxConcurrentStreams = 1;
    TFixtureH2Server server(options);
    for (const QByteArray path : {"/1", "/2", "/3", "/4"})
        server.Answer(path, Ok({Pattern(30000, path[1])}));
    H2Exchange exchange(server);
    EXPECT_EQ(exchange.Session->StreamLimit(), 100u) << "before the server's SETTINGS, our own bound";
    exchange.Pump();  // the prefaces and SETTINGS
    EXPECT_EQ(exchange.Session->StreamLimit(), 1u);
    std::vector<TRecordingSink> sinks(4);
    for (int i = 0; i < 4; ++i)
        exchange.Submit("/" + QByteArray::number(i + 1), sinks[i]);
    exchange.Pump();

    EXPECT_EQ(server.MostOpenStreams, 1);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sinks[i].End.Kind, TH2EndKind::Whole);
        EXPECT_TRUE(SameBytes(sinks[i].Body, Pattern(30000, static_cast<char>('1' + i))));
    }
}

TEST(H2Session, StreamsPastTheLimitBeforeItWasKnownAreNotProcessed)
{
    TH2ServerOptions options;
    options.MaxConcurrentStreams = 1;
    TFixtureH2Server server(options);
    server.Answer("/1", Ok({"one"}));
    server.Answer("/2", Ok({"two"}));
    H2Exchange exchange(server);
    TRecordingSink first, second;
    exchange.Submit("/1", first);
    exchange.Submit("/2", second);  // goes out with the first, before the server's SETTINGS
    exchange.Pump();

    EXPECT_EQ(first.End.Kind, TH2EndKind::Whole);
    EXPECT_EQ(second.Closes, 1);
    EXPECT_EQ(second.End.Kind, TH2EndKind::NotProcessed) << "refused: safe to send again";
    EXPECT_EQ(second.End.ErrorCode, static_cast<uint32_t>(NGHTTP2_REFUSED_STREAM));
    EXPECT_TRUE(exchange.Session->Accepts());
}

TEST(H2Session, OurResetEndsOneStreamAndTheOthersGoOn)
{
    TFixtureH2Server server;
    for (const QByteArray path : {"/1", "/2", "/3"})
        server.Answer(path, Ok({Pattern(300000, path[1])}));
    TH2Limits limits;
    limits.StreamWindow = 65536;
    H2Exchange exchange(server, limits);
    std::vector<TRecordingSink> sinks(3);
    std::vector<int32_t> ids;
    for (int i = 0; i < 3; ++i)
        ids.push_back(exchange.Submit("/" + QByteArray::number(i + 1), sinks[i]));
    qsizetype gotWhenReset = -1;
    exchange.Pump([&] {
        if (gotWhenReset < 0 && !sinks[1].Body.isEmpty()) {
            gotWhenReset = sinks[1].Body.size();
            exchange.Session->Reset(ids[1]);
            EXPECT_EQ(sinks[1].Closes, 1) << "ends at once";
        }
    });

    EXPECT_EQ(sinks[1].Closes, 1);
    EXPECT_EQ(sinks[1].End.Kind, TH2EndKind::Canceled);
    EXPECT_EQ(sinks[1].Body.size(), gotWhenReset) << "nothing after the reset";
    EXPECT_LT(gotWhenReset, 300000);
    EXPECT_EQ(server.ClientResets[ids[1]], static_cast<uint32_t>(NGHTTP2_CANCEL));
    for (const int i : {0, 2}) {
        EXPECT_EQ(sinks[i].End.Kind, TH2EndKind::Whole);
        EXPECT_TRUE(SameBytes(sinks[i].Body, Pattern(300000, static_cast<char>('1' + i))));
    }
    exchange.Session->Reset(ids[1]);  // an ended stream: nothing
    EXPECT_EQ(sinks[1].Closes, 1);
}

TEST(H2Session, ASinkThatRaisesFailsItsStreamAndTheSessionLives)
{
    TFixtureH2Server server;
    for (const QByteArray path : {"/head", "/data", "/fine"})
        server.Answer(path, Ok({"bytes"}));
    H2Exchange exchange(server);
    TRecordingSink inHead, inData, fine;
    inHead.ThrowInHead = true;
    inData.ThrowInData = true;
    const int32_t dataStream = exchange.Submit("/data", inData);
    exchange.Submit("/head", inHead);
    exchange.Submit("/fine", fine);
    exchange.Pump();

    for (TRecordingSink *sink : {&inHead, &inData}) {
        EXPECT_EQ(sink->Closes, 1);
        ASSERT_EQ(sink->End.Kind, TH2EndKind::Failed);
        ASSERT_TRUE(sink->End.Failure);
    }
    EXPECT_THROW(std::rethrow_exception(inHead.End.Failure), std::runtime_error);
    try {
        std::rethrow_exception(inData.End.Failure);
    } catch (const EInOutError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("disk full"));
    }
    EXPECT_EQ(server.ClientResets[dataStream], static_cast<uint32_t>(NGHTTP2_CANCEL));
    EXPECT_EQ(fine.End.Kind, TH2EndKind::Whole);
    EXPECT_EQ(fine.Body, "bytes");
    EXPECT_TRUE(exchange.Session->Accepts());
}

TEST(H2Session, FlowControlKeepsNoMoreThanTheWindowInFlight)
{
    constexpr qsizetype kBody = 4 << 20;
    constexpr int32_t kWindow = 64 << 10;
    TFixtureH2Server server;
    server.Answer("/big", Ok({Pattern(kBody, 'z')}));
    TH2Limits limits;
    limits.StreamWindow = kWindow;
    limits.ConnectionWindow = kWindow;
    H2Exchange exchange(server, limits);
    TRecordingSink sink;
    exchange.Submit("/big", sink);
    qint64 mostInFlight = 0;
    exchange.Pump([&] { mostInFlight = std::max(mostInFlight, server.BodyBytesSent - sink.Body.size()); });

    EXPECT_EQ(sink.End.Kind, TH2EndKind::Whole);
    EXPECT_TRUE(SameBytes(sink.Body, Pattern(kBody, 'z')));
    EXPECT_LE(mostInFlight, kWindow) << "the server never had room past what the sink took";
    EXPECT_GT(mostInFlight, 0);
}

TEST(H2Session, AChainThatTakesNothingKeepsTheFramesForTheNextFlush)
{
    TFixtureH2Server server;
    server.Answer("/x", Ok({"x"}));
    H2Exchange exchange(server);
    TRecordingSink sink;
    exchange.Submit("/x", sink);
    exchange.Wire->SendBlocked = true;
    exchange.Session->Flush();
    EXPECT_EQ(exchange.Session->Want(), TWant::Write);
    EXPECT_EQ(exchange.Wire->TotalSent, 0);
    exchange.Wire->SendBlocked = false;
    exchange.Pump();
    EXPECT_EQ(sink.End.Kind, TH2EndKind::Whole);
    EXPECT_EQ(exchange.Session->Want(), TWant::Read);
}

TEST(H2Session, OurGoAwayEndsTheOpenStreamsAndClosesTheChainPolitely)
{
    TFixtureH2Server server;
    server.Answer("/slow", Ok({Pattern(500000, 's')}));
    H2Exchange exchange(server);
    TRecordingSink sink;
    exchange.Submit("/slow", sink);
    exchange.Session->Flush();
    server.Feed(exchange.Wire->TakeSent());
    exchange.Session->GoAway();
    server.Feed(exchange.Wire->TakeSent());

    EXPECT_EQ(sink.Closes, 1);
    EXPECT_EQ(sink.End.Kind, TH2EndKind::Canceled);
    EXPECT_TRUE(server.ClientGoAway);
    EXPECT_TRUE(exchange.Wire->Closed);
    EXPECT_TRUE(exchange.Wire->ClosedNotifying);
    EXPECT_FALSE(exchange.Session->Alive());
    EXPECT_THROW(exchange.Session->Readable(), EH2Error);
}

namespace {

// Frames that break the connection: every open stream ends once with the
// connection's error, and the session raises it.
struct TConnectionErrorCase {
    const char *Name;
    QByteArray Script;    // after the server's SETTINGS and its ACK of ours
    QString TextStart;
};

QByteArray LongFrameHeader()
{
    // 1 MiB announced, past the 16 KiB SETTINGS_MAX_FRAME_SIZE of ours.
    return QByteArray::fromHex("100000000000000001");
}

const TConnectionErrorCase kConnectionErrorCases[] = {
    {"DataOnStreamZero", h2frames::Data(0, "x", false), kH2ConnectionError + QStringLiteral("PROTOCOL_ERROR")},
    {"FrameTooLong", LongFrameHeader() + QByteArray(64, 'g'), kH2ConnectionError + QStringLiteral("FRAME_SIZE_ERROR")},
    {"WindowOverflow", h2frames::WindowUpdate(0, 0x7fffffff) + h2frames::WindowUpdate(0, 0x7fffffff),
     kH2ConnectionError + QStringLiteral("FLOW_CONTROL_ERROR")},
    {"HeadersOnStreamZero", h2frames::Headers(0, {{":status", "200"}}, true),
     kH2ConnectionError + QStringLiteral("PROTOCOL_ERROR")},
    {"BrokenHpack", h2frames::Frame(NGHTTP2_HEADERS, NGHTTP2_FLAG_END_HEADERS, 1, QByteArray::fromHex("ffffffffff")),
     kH2ConnectionError + QStringLiteral("COMPRESSION_ERROR")},
    {"UnknownStreamData", h2frames::Data(99, "late", false), kH2ConnectionError + QStringLiteral("PROTOCOL_ERROR")},
    {"PushPromiseRefused", h2frames::Frame(NGHTTP2_PUSH_PROMISE, NGHTTP2_FLAG_END_HEADERS, 1, QByteArray::fromHex("00000002")),
     kH2ConnectionError + QStringLiteral("PROTOCOL_ERROR")},
    {"TheServersEnd", {}, QString(kH2ConnectionEnded)},
};

class H2ConnectionErrorTest : public ::testing::TestWithParam<TConnectionErrorCase> {};

TEST_P(H2ConnectionErrorTest, EndsEveryStreamOnceAndRaises)
{
    const TConnectionErrorCase &c = GetParam();
    TRawH2Peer peer(h2frames::Settings() + h2frames::SettingsAck() + c.Script);
    H2Exchange exchange(peer);
    if (c.Script.isEmpty())
        exchange.Wire->End();
    std::vector<TRecordingSink> sinks(3);
    for (int i = 0; i < 3; ++i)
        exchange.Submit("/" + QByteArray::number(i), sinks[i]);
    QString raised;
    try {
        exchange.Pump();
    } catch (const EH2Error &e) {
        raised = e.Message();
    }

    EXPECT_TRUE(raised.startsWith(c.TextStart)) << raised.toStdString();
    for (const TRecordingSink &sink : sinks) {
        EXPECT_EQ(sink.Closes, 1);
        EXPECT_EQ(sink.End.Kind, TH2EndKind::ConnectionError);
        EXPECT_EQ(sink.End.Text, raised);
    }
    EXPECT_FALSE(exchange.Session->Alive());
    EXPECT_FALSE(exchange.Session->Accepts());
    EXPECT_TRUE(exchange.Wire->Closed);
    EXPECT_THROW(exchange.Session->Readable(), EH2Error) << "a dead session stays dead";
    EXPECT_THROW(exchange.Session->Flush(), EH2Error);
}

INSTANTIATE_TEST_SUITE_P(Cases, H2ConnectionErrorTest, ::testing::ValuesIn(kConnectionErrorCases),
                         [](const auto &info) { return std::string(info.param.Name); });

}  // namespace

TEST(H2Session, DataPastTheStreamWindowResetsOnlyThatStream)
{
    using namespace h2frames;
    TRawH2Peer peer(Settings() + SettingsAck() + Headers(1, {{":status", "200"}}, false)
                    + Data(1, QByteArray(2000, 'd'), true) + Headers(3, {{":status", "200"}}, false)
                    + Data(3, QByteArray(1000, 'e'), true));
    TH2Limits limits;
    limits.StreamWindow = 1000;
    H2Exchange exchange(peer, limits);
    TRecordingSink over, within;
    exchange.Submit("/over", over);
    exchange.Submit("/within", within);
    exchange.Pump();

    EXPECT_EQ(over.Closes, 1);
    EXPECT_EQ(over.End.Kind, TH2EndKind::BrokenOff);
    EXPECT_EQ(over.End.Text, H2StreamResetText(NGHTTP2_FLOW_CONTROL_ERROR));
    EXPECT_EQ(within.End.Kind, TH2EndKind::Whole);
    EXPECT_EQ(within.Body, QByteArray(1000, 'e'));
}

TEST(H2Session, OnlyA1xxStatusIsInterim)
{
    using namespace h2frames;
    TRawH2Peer peer(Settings() + SettingsAck() + Headers(1, {{":status", "050"}}, false) + Data(1, "odd", true));
    H2Exchange exchange(peer);
    TRecordingSink sink;
    exchange.Submit("/odd", sink);
    exchange.Pump();
    EXPECT_EQ(sink.Heads, 1) << "a final answer, read as HTTP/1.1 would";
    EXPECT_EQ(sink.Block, "HTTP/2 050\r\n\r\n");
    EXPECT_EQ(sink.Body, "odd");
    EXPECT_EQ(sink.End.Kind, TH2EndKind::Whole);
}

TEST(H2Session, TheServersCloseOfAnIdleConnectionIsNoError)
{
    TFixtureH2Server server;
    server.Answer("/x", Ok({"x"}));
    H2Exchange exchange(server);
    TRecordingSink sink;
    exchange.Submit("/x", sink);
    exchange.Pump();
    exchange.Wire->End();
    EXPECT_NO_THROW(exchange.Session->Readable());
    EXPECT_EQ(sink.Closes, 1);
    EXPECT_EQ(sink.End.Kind, TH2EndKind::Whole);
    EXPECT_FALSE(exchange.Session->Alive());
}

TEST(H2Session, AChainErrorEndsEveryStreamWithItsText)
{
    class TBrokenTransport final : public TTransport {
    public:
        bool Open() override { return true; }
        qsizetype Receive(char *, qsizetype) override { throw ESockError(QStringLiteral("10054:Connection reset")); }
        qsizetype Send(const char *, qsizetype size, bool) override { return size; }
        void Close(bool) override {}
        TWant Want() const override { return TWant::None; }
        int Handle() const override { return -1; }
    };
    TH2Session session(std::make_unique<TBrokenTransport>());
    TRecordingSink sink;
    session.Submit(Request("/x"), sink);
    session.Flush();
    EXPECT_THROW(session.Readable(), ESockError);
    EXPECT_EQ(sink.Closes, 1);
    EXPECT_EQ(sink.End.Kind, TH2EndKind::ConnectionError);
    EXPECT_EQ(sink.End.Text, QStringLiteral("10054:Connection reset"));
}

TEST(H2Errors, EveryTextHasItsSloveneForm)
{
    const QString texts[] = {H2ConnectionErrorText(QStringLiteral("PROTOCOL_ERROR")), QString(kH2ConnectionEnded),
                             QString(kH2HeaderTooLarge), QString(kH2BodyCutShort), QString(kH2NoAnswer),
                             QString(kH2NoNewStream), H2StreamResetText(NGHTTP2_CANCEL)};
    for (const QString &text : texts) {
        EXPECT_EQ(H2FailureText(text, true), text);
        EXPECT_NE(H2FailureText(text, false), text) << text.toStdString();
    }
    EXPECT_EQ(H2StreamResetText(NGHTTP2_CANCEL), QStringLiteral("HTTP/2 stream reset: CANCEL"));
    EXPECT_EQ(H2StreamResetText(0x77), QStringLiteral("HTTP/2 stream reset: 119"));
    EXPECT_EQ(H2FailureText(QStringLiteral("other"), false), QStringLiteral("other"));
}
