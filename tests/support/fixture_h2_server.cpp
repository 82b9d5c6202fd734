#include "tests/support/fixture_h2_server.h"

#include <nghttp2/nghttp2.h>

#include <algorithm>
#include <stdexcept>

struct TFixtureH2Server::TStream {
    TH2Fields Request;
    TH2Reply Reply;
    size_t Piece = 0;          // the body piece being sent
    qsizetype Offset = 0;      // into it
    bool ResetWhenSent = false;
    size_t HeadersToSend = 0;  // 1xx answers and the final one
};

struct TFixtureH2Server::TCallbacks {
    static TFixtureH2Server &Self(void *user) { return *static_cast<TFixtureH2Server *>(user); }

    static int BeginHeaders(nghttp2_session *, const nghttp2_frame *frame, void *user)
    {
        TFixtureH2Server &self = Self(user);
        if (frame->hd.type == NGHTTP2_HEADERS && frame->headers.cat == NGHTTP2_HCAT_REQUEST) {
            self.streams_[frame->hd.stream_id] = std::make_unique<TStream>();
            self.MostOpenStreams = std::max(self.MostOpenStreams, static_cast<int>(self.streams_.size()));
        }
        return 0;
    }

    static int Header(nghttp2_session *, const nghttp2_frame *frame, const uint8_t *name, size_t nameLength,
                      const uint8_t *value, size_t valueLength, uint8_t, void *user)
    {
        const auto it = Self(user).streams_.find(frame->hd.stream_id);
        if (it != Self(user).streams_.end())
            it->second->Request.emplace_back(
                QByteArray(reinterpret_cast<const char *>(name), static_cast<qsizetype>(nameLength)),
                QByteArray(reinterpret_cast<const char *>(value), static_cast<qsizetype>(valueLength)));
        return 0;
    }

    static int FrameReceived(nghttp2_session *, const nghttp2_frame *frame, void *user)
    {
        TFixtureH2Server &self = Self(user);
        if (frame->hd.type == NGHTTP2_GOAWAY)
            self.ClientGoAway = true;
        if (frame->hd.type == NGHTTP2_RST_STREAM)
            self.ClientResets[frame->hd.stream_id] = frame->rst_stream.error_code;
        if (frame->hd.type == NGHTTP2_HEADERS && (frame->hd.flags & NGHTTP2_FLAG_END_STREAM)
            && self.streams_.count(frame->hd.stream_id))
            self.Respond(frame->hd.stream_id);
        return 0;
    }

    static int FrameSent(nghttp2_session *session, const nghttp2_frame *frame, void *user)
    {
        TFixtureH2Server &self = Self(user);
        if (frame->hd.type == NGHTTP2_DATA)
            self.BodyBytesSent += static_cast<qint64>(frame->hd.length);
        const auto it = self.streams_.find(frame->hd.stream_id);
        if (it == self.streams_.end() || (frame->hd.type != NGHTTP2_DATA && frame->hd.type != NGHTTP2_HEADERS))
            return 0;
        TStream &stream = *it->second;
        if (frame->hd.type == NGHTTP2_HEADERS && stream.HeadersToSend > 0)
            --stream.HeadersToSend;
        // The reset follows the last frame of the answer.
        if (stream.ResetWhenSent && stream.HeadersToSend == 0 && stream.Piece >= stream.Reply.Body.size()) {
            stream.ResetWhenSent = false;
            nghttp2_submit_rst_stream(session, NGHTTP2_FLAG_NONE, frame->hd.stream_id, *stream.Reply.ResetAfter);
        }
        return 0;
    }

    static int StreamClosed(nghttp2_session *, int32_t id, uint32_t, void *user)
    {
        Self(user).streams_.erase(id);
        return 0;
    }

    // The body pieces in order, each ending its own DATA frame.
    static ssize_t ReadBody(nghttp2_session *, int32_t, uint8_t *into, size_t length, uint32_t *flags,
                            nghttp2_data_source *source, void *)
    {
        auto &stream = *static_cast<TStream *>(source->ptr);
        const std::vector<QByteArray> &body = stream.Reply.Body;
        size_t count = 0;
        if (stream.Piece < body.size()) {
            const QByteArray &piece = body[stream.Piece];
            count = std::min(length, static_cast<size_t>(piece.size() - stream.Offset));
            std::copy_n(piece.constData() + stream.Offset, count, into);
            stream.Offset += static_cast<qsizetype>(count);
            if (stream.Offset == piece.size()) {
                ++stream.Piece;
                stream.Offset = 0;
            }
        }
        if (stream.Piece >= body.size() && stream.Reply.Hold)
            return count > 0 ? static_cast<ssize_t>(count) : static_cast<ssize_t>(NGHTTP2_ERR_DEFERRED);
        if (stream.Piece >= body.size()) {
            *flags |= NGHTTP2_DATA_FLAG_EOF;
            if (stream.ResetWhenSent)
                *flags |= NGHTTP2_DATA_FLAG_NO_END_STREAM;
        }
        return static_cast<ssize_t>(count);
    }
};

