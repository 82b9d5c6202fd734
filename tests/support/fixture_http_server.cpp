#include "tests/support/fixture_http_server.h"

#include "tests/support/loopback_sockets.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr qsizetype kMaxRequestBytes = 1 << 20;

QByteArray PathOfRequest(const QByteArray &request)
{
    const qsizetype lineEnd = request.indexOf('\n');
    const QList<QByteArray> words = request.left(lineEnd).trimmed().split(' ');
    if (words.size() < 2)
        return QByteArray();
    QByteArray target = words[1];
    if (target.startsWith("http://")) {
        const qsizetype slash = target.indexOf('/', 7);
        target = slash < 0 ? QByteArray("/") : target.mid(slash);
    }
    return target;
}

qsizetype ContentLengthOf(const QByteArray &head)
{
    for (const QByteArray &line : head.split('\n')) {
        if (line.toLower().startsWith("content-length:"))
            return line.mid(15).trimmed().toLongLong();
    }
    return 0;
}

// OpenSSL's queued reasons after what, for an exception; empties the queue.
std::string OpenSslFailure(const std::string &what)
{
    std::string message = "fixture: " + what;
    while (const unsigned long code = ERR_get_error()) {
        char text[256];
        ERR_error_string_n(code, text, sizeof text);
        message += std::string("; ") + text;
    }
    return message;
}

}  // namespace

// One accepted connection's byte stream as the serving code uses it. This
// base class is the plain socket: the calls made here are the plain
// server's system calls, unchanged.
class FixtureConnection {
public:
    explicit FixtureConnection(int fd) : fd_(fd) {}
    virtual ~FixtureConnection() = default;
    FixtureConnection(const FixtureConnection &) = delete;
    FixtureConnection &operator=(const FixtureConnection &) = delete;

    int Fd() const { return fd_; }
    // Sends all of it; false when the peer has gone.
    virtual bool Send(const char *data, qsizetype size) { return SendAll(fd_, data, size); }
    // Bytes received (> 0), or <= 0 at the peer's end or a failure.
    virtual qsizetype Receive(char *data, qsizetype size)
    {
        return ::recv(fd_, data, size_t(size), 0);
    }
    // Received bytes ready to read without a byte more from the socket, so
    // polling the socket would not show them.
    virtual bool Buffered() const { return false; }
    // The ordinary end: the end of the stream (TLS: close_notify first),
    // then a TCP end of sending. The socket is closed by the caller.
    virtual void EndOrderly() { ::shutdown(fd_, SHUT_WR); }
    // A TCP end of sending with no close_notify.
    void EndWithoutCloseNotify() { ::shutdown(fd_, SHUT_WR); }
    // The coming close sends a reset.
    void EndWithReset()
    {
        const linger reset{1, 0};
        setsockopt(fd_, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    }

protected:
    const int fd_;
};

namespace {

// A connection after a completed TLS handshake: the same stream through
// OpenSSL's records on the blocking socket.
class TlsConnection final : public FixtureConnection {
public:
    TlsConnection(int fd, SSL *ssl) : FixtureConnection(fd), ssl_(ssl) {}
    ~TlsConnection() override { SSL_free(ssl_); }  // the socket stays open

    bool Send(const char *data, qsizetype size) override
    {
        while (size > 0 && !failed_) {
            const int chunk = int(std::min<qsizetype>(size, 16384));
            const int n = SSL_write(ssl_, data, chunk);
            if (n <= 0) {
                failed_ = true;
                break;
            }
            data += n;
            size -= n;
        }
        return !failed_;
    }

    qsizetype Receive(char *data, qsizetype size) override
    {
        if (failed_)
            return -1;
        const int n = SSL_read(ssl_, data, int(std::min<qsizetype>(size, 1 << 30)));
        if (n > 0)
            return n;
        if (SSL_get_error(ssl_, n) != SSL_ERROR_ZERO_RETURN)
            failed_ = true;  // a broken stream; a clean close_notify is 0
        return n < 0 ? -1 : 0;
    }

    bool Buffered() const override { return SSL_pending(ssl_) > 0; }

