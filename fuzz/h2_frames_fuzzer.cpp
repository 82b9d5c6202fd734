// A server's HTTP/2 frames to the client session: TH2Session over a memory
// transport with 1 to 100 streams submitted (from the first byte), the
// server's SETTINGS put in front so the interesting frames are reached,
// then the fuzzer's bytes. Every stream must end exactly once (the session
// raising, or our GOAWAY after the bytes), no sink may hear of a stream
// after its end, and the sinks together never get more body bytes than the
// DATA frames carried.
#include "base/errors.h"
#include "net/h2_session.h"
#include "tests/support/memory_transport.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

class TCheckingSink final : public TStreamSink {
public:
    void Head(int status, const QByteArray &block) override
    {
        const bool interim = status >= 100 && status < 200;
        if (Closes > 0 || ++Heads > 1 || interim || !block.startsWith("HTTP/2 ") || !block.endsWith("\r\n\r\n"))
            __builtin_trap();
    }
    void Data(const char *, qsizetype size) override
    {
        if (Closes > 0 || Heads != 1 || size <= 0)
            __builtin_trap();
        Bytes += size;
        if (Refuses)
            throw ESockError(QStringLiteral("refused"));
    }
    void Closed(const TH2StreamEnd &end) override
    {
        if (++Closes > 1 || (end.Kind == TH2EndKind::Failed && !end.Failure))
            __builtin_trap();
    }

    bool Refuses = false;  // raises in Data, as a full disk would
    int Heads = 0;
    int Closes = 0;
    qint64 Bytes = 0;
};

// The payload bytes of the DATA frames in bytes (padding included), the
// last frame as far as it goes: more than any sink may get.
qint64 DataPayloadIn(const QByteArray &bytes)
{
    qint64 total = 0;
    qsizetype at = 0;
    while (at + 9 <= bytes.size()) {
        const auto *header = reinterpret_cast<const unsigned char *>(bytes.constData() + at);
        const qsizetype length = (qsizetype(header[0]) << 16) | (qsizetype(header[1]) << 8) | header[2];
        const qsizetype present = std::min(length, bytes.size() - at - 9);
        if (header[3] == 0)
            total += present;
        at += 9 + length;
    }
    return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 256 * 1024)
        return 0;
    const int streams = 1 + data[0] % 100;
    const bool oneRefuses = data[0] & 0x80;
    // An empty SETTINGS frame: the server's preface.
    const QByteArray frames = QByteArray::fromHex("000000040000000000")
                              + QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    auto owned = std::make_unique<TMemoryTransport>();
    TMemoryTransport &wire = *owned;
    std::vector<TCheckingSink> sinks(static_cast<size_t>(streams));
    sinks[0].Refuses = oneRefuses;
    {
        TH2Session session(std::move(owned));
        try {
            for (int i = 0; i < streams; ++i)
                session.Submit({{":method", "GET"}, {":scheme", "https"}, {":authority", "fuzz"},
                                {":path", "/" + QByteArray::number(i)}},
                               sinks[static_cast<size_t>(i)]);
            session.Flush();
            wire.Give(frames);
            session.Readable();
            session.Flush();
            (void)wire.TakeSent();
        } catch (const ESockError &) {
            // A connection error: every stream has ended.
        }
        session.GoAway();
        if (session.OpenStreams() != 0)
            __builtin_trap();
    }
    qint64 got = 0;
    for (const TCheckingSink &sink : sinks) {
        if (sink.Closes != 1)
            __builtin_trap();
        got += sink.Bytes;
    }
    if (got > DataPayloadIn(frames))
        __builtin_trap();
    return 0;
}