namespace {

// nghttp2 copies the bytes when the frame is submitted: name and value
// must live until then (a literal would be a temporary QByteArray).
const QByteArray kStatusField = QByteArrayLiteral(":status");

nghttp2_nv Nv(const QByteArray &name, const QByteArray &value)
{
    return {reinterpret_cast<uint8_t *>(const_cast<char *>(name.constData())),
            reinterpret_cast<uint8_t *>(const_cast<char *>(value.constData())), static_cast<size_t>(name.size()),
            static_cast<size_t>(value.size()), NGHTTP2_NV_FLAG_NONE};
}

}  // namespace

TFixtureH2Server::TFixtureH2Server(TH2ServerOptions options) : options_(options)
{
    nghttp2_session_callbacks *callbacks = nullptr;
    nghttp2_session_callbacks_new(&callbacks);
    nghttp2_session_callbacks_set_on_begin_headers_callback(callbacks, TCallbacks::BeginHeaders);
    nghttp2_session_callbacks_set_on_header_callback(callbacks, TCallbacks::Header);
    nghttp2_session_callbacks_set_on_frame_recv_callback(callbacks, TCallbacks::FrameReceived);
    nghttp2_session_callbacks_set_on_frame_send_callback(callbacks, TCallbacks::FrameSent);
    nghttp2_session_callbacks_set_on_stream_close_callback(callbacks, TCallbacks::StreamClosed);
    nghttp2_session_server_new(&session_, callbacks, this);
    nghttp2_session_callbacks_del(callbacks);
    const nghttp2_settings_entry settings[] = {
        {NGHTTP2_SETTINGS_MAX_CONCURRENT_STREAMS, options_.MaxConcurrentStreams}};
    nghttp2_submit_settings(session_, NGHTTP2_FLAG_NONE, settings, 1);
}

TFixtureH2Server::~TFixtureH2Server()
{
    nghttp2_session_del(session_);
}

void TFixtureH2Server::Answer(const QByteArray &path, TH2Reply reply)
{
    replies_[path] = std::move(reply);
}

void TFixtureH2Server::Feed(const QByteArray &bytes)
{
    const ssize_t rv =
        nghttp2_session_mem_recv(session_, reinterpret_cast<const uint8_t *>(bytes.constData()), bytes.size());
    if (rv < 0)
        throw std::runtime_error(nghttp2_strerror(static_cast<int>(rv)));
}