    void EndOrderly() override
    {
        // One close_notify, without waiting for the peer's; not after a
        // failure, when OpenSSL would refuse it anyway.
        if (!failed_)
            SSL_shutdown(ssl_);
        ::shutdown(fd_, SHUT_WR);
    }

private:
    SSL *const ssl_;
    bool failed_ = false;
};

}  // namespace

FixtureResponse FixtureResponse::Ok(const QByteArray &body, const QByteArray &contentType)
{
    return Status(200, "OK",
                  {"Content-Type: " + contentType,
                   "Content-Length: " + QByteArray::number(body.size())},
                  body);
}

FixtureResponse FixtureResponse::Status(int code, const QByteArray &reason,
                                        const QList<QByteArray> &headerLines,
                                        const QByteArray &body)
{
    FixtureResponse response;
    response.Head = "HTTP/1.0 " + QByteArray::number(code) + " " + reason + "\r\n";
    for (const QByteArray &line : headerLines)
        response.Head += line + "\r\n";
    response.Head += "\r\n";
    response.Body = body;
    return response;
}

FixtureResponse FixtureResponse::Redirect(int code, const QByteArray &location,
                                          const QByteArray &setCookie)
{
    QList<QByteArray> lines{"Location: " + location};
    if (!setCookie.isEmpty())
        lines << "Set-Cookie: " + setCookie;
    return Status(code, "Moved", lines, "moved\n");
}

FixtureResponse FixtureResponse::Raw(const QByteArray &bytes)
{
    FixtureResponse response;
    response.Head = bytes;
    return response;
}

FixtureResponse FixtureResponse::KeptOk(const QByteArray &body)
{
    FixtureResponse response;
    response.Head = "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
    response.Body = body;
    response.KeepOpen = true;
    return response;
}

FixtureResponse FixtureResponse::KeptRaw(const QByteArray &bytes)
{
    FixtureResponse response = Raw(bytes);
    response.KeepOpen = true;
    return response;
}

namespace {

// The value of the request's header line name (exact case, as the client
// sends it); null when there is none.
QByteArray RequestHeader(const QByteArray &request, const QByteArray &name)
{
    const QByteArray key = "\r\n" + name + ": ";
    const qsizetype at = request.indexOf(key);
    if (at < 0)
        return QByteArray();
    const qsizetype from = at + key.size();
    return request.mid(from, request.indexOf("\r\n", from) - from);
}

QByteArray InChunks(const QByteArray &body)
{
    QByteArray chunks;
    for (qsizetype at = 0; at < body.size(); at += 1000) {
        const QByteArray piece = body.mid(at, 1000);
        chunks += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
    }
    return chunks + "0\r\n\r\n";
}

}  // namespace

FixtureResponse FixtureRangeFile::Answer(const QByteArray &request) const
{
    const QByteArray range = RequestHeader(request, "Range");
    const QByteArray ifRange = RequestHeader(request, "If-Range");
    qint64 from = -1;
    if (range.startsWith("bytes=") && range.endsWith('-'))
        from = range.mid(6, range.size() - 7).toLongLong();
    const bool current = ifRange.isNull() || (!ETag.isEmpty() && ifRange == ETag)
                      || (!LastModified.isEmpty() && ifRange == LastModified);
    const bool partial = !IgnoreRanges && current && from > 0 && from < Body.size();
    const qint64 start = partial ? qBound<qint64>(0, from + ShiftStart, Body.size() - 1) : 0;
    const QByteArray body = Body.mid(start);
    FixtureResponse response;
    response.Head = (KeepOpen ? "HTTP/1.1 " : "HTTP/1.0 ") + QByteArray(partial ? "206 Partial Content" : "200 OK") + "\r\n";
    if (!ETag.isEmpty())
        response.Head += "ETag: " + ETag + "\r\n";
    if (!LastModified.isEmpty())
        response.Head += "Last-Modified: " + LastModified + "\r\nDate: Tue, 08 Dec 2026 12:00:00 GMT\r\n";
    if (partial)
        response.Head += "Content-Range: "
                       + (ContentRange.isEmpty() ? "bytes " + QByteArray::number(start) + '-'
                                                       + QByteArray::number(Body.size() - 1) + '/'
                                                       + QByteArray::number(Body.size())
                                                 : ContentRange)
                       + "\r\n";
    response.Head += Chunked ? "Transfer-Encoding: chunked\r\n\r\n"
                             : "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
    response.Body = Chunked ? InChunks(body) : body;
    response.KeepOpen = KeepOpen;
    return response;
}

FixtureHttpServer::FixtureHttpServer() { Start(); }

FixtureHttpServer::FixtureHttpServer(const FixtureTls &tls)
{
    SSL_CTX *context = SSL_CTX_new(TLS_server_method());
    if (!context)
        throw std::runtime_error(OpenSslFailure("SSL_CTX_new failed"));
    // Unless asked for, no session tickets and no session cache: every
    // connection makes a full handshake, so a client checks the
    // certificate every time.
    if (!tls.Resumable) {
        SSL_CTX_set_options(context, SSL_OP_NO_TICKET);
        SSL_CTX_set_num_tickets(context, 0);
        SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_OFF);
    }
    if (SSL_CTX_use_certificate_chain_file(context, tls.CertFile.constData()) != 1
        || SSL_CTX_use_PrivateKey_file(context, tls.KeyFile.constData(), SSL_FILETYPE_PEM) != 1
        || SSL_CTX_check_private_key(context) != 1) {
        const std::string message = OpenSslFailure("cannot load " + tls.CertFile.toStdString()
                                                   + " and " + tls.KeyFile.toStdString());
        SSL_CTX_free(context);
        throw std::runtime_error(message);
    }
    alpn_ = tls.Alpn;
    SSL_CTX_set_alpn_select_cb(context, &FixtureHttpServer::SelectProtocol, this);
    tlsContext_ = context;
    try {
        Start();
    } catch (...) {
        SSL_CTX_free(context);
        throw;
    }
}

