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

    // Moves bytes both ways until neither side has any; between runs after
    // every round. Raises what the session raises.
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
            Session->Readable();
            if (between)
                between();
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
        EXPECT_EQ(sinks[i].Body, Pattern(1000 + i, 'a') + Pattern(20000, static_cast<char>('b' + i)) + "end");
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
