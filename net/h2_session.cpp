#include "net/h2_session.h"

#include "net/h2_errors.h"
#include "net/response_header.h"

#include <nghttp2/nghttp2.h>

#include <algorithm>

namespace {

// What one Readable step takes from the chain.
constexpr qsizetype kReadSize = 64 * 1024;
// Frames taken from nghttp2 ahead of the chain: past this the rest stays in
// nghttp2's queue until the chain takes some.
constexpr qsizetype kUnsentLimit = 64 * 1024;
// The most streams we run at once, whatever the server allows.
constexpr uint32_t kMaxStreams = 100;

// A callback as nghttp2 calls it: nothing may unwind through C, so what
// the session's own code raises (no memory) fails the session instead.
template <auto Callback>
struct TGuarded;
template <typename... Args, int (*Callback)(Args...)>
struct TGuarded<Callback> {
    static int Call(Args... args) noexcept
    {
        try {
            return Callback(args...);
        } catch (...) {
            return NGHTTP2_ERR_CALLBACK_FAILURE;
        }
    }
};

}  // namespace

// One submitted stream that has not ended.
struct TH2Session::TStream {
    TStreamSink *Sink = nullptr;
    bool Head = false;          // a HEAD request: no body, whatever content-length says
    bool HeadSeen = false;      // the final answer's header went to the sink
    bool EndStreamSeen = false;
    bool PeerReset = false;     // RST_STREAM from the server
    int Status = 0;
    QByteArray Block;           // the header block being gathered
    int Fields = 0;
    qsizetype FieldBytes = 0;
    qint64 ContentLength = -1;
    qint64 Received = 0;        // body bytes the sink took

    // The body's length is checked against content-length.
    bool BodyCounted() const { return !Head && Status != 204 && Status != 304 && ContentLength >= 0; }
};

// nghttp2's callbacks (registered through TGuarded): user data is the
// session. A sink's exception is caught and ends its stream.
struct TH2Session::TCallbacks {
    static TH2Session &Self(void *user) { return *static_cast<TH2Session *>(user); }

    static int BeginHeaders(nghttp2_session *, const nghttp2_frame *frame, void *user)
    {
        TStream *stream = Self(user).StreamOf(frame->hd.stream_id);
        if (frame->hd.type == NGHTTP2_HEADERS && stream && !stream->HeadSeen) {
            stream->Block.clear();
            stream->Status = 0;
            stream->ContentLength = -1;
        }
        return 0;
    }

    static int Header(nghttp2_session *, const nghttp2_frame *frame, const uint8_t *name, size_t nameLength,
                      const uint8_t *value, size_t valueLength, uint8_t, void *user)
    {
        TH2Session &self = Self(user);
        const int32_t id = frame->hd.stream_id;
        TStream *stream = self.StreamOf(id);
        if (frame->hd.type != NGHTTP2_HEADERS || !stream || stream->HeadSeen)
            return 0;  // trailers are not read
        stream->FieldBytes += static_cast<qsizetype>(nameLength + valueLength);
        if (++stream->Fields > self.limits_.HeaderFields || stream->FieldBytes > self.limits_.HeaderBytes) {
            self.End(id, {TH2EndKind::BrokenOff, NGHTTP2_INTERNAL_ERROR, QString(kH2HeaderTooLarge), {}});
            return NGHTTP2_ERR_TEMPORAL_CALLBACK_FAILURE;  // nghttp2 resets the stream
        }
        const QByteArray fieldName(reinterpret_cast<const char *>(name), static_cast<qsizetype>(nameLength));
        const QByteArray fieldValue(reinterpret_cast<const char *>(value), static_cast<qsizetype>(valueLength));
        if (fieldName == ":status") {
            stream->Status = fieldValue.toInt();
            stream->Block = "HTTP/2 " + fieldValue + "\r\n";
            return 0;
        }
        if (fieldName == "content-length")
            stream->ContentLength = ContentLengthOf(fieldValue).value_or(-1);
        stream->Block += fieldName + ": " + fieldValue + "\r\n";
        return 0;
    }

