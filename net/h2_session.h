// TH2Session: one HTTP/2 client connection (libnghttp2) over an open
// transport chain it owns, each request a stream whose answer goes to a
// sink. It never waits, pumps no events and owns no thread: whoever drives
// it calls Readable() when the chain has bytes, Flush() when it may send,
// and waits for Want() in between. A connection error ends every open
// stream (each sink's Closed once) and raises.
#pragma once

#include "net/h2_request.h"
#include "net/transport.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <vector>

struct nghttp2_session;

// How a stream ended.
enum class TH2EndKind {
    Whole,            // END_STREAM, and the content-length's bytes when one was given
    BrokenOff,        // cut short (a shorter body, our header limit, a stream error): Text says why
    ResetByPeer,      // RST_STREAM from the server: ErrorCode
    NotProcessed,     // REFUSED_STREAM or above a GOAWAY's last stream, no answer: safe to retry
    Canceled,         // our Reset (or GoAway)
    ConnectionError,  // the connection failed: Text
    Failed,           // the sink raised: Failure
};

struct TH2StreamEnd {
    TH2EndKind Kind = TH2EndKind::Whole;
    uint32_t ErrorCode = 0;      // the HTTP/2 error code of a reset or refusal
    QString Text;                // the failure text (h2_errors.h), empty when whole
    std::exception_ptr Failure;  // Failed: what the sink raised
};

// One stream's receiver.
class TStreamSink {
public:
    virtual ~TStreamSink() = default;
    // The final answer's header (1xx answers are dropped), as
    // "HTTP/2 200\r\nname: value\r\n...\r\n" for the existing header readers.
    // May raise: the stream is reset and ends Failed.
    virtual void Head(int status, const QByteArray &headerBlock) = 0;
    // Body bytes as they arrive. May raise (disk full): as Head.
    virtual void Data(const char *data, qsizetype size) = 0;
    // The end, exactly once per submitted stream. Must not raise.
    virtual void Closed(const TH2StreamEnd &end) = 0;
};

// The receiving limits of a session.
struct TH2Limits {
    // The window of one stream (SETTINGS_INITIAL_WINDOW_SIZE): what a server
    // may send on it before we have written it. 1 MiB keeps one big file
    // going on a fast link; to be measured.
    int32_t StreamWindow = 1 << 20;
    // The window of the connection (all streams together): 16 MiB, so 100
    // small streams fit at once and a few big ones do not starve each other.
    int32_t ConnectionWindow = 16 << 20;
    // The header fields of one answer: past either the stream is reset.
    int HeaderFields = 100;
    qsizetype HeaderBytes = 64 * 1024;
};

class TH2Session {
public:
    // Starts the session over chain (open, ALPN "h2" or a test's memory):
    // queues the client preface and SETTINGS (ENABLE_PUSH 0, our windows)
    // for the first Flush.
    explicit TH2Session(std::unique_ptr<TTransport> chain, const TH2Limits &limits = {});
    ~TH2Session();  // calls no sink; GoAway first to end open streams
    TH2Session(const TH2Session &) = delete;
    TH2Session &operator=(const TH2Session &) = delete;

    // Receives what the chain gives (64 KiB at a time) until it says wait or
    // end; the sinks are called from here. Raises EH2Error (or the chain's
    // error) on a connection error, after ending every open stream.
    void Readable();
    // Sends the frames the session has until the chain says wait; the rest
    // is kept for the next Flush. Raises as Readable.
    void Flush();
    // Write while bytes are kept unsent, else Read.
    TWant Want() const;
    int Handle() const;
    // The connection is usable or still has streams to finish.
    bool Alive() const;
    // A new stream may be submitted: alive, no GOAWAY from the server, and
    // nghttp2 allows it.
    bool Accepts() const;
    // How many streams may run at once: the server's
    // SETTINGS_MAX_CONCURRENT_STREAMS, at most 100. nghttp2 queues streams
    // submitted past it.
    uint32_t StreamLimit() const;
    // The server's first SETTINGS frame has come: StreamLimit() is its word,
    // not nghttp2's default.
    bool SettingsReceived() const { return settingsReceived_; }
    // The streams submitted that have not ended.
    qsizetype OpenStreams() const { return static_cast<qsizetype>(streams_.size()); }

    // A request (H2RequestFields) whose answer goes to sink; the stream id.
    // Raises EH2Error when the session takes no new stream.
    int32_t Submit(const std::vector<TH2Field> &fields, TStreamSink &sink);
    // Cancels a stream (RST_STREAM CANCEL): it ends Canceled, at once.
    void Reset(int32_t stream);
    // Ends every open stream Canceled, sends GOAWAY NO_ERROR as far as the
    // chain takes it without waiting, and closes the chain.
    void GoAway();

private:
    struct TStream;
    struct TCallbacks;

    TStream *StreamOf(int32_t id) const;
    void End(int32_t id, TH2StreamEnd end);
    void EndAll(const QString &text);
    void SinkFailed(int32_t id, std::exception_ptr failure);
    void Pull();
    [[noreturn]] void Fail(const QString &text);
    void SendKept() noexcept;
    void CloseChain(bool notifyPeer) noexcept;
    void ChainFailed(const QString &text);
    void CheckAlive() const;

    std::unique_ptr<TTransport> chain_;
    TH2Limits limits_;
    nghttp2_session *session_ = nullptr;
    std::map<int32_t, std::unique_ptr<TStream>> streams_;
    QByteArray unsent_;         // frames taken from nghttp2, not yet taken by the chain
    qsizetype unsentStart_ = 0;  // the first byte of unsent_ still to send
    std::vector<char> readBuffer_;
    bool goAwayReceived_ = false;
    bool settingsReceived_ = false;
    bool dead_ = false;
    bool chainClosed_ = false;
    QString connectionError_;  // set when nghttp2 sends GOAWAY for a bad frame
    QString endText_;          // why the session is dead
};