void FixtureHttpServer::Start()
{
    listenFd_ = BoundLoopbackSocket(port_);
    if (::listen(listenFd_, 64) != 0 || ::pipe2(wakePipe_, O_CLOEXEC) != 0)
        throw std::runtime_error("fixture: listen failed");
    InstallDefaultRoutes();
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

FixtureHttpServer::~FixtureHttpServer()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (int fd : openFds_)
            ::shutdown(fd, SHUT_RDWR);
    }
    stopped_.notify_all();
    (void)!::write(wakePipe_[1], "x", 1);
    acceptThread_.join();
    for (std::thread &t : connections_)
        t.join();
    ::close(listenFd_);
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
    SSL_CTX_free(tlsContext_);
}

QByteArray FixtureHttpServer::Url(const QByteArray &path) const
{
    return (tlsContext_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + QByteArray::number(port_)
           + path;
}

void FixtureHttpServer::Route(const QByteArray &path, const FixtureResponse &response)
{
    Route(path, [response](const QByteArray &) { return response; });
}

void FixtureHttpServer::Route(const QByteArray &path, const FixtureRangeFile &file)
{
    Route(path, [file](const QByteArray &request) { return file.Answer(request); });
}

void FixtureHttpServer::Route(const QByteArray &path, Handler handler)
{
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(handler);
}

std::vector<QByteArray> FixtureHttpServer::Requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

QByteArray FixtureHttpServer::LastRequest() const
{
    std::lock_guard lock(mutex_);
    return requests_.empty() ? QByteArray() : requests_.back();
}

int FixtureHttpServer::RequestCount() const
{
    std::lock_guard lock(mutex_);
    return int(requests_.size());
}

void FixtureHttpServer::ClearRequests()
{
    std::lock_guard lock(mutex_);
    requests_.clear();
}

int FixtureHttpServer::ConnectionCount() const
{
    std::lock_guard lock(mutex_);
    return connectionCount_;
}

int FixtureHttpServer::MostConcurrent() const
{
    std::lock_guard lock(mutex_);
    return mostConcurrent_;
}

int FixtureHttpServer::ResumedCount() const
{
    std::lock_guard lock(mutex_);
    return resumed_;
}

// Called only for a ClientHello with ALPN: records the offer, chooses.
int FixtureHttpServer::SelectProtocol(SSL *, const unsigned char **out, unsigned char *outLength,
                                      const unsigned char *in, unsigned int inLength, void *server)
{
    auto *self = static_cast<FixtureHttpServer *>(server);
    QList<QByteArray> offered;
    for (unsigned int at = 0; at < inLength && at + 1 + in[at] <= inLength; at += 1 + in[at])
        offered << QByteArray(reinterpret_cast<const char *>(in + at + 1), in[at]);
    {
        std::lock_guard lock(self->mutex_);
        self->alpnOffers_.push_back(offered.join(','));
    }
    for (const QByteArray &accepted : self->alpn_) {
        for (unsigned int at = 0; at < inLength && at + 1 + in[at] <= inLength; at += 1 + in[at]) {
            if (QByteArray(reinterpret_cast<const char *>(in + at + 1), in[at]) == accepted) {
                *out = in + at + 1;
                *outLength = in[at];
                return SSL_TLSEXT_ERR_OK;
            }
        }
    }
    return SSL_TLSEXT_ERR_NOACK;
}

std::vector<QByteArray> FixtureHttpServer::AlpnOffers() const
{
    std::lock_guard lock(mutex_);
    return alpnOffers_;
}

int FixtureHttpServer::HandshakeCount() const
{
    std::lock_guard lock(mutex_);
    return handshakes_;
}

int FixtureHttpServer::HandshakeFailures() const
{
    std::lock_guard lock(mutex_);
    return handshakeFailures_;
}

bool FixtureHttpServer::WaitForHandshakeFailures(int atLeast, int timeoutMs) const
{
    std::unique_lock lock(mutex_);
    return handshakeEnded_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                    [&] { return handshakeFailures_ >= atLeast; });
}