    static int FrameReceived(nghttp2_session *, const nghttp2_frame *frame, void *user)
    {
        TH2Session &self = Self(user);
        const int32_t id = frame->hd.stream_id;
        switch (frame->hd.type) {
        case NGHTTP2_HEADERS:
            HeadersReceived(self, id);
            break;
        case NGHTTP2_RST_STREAM:
            if (TStream *stream = self.StreamOf(id))
                stream->PeerReset = true;
            break;
        case NGHTTP2_GOAWAY:
            self.goAwayReceived_ = true;
            break;
        case NGHTTP2_SETTINGS:
            if (!(frame->hd.flags & NGHTTP2_FLAG_ACK))
                self.settingsReceived_ = true;
            break;
        default:
            break;
        }
        if ((frame->hd.type == NGHTTP2_HEADERS || frame->hd.type == NGHTTP2_DATA)
            && (frame->hd.flags & NGHTTP2_FLAG_END_STREAM))
            if (TStream *stream = self.StreamOf(id))
                stream->EndStreamSeen = true;
        return 0;
    }

    // A whole header block: the final answer's goes to the sink, a 1xx one
    // is dropped. nghttp2 lets any three digits pass as a final status
    // ("050"): the sink reads it as it would in HTTP/1.1.
    static void HeadersReceived(TH2Session &self, int32_t id)
    {
        TStream *stream = self.StreamOf(id);
        if (!stream || stream->HeadSeen)
            return;
        if (stream->Status >= 100 && stream->Status < 200) {
            stream->Block.clear();
            return;
        }
        stream->HeadSeen = true;
        try {
            stream->Sink->Head(stream->Status, stream->Block + "\r\n");
        } catch (...) {
            self.SinkFailed(id, std::current_exception());
        }
    }

    static int DataChunk(nghttp2_session *session, uint8_t, int32_t id, const uint8_t *data, size_t length,
                         void *user)
    {
        TH2Session &self = Self(user);
        if (TStream *stream = self.StreamOf(id)) {
            std::exception_ptr failure;
            try {
                stream->Sink->Data(reinterpret_cast<const char *>(data), static_cast<qsizetype>(length));
            } catch (...) {
                failure = std::current_exception();
            }
            if (failure)
                self.SinkFailed(id, failure);
            else if ((stream = self.StreamOf(id)))
                stream->Received += static_cast<qint64>(length);
        }
        // The bytes are written (or dropped): the windows may open by them.
        const int rv = nghttp2_session_consume(session, id, length);
        return nghttp2_is_fatal(rv) ? NGHTTP2_ERR_CALLBACK_FAILURE : 0;
    }

    static int StreamClosed(nghttp2_session *, int32_t id, uint32_t errorCode, void *user)
    {
        TH2Session &self = Self(user);
        if (const TStream *stream = self.StreamOf(id))
            self.End(id, EndOnClose(*stream, errorCode));
        return 0;
    }

    static TH2StreamEnd EndOnClose(const TStream &stream, uint32_t errorCode)
    {
        if (stream.HeadSeen && stream.EndStreamSeen
            && (!stream.BodyCounted() || stream.Received == stream.ContentLength))
            return {};
        if (errorCode == NGHTTP2_REFUSED_STREAM && !stream.HeadSeen)
            return {TH2EndKind::NotProcessed, errorCode, {}, {}};
        if (stream.PeerReset)
            return {TH2EndKind::ResetByPeer, errorCode, H2StreamResetText(errorCode), {}};
        if (stream.HeadSeen && stream.BodyCounted() && stream.Received < stream.ContentLength)
            return {TH2EndKind::BrokenOff, errorCode, QString(kH2BodyCutShort), {}};
        if (errorCode != NGHTTP2_NO_ERROR)
            return {TH2EndKind::BrokenOff, errorCode, H2StreamResetText(errorCode), {}};
        return {TH2EndKind::BrokenOff, errorCode, QString(kH2NoAnswer), {}};
    }

