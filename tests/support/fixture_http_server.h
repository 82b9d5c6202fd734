// A scripted HTTP server for tests, shared by every test suite. It runs in
// its own threads (never on the event loop of the thread under test),
// listens on 127.0.0.1 on an ephemeral port, answers each request with the
// behaviour routed to its path, and records the raw bytes of every request.
//
//   FixtureHttpServer server;                        // default routes below
//   server.Route("/page", FixtureResponse::Ok("<html>..."));
//   client.Get(server.Url("/page"));
//   EXPECT_EQ(server.LastRequest(), "GET /page HTTP/1.0\r\n...");
//
// Default routes, named after what they do:
//   /ok                    200, Content-Length, body "Hello, world\n"
//   /no-length             200 without Content-Length
//   /not-found             404 with an error page
//   /unauthorized          401 with a WWW-Authenticate line
//   /redirect-with-cookie  302 to /ok on this server, with Set-Cookie
//   /redirect-loop         302 to itself, for ever
//   /no-status-line        closes at once without a byte
//   /junk-status-line      a status line of binary junk, then a body
//   /huge-header-line      a header line of 70 000 bytes
//   /never-answer          reads the request and never answers
//   /slow                  answers /ok after 1.5 s
//   /trickle               200 with a 64-byte body, one byte every 2 ms
//   /cut-short             the header block broken off, then closed
//   /length-too-long       Content-Length 1000, 100 bytes sent, closed
//   /length-too-short      Content-Length 5, 100 bytes sent
//   /reset-mid-body        half the body, then a reset (RST)
//   /binary-junk           4 KiB of bytes 0..255 with no line structure
//   /stall-in-header       "HTTP/1.0 200" and then silence, connection held
//   /stall-in-body         200, Content-Length 1000, 10 bytes and then silence
// A request for any other path gets 404 "not routed".
//
// Made with a FixtureTls the server speaks HTTPS: each connection first
// completes a TLS handshake (OpenSSL, blocking, in its own thread) with the
// given certificate and key, then is served exactly as above through
// SSL_read and SSL_write, and Url() gives "https://127.0.0.1:<port>...".
// Every response behaviour works the same over TLS; an ordinary end sends
// close_notify before the TCP close, ResetAtClose sends a reset and no
// close_notify, NoCloseNotify a TCP close without close_notify. Session
// tickets and the session cache are off, so every connection makes a full
// handshake and every client checks the certificate every time. A handshake
// that fails (the client rejects the certificate, closes or resets) ends
// that connection; HandshakeFailures() counts those, HandshakeCount() the
// completed ones. The server side sees a client's rejection a moment after
// the client does: wait for it with WaitForHandshakeFailures().
#pragma once

#include <QByteArray>
#include <QList>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

struct FixtureResponse {
    QByteArray Head;            // status line, header lines and blank line, sent as is
    QByteArray Body;
    int DelayMs = 0;            // pause before the first byte
    int TrickleMs = -1;         // >= 0: one byte at a time with this pause
    qint64 CloseAfter = -1;     // >= 0: close after this many bytes of Head + Body
    bool ResetAtClose = false;  // close with a reset instead of an orderly close
    bool NeverAnswer = false;   // say nothing; hold the connection until the peer closes
    qint64 StallAfter = -1;     // >= 0: send this many bytes of Head + Body, then hold
                                // the connection silently until the peer closes
    bool Endless = false;       // after Head + Body send Body again and again until the peer closes
    bool NoCloseNotify = false; // TLS: end with a TCP close and no close_notify (an
                                // unclean end); no difference in plain mode
    bool KeepOpen = false;      // after the answer, serve the next request on the same
                                // connection (until the peer closes or is silent 5 s)
    qint64 PaceBlock = 0;       // > 0: Head + Body in blocks of this many bytes, PaceMs apart,
    int PaceMs = 0;             // until the peer goes; BytesSent(path) tells how far it came
    QByteArray Afterwards;      // sent AfterwardsMs after the answer, before the next
    int AfterwardsMs = 0;       // request is read: stray bytes that come late

    // 200 with Content-Length and the body.
    static FixtureResponse Ok(const QByteArray &body, const QByteArray &contentType = "text/html");
    // Any status; headerLines without line ends; no Content-Length unless given.
    static FixtureResponse Status(int code, const QByteArray &reason,
                                  const QList<QByteArray> &headerLines, const QByteArray &body);
    static FixtureResponse Redirect(int code, const QByteArray &location,
                                    const QByteArray &setCookie = QByteArray());
    static FixtureResponse Raw(const QByteArray &bytes);  // exactly these bytes, then close
    // HTTP/1.1 200 with Content-Length, the connection kept open.
    static FixtureResponse KeptOk(const QByteArray &body);
    // Exactly these bytes (interim answers, several answers, junk), the
    // connection kept open for the next request.
    static FixtureResponse KeptRaw(const QByteArray &bytes);
};

// A file served with ranges, as an HTTP/1.1 server serves it: the whole
// body with 200, ETag and Last-Modified (each when not empty); a request
// with "Range: bytes=N-" (N inside the body) gets 206 with the rest and
// its Content-Range, unless an If-Range is sent that is neither ETag nor
// LastModified (the file has changed: 200 with the whole body). The other
// members script servers that get ranges wrong. Use it with Handler().
struct FixtureRangeFile {
    QByteArray Body;
    QByteArray ETag = "\"v1\"";
    QByteArray LastModified;
    bool IgnoreRanges = false;      // always 200 with the whole body
    qint64 ShiftStart = 0;          // the 206 starts this many bytes off N
    QByteArray ContentRange;        // not empty: sent instead of the right one
    bool Chunked = false;           // the body in chunks of 1000 bytes, no Content-Length
    bool KeepOpen = false;          // HTTP/1.1, the connection kept