void FixtureHttpServer::InstallDefaultRoutes()
{
    const QByteArray hello = "Hello, world\n";
    Route("/ok", FixtureResponse::Ok(hello));
    Route("/no-length", FixtureResponse::Status(200, "OK", {"Content-Type: text/plain"}, hello));
    Route("/not-found", FixtureResponse::Status(404, "Not Found", {"Content-Type: text/html"},
                                                "<html>no such page</html>"));
    Route("/unauthorized",
          FixtureResponse::Status(401, "Unauthorized", {"WWW-Authenticate: Basic realm=\"x\""},
                                  "<html>who are you?</html>"));
    Route("/redirect-with-cookie",
          FixtureResponse::Redirect(302, Url("/ok"), "session=abc123; Path=/"));
    Route("/redirect-loop", FixtureResponse::Redirect(302, Url("/redirect-loop")));
    Route("/no-status-line", FixtureResponse::Raw(QByteArray()));
    Route("/junk-status-line", FixtureResponse::Raw("\x01\xff\xfe junk \x7f\r\n\r\nbody after junk"));
    Route("/huge-header-line",
          FixtureResponse::Raw("HTTP/1.0 200 OK\r\nX-Huge: " + QByteArray(70000, 'h')
                               + "\r\n\r\nbody"));
    FixtureResponse never;
    never.NeverAnswer = true;
    Route("/never-answer", never);
    FixtureResponse slow = FixtureResponse::Ok(hello);
    slow.DelayMs = 1500;
    Route("/slow", slow);
    FixtureResponse trickle = FixtureResponse::Ok(QByteArray(64, 't'));
    trickle.TrickleMs = 2;
    Route("/trickle", trickle);
    Route("/cut-short", FixtureResponse::Raw("HTTP/1.0 200 OK\r\nContent-Le"));
    Route("/length-too-long",
          FixtureResponse::Status(200, "OK", {"Content-Length: 1000"}, QByteArray(100, 'L')));
    Route("/length-too-short",
          FixtureResponse::Status(200, "OK", {"Content-Length: 5"}, QByteArray(100, 'S')));
    FixtureResponse reset =
        FixtureResponse::Status(200, "OK", {"Content-Length: 200000"}, QByteArray(200000, 'R'));
    reset.CloseAfter = reset.Head.size() + 100000;
    reset.ResetAtClose = true;
    Route("/reset-mid-body", reset);
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 37 + 11) & 0xff);
    junk.replace('\n', 'x');
    Route("/binary-junk", FixtureResponse::Raw(junk));
    FixtureResponse stallInHeader = FixtureResponse::Raw("HTTP/1.0 200");
    stallInHeader.StallAfter = 12;
    Route("/stall-in-header", stallInHeader);
    FixtureResponse stallInBody = FixtureResponse::Status(200, "OK", {"Content-Length: 1000"}, QByteArray(1000, 'b'));
    stallInBody.StallAfter = stallInBody.Head.size() + 10;
    Route("/stall-in-body", stallInBody);
}

void FixtureHttpServer::AcceptLoop()
{
    for (int fd; (fd = AcceptUnlessStopping(listenFd_, wakePipe_[0], stopping_)) >= 0;) {
        std::lock_guard lock(mutex_);
        if (stopping_) {  // the destructor has shut the open sockets already
            ::close(fd);
            return;
        }
        openFds_.insert(fd);
        connections_.emplace_back([this, fd] { Serve(fd); });
    }
}