    // nghttp2 sends GOAWAY with an error code only for a connection error it
    // found in what the server sent.
    static int FrameSent(nghttp2_session *, const nghttp2_frame *frame, void *user)
    {
        if (frame->hd.type != NGHTTP2_GOAWAY || frame->goaway.error_code == NGHTTP2_NO_ERROR)
            return 0;
        QString reason = QString::fromLatin1(nghttp2_http2_strerror(frame->goaway.error_code));
        if (frame->goaway.opaque_data_len > 0)
            reason += QStringLiteral(" (")
                      + QString::fromLatin1(reinterpret_cast<const char *>(frame->goaway.opaque_data),
                                            static_cast<qsizetype>(frame->goaway.opaque_data_len))
                      + QLatin1Char(')');
        Self(user).connectionError_ = H2ConnectionErrorText(reason);
        return 0;
    }

    // A request that could not start (a GOAWAY came before it went out).
    static int FrameNotSent(nghttp2_session *, const nghttp2_frame *frame, int, void *user)
    {
        TH2Session &self = Self(user);
        if (frame->hd.type == NGHTTP2_HEADERS && self.StreamOf(frame->hd.stream_id))
            self.End(frame->hd.stream_id, {TH2EndKind::NotProcessed, NGHTTP2_REFUSED_STREAM, {}, {}});
        return 0;
    }
};

TH2Session::TH2Session(std::unique_ptr<TTransport> chain, const TH2Limits &limits)
    : chain_(std::move(chain)), limits_(limits), readBuffer_(kReadSize)
{
    nghttp2_session_callbacks *callbacks = nullptr;
    nghttp2_option *option = nullptr;
    if (nghttp2_session_callbacks_new(&callbacks) != 0 || nghttp2_option_new(&option) != 0) {
        nghttp2_session_callbacks_del(callbacks);
        throw EH2Error(H2ConnectionErrorText(QString::fromLatin1(nghttp2_strerror(NGHTTP2_ERR_NOMEM))));
    }
    nghttp2_session_callbacks_set_on_begin_headers_callback(callbacks, TGuarded<TCallbacks::BeginHeaders>::Call);
    nghttp2_session_callbacks_set_on_header_callback(callbacks, TGuarded<TCallbacks::Header>::Call);
    nghttp2_session_callbacks_set_on_frame_recv_callback(callbacks, TGuarded<TCallbacks::FrameReceived>::Call);
    nghttp2_session_callbacks_set_on_data_chunk_recv_callback(callbacks, TGuarded<TCallbacks::DataChunk>::Call);
    nghttp2_session_callbacks_set_on_stream_close_callback(callbacks, TGuarded<TCallbacks::StreamClosed>::Call);
    nghttp2_session_callbacks_set_on_frame_send_callback(callbacks, TGuarded<TCallbacks::FrameSent>::Call);
    nghttp2_session_callbacks_set_on_frame_not_send_callback(callbacks, TGuarded<TCallbacks::FrameNotSent>::Call);
    // The windows open only as the sinks take the bytes (nghttp2_session_consume).
    nghttp2_option_set_no_auto_window_update(option, 1);
    const int rv = nghttp2_session_client_new2(&session_, callbacks, this, option);
    nghttp2_session_callbacks_del(callbacks);
    nghttp2_option_del(option);
    if (rv != 0)
        throw EH2Error(H2ConnectionErrorText(QString::fromLatin1(nghttp2_strerror(rv))));

    const nghttp2_settings_entry settings[] = {
        {NGHTTP2_SETTINGS_ENABLE_PUSH, 0},
        {NGHTTP2_SETTINGS_INITIAL_WINDOW_SIZE, static_cast<uint32_t>(limits_.StreamWindow)},
        {NGHTTP2_SETTINGS_MAX_HEADER_LIST_SIZE, static_cast<uint32_t>(limits_.HeaderBytes)},
    };
    nghttp2_submit_settings(session_, NGHTTP2_FLAG_NONE, settings, std::size(settings));
    // The connection's window starts at 65535 (RFC 9113 6.9.2): opened to ours.
    if (limits_.ConnectionWindow > NGHTTP2_INITIAL_CONNECTION_WINDOW_SIZE)
        nghttp2_submit_window_update(session_, NGHTTP2_FLAG_NONE, 0,
                                     limits_.ConnectionWindow - NGHTTP2_INITIAL_CONNECTION_WINDOW_SIZE);
}