    // The response to one request, as described above.
    FixtureResponse Answer(const QByteArray &request) const;
};

// The server certificate (PEM, the leaf first, any intermediates after it)
// and its private key (PEM) of a TLS fixture server.
struct FixtureTls {
    QByteArray CertFile, KeyFile;
    // Gives session tickets, so that a client can resume its sessions
    // (ResumedCount counts the resumed handshakes).
    bool Resumable = false;
    // The protocols the server accepts by ALPN, its preferred first: of
    // those a client offers it chooses its first one it accepts; it
    // chooses none when there is none to choose (empty: never).
    QList<QByteArray> Alpn = {};
};

class FixtureConnection;
struct ssl_ctx_st;
struct ssl_st;

class FixtureHttpServer {
public:
    using Handler = std::function<FixtureResponse(const QByteArray &request)>;

    FixtureHttpServer();   // listening and serving when constructed
    // Serving HTTPS with this certificate and key; throws std::runtime_error
    // when OpenSSL cannot load them.
    explicit FixtureHttpServer(const FixtureTls &tls);
    ~FixtureHttpServer();  // stops every connection and joins the threads
    FixtureHttpServer(const FixtureHttpServer &) = delete;
    FixtureHttpServer &operator=(const FixtureHttpServer &) = delete;

    quint16 Port() const { return port_; }
    // "http://127.0.0.1:<port>" (TLS: "https://...") followed by path.
    QByteArray Url(const QByteArray &path) const;

    // Routes a path (as in the request line; a proxy request's full address
    // is routed by its path) to a fixed response, a handler or a file
    // served with ranges.
    void Route(const QByteArray &path, const FixtureResponse &response);
    void Route(const QByteArray &path, Handler handler);
    void Route(const QByteArray &path, const FixtureRangeFile &file);

    // The raw bytes of every request received so far, in order (thread-safe).
    std::vector<QByteArray> Requests() const;
    QByteArray LastRequest() const;  // empty when none
    int RequestCount() const;
    void ClearRequests();

    // TLS mode: completed and failed handshakes so far (thread-safe).
    int HandshakeCount() const;
    int HandshakeFailures() const;
    int ResumedCount() const;  // completed handshakes that resumed a session
    // What each client that offered ALPN offered, in order, the names
    // joined by ','; a handshake without the extension adds nothing.
    std::vector<QByteArray> AlpnOffers() const;
    int ConnectionCount() const;  // connections accepted so far (thread-safe)
    // The bytes a paced answer (PaceBlock) to path got out before it ended
    // or the peer went, for the last such request; -1 when none (thread-safe).
    qint64 BytesSent(const QByteArray &path) const;
    // The largest number of client connections open at the same moment so
    // far (thread-safe): from the accept until the client closes its end.
    int MostConcurrent() const;
    // Waits up to timeoutMs until HandshakeFailures() >= atLeast; false when
    // it is not reached by then.
    bool WaitForHandshakeFailures(int atLeast, int timeoutMs = 5000) const;

private:
    void Start();
    void InstallDefaultRoutes();
    void AcceptLoop();
    void Serve(int fd);
    std::unique_ptr<FixtureConnection> OpenConnection(int fd);
    QByteArray ReadRequest(FixtureConnection &connection);
    void Respond(FixtureConnection &connection, const FixtureResponse &response, const QByteArray &path);
    void SendPaced(FixtureConnection &connection, const QByteArray &bytes, const FixtureResponse &response,
                   const QByteArray &path);
    bool PauseFor(int ms);  // false when the server stops meanwhile
    void HoldUntilPeerCloses(FixtureConnection &connection);
    Handler HandlerFor(const QByteArray &request) const;

    static int SelectProtocol(ssl_st *ssl, const unsigned char **out, unsigned char *outLength,
                              const unsigned char *in, unsigned int inLength, void *server);

    ssl_ctx_st *tlsContext_ = nullptr;  // null in plain mode
    QList<QByteArray> alpn_;
    std::vector<QByteArray> alpnOffers_;
    int handshakes_ = 0;
    int handshakeFailures_ = 0;
    int resumed_ = 0;
    int connectionCount_ = 0;
    int openConnections_ = 0;
    int mostConcurrent_ = 0;
    int OthersTheClientKeepsOpen(int fd) const;  // under mutex_
    mutable std::condition_variable handshakeEnded_;
    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    quint16 port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::condition_variable stopped_;
    std::map<QByteArray, Handler> routes_;
    std::vector<QByteArray> requests_;
    std::map<QByteArray, qint64> pacedSent_;
    std::set<int> openFds_;
    std::vector<std::thread> connections_;
    std::thread acceptThread_;
};

// A loopback port that refuses every connection (bound, never listening).
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    quint16 Port() const { return port_; }

private:
    int fd_ = -1;
    quint16 port_ = 0;
};

// A loopback listener whose accept queue is full and never served: a new
// connection attempt gets no answer, so a connect waits until its time-out.
class UnacceptingListener {
public:
    UnacceptingListener();
    ~UnacceptingListener();
    quint16 Port() const { return port_; }

private:
    int fd_ = -1;
    quint16 port_ = 0;
    std::vector<int> fillers_;
};

// A loopback listener that accepts and then neither reads nor writes, with
// a small receive buffer, so a client's sends soon block. It is also a TLS
// server that stalls in the handshake: a client's ClientHello is never
// answered, so its handshake waits until its own time-out.
class SilentListener {
public:
    SilentListener();
    ~SilentListener();
    quint16 Port() const { return port_; }

private:
    void AcceptLoop();

    int fd_ = -1;
    int wakePipe_[2] = {-1, -1};
    quint16 port_ = 0;
    std::vector<int> accepted_;
    std::thread thread_;
};