// The other accepted connections whose client has not closed its end. A
// close on the loopback reaches the socket within the client's call, so a
// connection the client closed before it opened fd counts here as closed,
// even while its thread has not yet noticed.
int FixtureHttpServer::OthersTheClientKeepsOpen(int fd) const
{
    int open = 0;
    for (const int other : openFds_) {
        char byte;
        if (other != fd && ::recv(other, &byte, 1, MSG_PEEK | MSG_DONTWAIT) != 0)
            ++open;
    }
    return open;
}

void FixtureHttpServer::Serve(int fd)
{
    {
        std::lock_guard lock(mutex_);
        ++connectionCount_;
        ++openConnections_;
        mostConcurrent_ = std::max(mostConcurrent_, 1 + OthersTheClientKeepsOpen(fd));
    }
    std::unique_ptr<FixtureConnection> connection = OpenConnection(fd);
    bool first = true;
    for (bool serve = connection != nullptr; serve; first = false) {
        const QByteArray request = ReadRequest(*connection);
        if (request.isEmpty() && !first)
            break;  // a kept connection the client closed or left silent
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        const FixtureResponse response = HandlerFor(request)(request);
        Respond(*connection, response, PathOfRequest(request));
        serve = response.KeepOpen && !request.isEmpty();
    }
    connection.reset();
    if (tlsContext_)
        ERR_clear_error();  // this thread's reasons of a failed handshake or write
    std::lock_guard lock(mutex_);
    --openConnections_;
    openFds_.erase(fd);
    ::close(fd);
}

// The plain socket, or in TLS mode the socket after a completed handshake;
// null when the handshake fails. The handshake blocks, like every read
// here, until the destructor shuts the socket at the latest.
std::unique_ptr<FixtureConnection> FixtureHttpServer::OpenConnection(int fd)
{
    if (!tlsContext_)
        return std::make_unique<FixtureConnection>(fd);
    // OpenSSL writes to the socket with write(), which raises SIGPIPE when
    // the peer has gone; held pending in this thread, it never stops the
    // test program, whatever the program does with the signal.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    SSL *ssl = SSL_new(tlsContext_);
    const bool done = ssl && SSL_set_fd(ssl, fd) == 1 && !stopping_ && SSL_accept(ssl) == 1;
    {
        std::lock_guard lock(mutex_);
        ++(done ? handshakes_ : handshakeFailures_);
        if (done && SSL_session_reused(ssl) == 1)
            ++resumed_;
    }
    handshakeEnded_.notify_all();
    if (!done) {
        SSL_free(ssl);
        return nullptr;
    }
    return std::make_unique<TlsConnection>(fd, ssl);
}

// The request's head and, when it announces one, its body; whatever came
// when the peer stops sending first.
QByteArray FixtureHttpServer::ReadRequest(FixtureConnection &connection)
{
    QByteArray request;
    char block[16384];
    qsizetype wanted = -1;
    while (!stopping_ && request.size() < kMaxRequestBytes) {
        if (wanted < 0) {
            const qsizetype end = request.indexOf("\r\n\r\n");
            if (end >= 0)
                wanted = end + 4 + ContentLengthOf(request.left(end));
        }
        if (wanted >= 0 && request.size() >= wanted)
            break;
        if (!connection.Buffered()) {
            pollfd p{connection.Fd(), POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0)
                break;
        }
        const qsizetype n = connection.Receive(block, sizeof block);
        if (n <= 0)
            break;
        request.append(block, n);
    }
    return request;
}

FixtureHttpServer::Handler FixtureHttpServer::HandlerFor(const QByteArray &request) const
{
    QByteArray path = PathOfRequest(request);
    std::lock_guard lock(mutex_);
    auto it = routes_.find(path);
    if (it == routes_.end())
        it = routes_.find(path.left(path.indexOf('?')));
    if (it != routes_.end())
        return it->second;
    return [](const QByteArray &) {
        return FixtureResponse::Status(404, "Not Found", {}, "not routed");
    };
}

qint64 FixtureHttpServer::BytesSent(const QByteArray &path) const
{
    std::lock_guard lock(mutex_);
    const auto it = pacedSent_.find(path);
    return it == pacedSent_.end() ? -1 : it->second;
}