TH2Session::~TH2Session()
{
    streams_.clear();  // no sink hears of the end
    nghttp2_session_del(session_);
    CloseChain(false);
}

TH2Session::TStream *TH2Session::StreamOf(int32_t id) const
{
    const auto it = streams_.find(id);
    return it == streams_.end() ? nullptr : it->second.get();
}

// The stream leaves the map before its sink hears the end, so Closed may
// submit or reset others.
void TH2Session::End(int32_t id, TH2StreamEnd end)
{
    const auto it = streams_.find(id);
    if (it == streams_.end())
        return;
    TStreamSink *sink = it->second->Sink;
    streams_.erase(it);
    try {
        sink->Closed(end);
    } catch (...) {
        // Closed must not raise; nothing may unwind through nghttp2.
    }
}

void TH2Session::EndAll(const QString &text)
{
    while (!streams_.empty())
        End(streams_.begin()->first, {TH2EndKind::ConnectionError, 0, text, {}});
}

void TH2Session::SinkFailed(int32_t id, std::exception_ptr failure)
{
    nghttp2_submit_rst_stream(session_, NGHTTP2_FLAG_NONE, id, NGHTTP2_CANCEL);
    End(id, {TH2EndKind::Failed, NGHTTP2_CANCEL, {}, std::move(failure)});
}

void TH2Session::CheckAlive() const
{
    if (dead_)
        throw EH2Error(endText_.isEmpty() ? QString(kH2ConnectionEnded) : endText_);
}

void TH2Session::Fail(const QString &text)
{
    dead_ = true;
    endText_ = text;
    SendKept();  // the GOAWAY nghttp2 queued, if the chain takes it now
    CloseChain(false);
    EndAll(text);
    throw EH2Error(text);
}

void TH2Session::SendKept() noexcept
{
    try {
        while (unsentStart_ < unsent_.size()) {
            const qsizetype sent =
                chain_->Send(unsent_.constData() + unsentStart_, unsent_.size() - unsentStart_, false);
            if (sent <= 0)
                break;
            unsentStart_ += sent;
        }
    } catch (...) {
        // A goodbye costs no wait and no error.
    }
}

void TH2Session::CloseChain(bool notifyPeer) noexcept
{
    if (chainClosed_ || !chain_)
        return;
    chainClosed_ = true;
    try {
        chain_->Close(notifyPeer);
    } catch (...) {
    }
}