QByteArray TFixtureH2Server::TakeOutput()
{
    QByteArray output;
    for (;;) {
        const uint8_t *data = nullptr;
        const ssize_t size = nghttp2_session_mem_send(session_, &data);
        if (size < 0)
            throw std::runtime_error(nghttp2_strerror(static_cast<int>(size)));
        if (size == 0)
            return output;
        output.append(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    }
}

void TFixtureH2Server::Respond(int32_t id)
{
    TStream &stream = *streams_.at(id);
    Requests.push_back(stream.Request);
    if (goAwayLast_ > 0 && id > goAwayLast_)
        return;  // not processed: the GOAWAY said so
    if (options_.GoAwayAfter > 0 && ++requestsDone_ == options_.GoAwayAfter) {
        goAwayLast_ = id;
        nghttp2_submit_goaway(session_, NGHTTP2_FLAG_NONE, id, NGHTTP2_NO_ERROR, nullptr, 0);
    }
    QByteArray path;
    for (const auto &[name, value] : stream.Request)
        if (name == ":path")
            path = value;
    const auto reply = replies_.find(path);
    stream.Reply = reply == replies_.end() ? TH2Reply{404, {}, {}, {}, {}, {}, false} : reply->second;
    const TH2Reply &answer = stream.Reply;
    if (answer.ResetInstead) {
        nghttp2_submit_rst_stream(session_, NGHTTP2_FLAG_NONE, id, *answer.ResetInstead);
        return;
    }
    for (const int status : answer.Interim) {
        const QByteArray value = QByteArray::number(status);
        const nghttp2_nv interim = Nv(kStatusField, value);
        nghttp2_submit_headers(session_, NGHTTP2_FLAG_NONE, id, nullptr, &interim, 1, nullptr);
    }
    const QByteArray status = QByteArray::number(answer.Status);
    std::vector<nghttp2_nv> fields{Nv(kStatusField, status)};
    for (const auto &[name, value] : answer.Fields)
        fields.push_back(Nv(name, value));
    stream.ResetWhenSent = answer.ResetAfter.has_value();
    stream.HeadersToSend = answer.Interim.size() + 1;
    if (answer.Body.empty() && answer.ResetAfter) {
        nghttp2_submit_headers(session_, NGHTTP2_FLAG_NONE, id, nullptr, fields.data(), fields.size(), nullptr);
        return;
    }
    nghttp2_data_provider body{};
    body.source.ptr = &stream;
    body.read_callback = TCallbacks::ReadBody;
    nghttp2_submit_response(session_, id, fields.data(), fields.size(), answer.Body.empty() && !answer.Hold ? nullptr : &body);
}

namespace h2frames {

QByteArray Frame(uint8_t type, uint8_t flags, uint32_t stream, const QByteArray &payload)
{
    const auto length = static_cast<uint32_t>(payload.size());
    QByteArray frame;
    frame.append(static_cast<char>(length >> 16)).append(static_cast<char>(length >> 8)).append(static_cast<char>(length));
    frame.append(static_cast<char>(type)).append(static_cast<char>(flags));
    for (int shift = 24; shift >= 0; shift -= 8)
        frame.append(static_cast<char>((stream & 0x7fffffffu) >> shift));
    return frame + payload;
}

namespace {

QByteArray Bytes32(uint32_t value)
{
    QByteArray bytes;
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(static_cast<char>(value >> shift));
    return bytes;
}

// An HPACK integer with a 7-bit prefix (RFC 7541 5.1), the string flag off.
QByteArray HpackString(const QByteArray &text)
{
    QByteArray bytes;
    auto length = static_cast<uint32_t>(text.size());
    if (length < 127) {
        bytes.append(static_cast<char>(length));
    } else {
        bytes.append(static_cast<char>(127));
        for (length -= 127; length >= 128; length >>= 7)
            bytes.append(static_cast<char>((length & 0x7f) | 0x80));
        bytes.append(static_cast<char>(length));
    }
    return bytes + text;
}

}  // namespace

QByteArray Settings(const std::vector<std::pair<uint16_t, uint32_t>> &values)
{
    QByteArray payload;
    for (const auto &[id, value] : values)
        payload.append(static_cast<char>(id >> 8)).append(static_cast<char>(id)).append(Bytes32(value));
    return Frame(NGHTTP2_SETTINGS, 0, 0, payload);
}

QByteArray SettingsAck()
{
    return Frame(NGHTTP2_SETTINGS, NGHTTP2_FLAG_ACK, 0, {});
}

QByteArray Headers(uint32_t stream, const TH2Fields &fields, bool endStream)
{
    QByteArray block;
    for (const auto &[name, value] : fields)  // literal, not indexed, new name (RFC 7541 6.2.2)
        block += '\0' + HpackString(name) + HpackString(value);
    return Frame(NGHTTP2_HEADERS, NGHTTP2_FLAG_END_HEADERS | (endStream ? NGHTTP2_FLAG_END_STREAM : 0), stream,
                 block);
}

QByteArray Data(uint32_t stream, const QByteArray &bytes, bool endStream)
{
    return Frame(NGHTTP2_DATA, endStream ? NGHTTP2_FLAG_END_STREAM : 0, stream, bytes);
}

QByteArray RstStream(uint32_t stream, uint32_t code)
{
    return Frame(NGHTTP2_RST_STREAM, 0, stream, Bytes32(code));
}

QByteArray GoAway(uint32_t lastStream, uint32_t code)
{
    return Frame(NGHTTP2_GOAWAY, 0, 0, Bytes32(lastStream) + Bytes32(code));
}

QByteArray WindowUpdate(uint32_t stream, uint32_t increment)
{
    return Frame(NGHTTP2_WINDOW_UPDATE, 0, stream, Bytes32(increment));
}

}  // namespace h2frames