// Block after block until all is sent or a send fails (the peer has gone).
void FixtureHttpServer::SendPaced(FixtureConnection &connection, const QByteArray &bytes,
                                  const FixtureResponse &response, const QByteArray &path)
{
    {
        std::lock_guard lock(mutex_);
        pacedSent_.erase(path);  // this request's count comes when it ends
    }
    qint64 sent = 0;
    while (sent < bytes.size() && PauseFor(sent == 0 ? 0 : response.PaceMs)) {
        const qint64 block = qMin<qint64>(response.PaceBlock, bytes.size() - sent);
        if (!connection.Send(bytes.constData() + sent, block))
            break;
        sent += block;
    }
    std::lock_guard lock(mutex_);
    pacedSent_[path] = sent;
}

void FixtureHttpServer::Respond(FixtureConnection &connection, const FixtureResponse &response,
                                const QByteArray &path)
{
    if (response.NeverAnswer) {
        HoldUntilPeerCloses(connection);
        return;
    }
    if (!PauseFor(response.DelayMs))
        return;
    QByteArray bytes = response.Head + response.Body;
    if (response.CloseAfter >= 0)
        bytes.truncate(response.CloseAfter);
    if (response.StallAfter >= 0) {
        bytes.truncate(response.StallAfter);
        connection.Send(bytes.constData(), bytes.size());
        HoldUntilPeerCloses(connection);
        return;
    }
    if (response.Endless) {
        if (!connection.Send(bytes.constData(), bytes.size()))
            return;
        while (!response.Body.isEmpty() && !stopping_
               && connection.Send(response.Body.constData(), response.Body.size())) {
        }
        return;  // the peer has gone: nothing to close orderly
    }
    if (response.PaceBlock > 0) {
        SendPaced(connection, bytes, response, path);
    } else if (response.TrickleMs < 0) {
        connection.Send(bytes.constData(), bytes.size());
    } else {
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (!connection.Send(bytes.constData() + i, 1) || !PauseFor(response.TrickleMs))
                return;
        }
    }
    if (!response.Afterwards.isEmpty()
        && (!PauseFor(response.AfterwardsMs)
            || !connection.Send(response.Afterwards.constData(), response.Afterwards.size())))
        return;
    if (response.ResetAtClose)
        connection.EndWithReset();
    else if (response.NoCloseNotify)
        connection.EndWithoutCloseNotify();
    else if (!response.KeepOpen)
        connection.EndOrderly();
}

bool FixtureHttpServer::PauseFor(int ms)
{
    if (ms <= 0)
        return !stopping_;
    std::unique_lock lock(mutex_);
    return !stopped_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_.load(); });
}

void FixtureHttpServer::HoldUntilPeerCloses(FixtureConnection &connection)
{
    char block[4096];
    while (!stopping_) {
        if (connection.Buffered()) {
            if (connection.Receive(block, sizeof block) <= 0)
                return;
            continue;
        }
        pollfd p{connection.Fd(), POLLIN, 0};
        const int ready = ::poll(&p, 1, 50);
        if (ready < 0 && errno != EINTR)
            return;
        if (ready > 0 && connection.Receive(block, sizeof block) <= 0)
            return;
    }
}

RefusingPort::RefusingPort() { fd_ = BoundLoopbackSocket(port_); }

RefusingPort::~RefusingPort() { ::close(fd_); }

UnacceptingListener::UnacceptingListener()
{
    fd_ = BoundLoopbackSocket(port_);
    if (::listen(fd_, 0) != 0)
        throw std::runtime_error("fixture: listen failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port_);
    // Fill the accept queue; connections past it get no answer.
    for (int i = 0; i < 4; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        fillers_.push_back(fd);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

UnacceptingListener::~UnacceptingListener()
{
    for (int fd : fillers_)
        ::close(fd);
    ::close(fd_);
}

SilentListener::SilentListener()
{
    fd_ = BoundLoopbackSocket(port_, 4096);
    if (::listen(fd_, 8) != 0 || ::pipe2(wakePipe_, O_CLOEXEC) != 0)
        throw std::runtime_error("fixture: listen failed");
    thread_ = std::thread([this] { AcceptLoop(); });
}

SilentListener::~SilentListener()
{
    (void)!::write(wakePipe_[1], "x", 1);
    thread_.join();
    for (int fd : accepted_)
        ::close(fd);
    ::close(fd_);
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
}

void SilentListener::AcceptLoop()
{
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents)
            return;
        if (fds[0].revents & POLLIN) {
            const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0)
                accepted_.push_back(fd);
        }
    }
}