// Moves the frames nghttp2 has into unsent_, up to kUnsentLimit. A GOAWAY
// of nghttp2's for a bad frame is noticed here, as it is taken.
void TH2Session::Pull()
{
    if (unsentStart_ > 0 && unsentStart_ * 2 >= unsent_.size()) {
        unsent_.remove(0, unsentStart_);
        unsentStart_ = 0;
    }
    while (unsent_.size() - unsentStart_ < kUnsentLimit) {
        const uint8_t *data = nullptr;
        const ssize_t size = nghttp2_session_mem_send(session_, &data);
        if (size < 0)
            Fail(H2ConnectionErrorText(QString::fromLatin1(nghttp2_strerror(static_cast<int>(size)))));
        if (size == 0)
            break;
        unsent_.append(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    }
    if (!connectionError_.isEmpty())
        Fail(connectionError_);
}

// The chain broke (its error is passed on as it is): the session is dead
// and every open stream ends with the error's text.
void TH2Session::ChainFailed(const QString &text)
{
    dead_ = true;
    endText_ = text;
    CloseChain(false);
    EndAll(text);
}

void TH2Session::Readable()
{
    CheckAlive();
    for (;;) {
        qsizetype got = 0;
        try {
            got = chain_->Receive(readBuffer_.data(), kReadSize);
        } catch (const ESockError &e) {
            ChainFailed(e.Message());
            throw;
        }
        if (got < 0)
            break;
        if (got == 0) {
            // The server's close: an error only while streams run.
            if (streams_.empty()) {
                dead_ = true;
                CloseChain(false);
                return;
            }
            Fail(QString(kH2ConnectionEnded));
        }
        const ssize_t taken =
            nghttp2_session_mem_recv(session_, reinterpret_cast<const uint8_t *>(readBuffer_.data()),
                                     static_cast<size_t>(got));
        if (taken < 0)
            Fail(H2ConnectionErrorText(QString::fromLatin1(nghttp2_strerror(static_cast<int>(taken)))));
    }
    Pull();
}

void TH2Session::Flush()
{
    CheckAlive();
    for (;;) {
        Pull();
        if (unsentStart_ >= unsent_.size())
            return;
        qsizetype sent = 0;
        try {
            sent = chain_->Send(unsent_.constData() + unsentStart_, unsent_.size() - unsentStart_, false);
        } catch (const ESockError &e) {
            ChainFailed(e.Message());
            throw;
        }
        if (sent <= 0)
            return;
        unsentStart_ += sent;
    }
}

TWant TH2Session::Want() const
{
    if (dead_)
        return TWant::None;
    if (unsentStart_ < unsent_.size() || nghttp2_session_want_write(session_))
        return TWant::Write;
    return TWant::Read;
}

int TH2Session::Handle() const
{
    return chain_->Handle();
}

bool TH2Session::Alive() const
{
    return !dead_
           && (unsentStart_ < unsent_.size() || nghttp2_session_want_read(session_)
               || nghttp2_session_want_write(session_));
}

bool TH2Session::Accepts() const
{
    return Alive() && !goAwayReceived_ && nghttp2_session_check_request_allowed(session_) != 0;
}

uint32_t TH2Session::StreamLimit() const
{
    return std::min(nghttp2_session_get_remote_settings(session_, NGHTTP2_SETTINGS_MAX_CONCURRENT_STREAMS),
                    kMaxStreams);
}

int32_t TH2Session::Submit(const std::vector<TH2Field> &fields, TStreamSink &sink)
{
    if (!Accepts())
        throw EH2Error(QString(kH2NoNewStream));
    std::vector<nghttp2_nv> nva;
    nva.reserve(fields.size());
    auto stream = std::make_unique<TStream>();
    stream->Sink = &sink;
    for (const TH2Field &field : fields) {
        // nghttp2 copies the names and values.
        nva.push_back({reinterpret_cast<uint8_t *>(const_cast<char *>(field.Name.constData())),
                       reinterpret_cast<uint8_t *>(const_cast<char *>(field.Value.constData())),
                       static_cast<size_t>(field.Name.size()), static_cast<size_t>(field.Value.size()),
                       NGHTTP2_NV_FLAG_NONE});
        if (field.Name == ":method" && field.Value == "HEAD")
            stream->Head = true;
    }
    const int32_t id = nghttp2_submit_request(session_, nullptr, nva.data(), nva.size(), nullptr, nullptr);
    if (id < 0)
        throw EH2Error(H2ConnectionErrorText(QString::fromLatin1(nghttp2_strerror(id))));
    streams_.emplace(id, std::move(stream));
    return id;
}

void TH2Session::Reset(int32_t stream)
{
    if (dead_ || !StreamOf(stream))
        return;
    nghttp2_submit_rst_stream(session_, NGHTTP2_FLAG_NONE, stream, NGHTTP2_CANCEL);
    End(stream, {TH2EndKind::Canceled, NGHTTP2_CANCEL, {}, {}});
}

void TH2Session::GoAway()
{
    if (dead_)
        return;
    while (!streams_.empty())
        End(streams_.begin()->first, {TH2EndKind::Canceled, NGHTTP2_CANCEL, {}, {}});
    nghttp2_submit_goaway(session_, NGHTTP2_FLAG_NONE, nghttp2_session_get_last_proc_stream_id(session_),
                          NGHTTP2_NO_ERROR, nullptr, 0);
    try {
        Pull();
    } catch (...) {
    }
    dead_ = true;
    endText_ = QString(kH2ConnectionEnded);
    SendKept();
    CloseChain(true);
}
