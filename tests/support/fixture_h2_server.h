// The HTTP/2 side of the tests: a scriptable server on libnghttp2's server
// session, and a raw peer that sends scripted frame bytes. Both are
// transport-agnostic: what the client sent goes in with Feed, what the
// server answers comes out of TakeOutput, so a test moves the bytes over
// memory (TMemoryTransport) and a socket with TLS can carry them later.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct nghttp2_session;

using TH2Fields = std::vector<std::pair<QByteArray, QByteArray>>;

// One peer of an HTTP/2 client.
class TH2Peer {
public:
    virtual ~TH2Peer() = default;
    // Bytes the client sent.
    virtual void Feed(const QByteArray &bytes) = 0;
    // Bytes for the client, since the last call.
    virtual QByteArray TakeOutput() = 0;
};

// The server's answer to one path.
struct TH2Reply {
    int Status = 200;
    TH2Fields Fields;                     // after :status, as given (names in lower case)
    std::vector<int> Interim;             // 1xx answers sent first
    std::vector<QByteArray> Body;         // each piece its own DATA frames
    std::optional<uint32_t> ResetInstead;  // RST_STREAM with this code, no HEADERS
    std::optional<uint32_t> ResetAfter;    // RST_STREAM after HEADERS and Body, no END_STREAM
    bool Hold = false;                     // after Body the stream stays open: no END_STREAM, no reset
};

struct TH2ServerOptions {
    uint32_t MaxConcurrentStreams = 100;
    // > 0: once this many requests came, GOAWAY (NO_ERROR) with the last of
    // them as last_stream_id; later requests get no answer.
    int GoAwayAfter = 0;
};

class TFixtureH2Server final : public TH2Peer {
public:
    explicit TFixtureH2Server(TH2ServerOptions options = {});
    ~TFixtureH2Server() override;
    TFixtureH2Server(const TFixtureH2Server &) = delete;
    TFixtureH2Server &operator=(const TFixtureH2Server &) = delete;

    // The answer for path; a path without one gets 404 with an empty body.
    void Answer(const QByteArray &path, TH2Reply reply);
    // Raises std::runtime_error on a failure of nghttp2's server session.
    void Feed(const QByteArray &bytes) override;
    QByteArray TakeOutput() override;

    // The requests in the order they came: their fields, pseudo-fields first.
    std::vector<TH2Fields> Requests;
    // The payload bytes of the DATA frames sent so far.
    qint64 BodyBytesSent = 0;
    // The most streams that were open at once.
    int MostOpenStreams = 0;
    // The RST_STREAM codes the client sent, by stream.
    std::map<int32_t, uint32_t> ClientResets;
    // The client sent GOAWAY.
    bool ClientGoAway = false;

private:
    struct TStream;
    struct TCallbacks;
    void Respond(int32_t id);

    nghttp2_session *session_ = nullptr;
    TH2ServerOptions options_;
    std::map<QByteArray, TH2Reply> replies_;
    std::map<int32_t, std::unique_ptr<TStream>> streams_;
    int requestsDone_ = 0;
    int32_t goAwayLast_ = 0;  // 0: no GOAWAY sent
};

// A peer that sends its script once, whatever the client sends.
class TRawH2Peer final : public TH2Peer {
public:
    explicit TRawH2Peer(QByteArray script) : script_(std::move(script)) {}
    void Feed(const QByteArray &bytes) override { Received += bytes; }
    QByteArray TakeOutput() override { return std::exchange(script_, QByteArray()); }
    QByteArray Received;

private:
    QByteArray script_;
};

// Frame bytes for scripts (RFC 9113 4.1 and 6).
namespace h2frames {
QByteArray Frame(uint8_t type, uint8_t flags, uint32_t stream, const QByteArray &payload);
QByteArray Settings(const std::vector<std::pair<uint16_t, uint32_t>> &values = {});
QByteArray SettingsAck();
// The fields HPACK-encoded (without the dynamic table) in one HEADERS frame.
QByteArray Headers(uint32_t stream, const TH2Fields &fields, bool endStream);
QByteArray Data(uint32_t stream, const QByteArray &bytes, bool endStream);
QByteArray RstStream(uint32_t stream, uint32_t code);
QByteArray GoAway(uint32_t lastStream, uint32_t code);
QByteArray WindowUpdate(uint32_t stream, uint32_t increment);
}  // namespace h2frames
