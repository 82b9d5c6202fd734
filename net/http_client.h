// THttpClient: the HTTP/1.0 client. Every request opens its own
// connection, sends one request and reads until the server closes; the body
// ends where the connection ends. An "https" address runs the request over
// TLS (see TSocketConnection::StartTls); through a proxy it first asks the
// proxy for a tunnel (CONNECT) to the host and port.
//
// Redirects (RFC 9110, 15.4): 300, 301, 302, 303, 307 and 308 with a
// Location are followed, the method kept (a 303 asks with GET), at most
// kMaxPasses passes per request (past that the request ends with
// OnFailure). A relative Location is resolved against the address of the
// request that got it (RFC 3986), so it keeps that scheme, host and port.
// Any other 3xx (304, 305, 306, 309 and up), or one without a Location,
// ends the request at once with OnFailure. A Location the client cannot
// use (not http or https, no host, a user name, a bad port, control bytes)
// raises EAddressError (kUnusableRedirect) before any connection. After
// the request URL is the address that answered last.
//
// Events are std::function members, as in TSocketConnection; for one
// successful Get they come in this order: OnAboutToSend, OnHostResolved
// (only when a name was looked up), OnConnect (for https once the TLS
// handshake has succeeded: a failed handshake fires none), OnPacketRecvd per received
// block, OnDisconnect (the server's close), OnSuccess(Cmd), the status
// "Transaction Completed" (level 2), OnDisconnect (the client's close).
// An error status (400 and above) fires OnFailure and, for 401,
// OnAuthenticationNeeded; 300..398 fire OnRedirect, whose Handled stops
// the request.
//
// Credentials go only to the scheme, host and port they were given for
// (CredentialsOrigin; unset, the request's first address), redirects
// included, so credentials given for an https address never travel over
// plain http; a cookie taken from a redirect goes only to the scheme, host
// and port that set it.
#pragma once

#include "net/cookie_jar.h"
#include "net/header_lines.h"
#include "net/range_request.h"
#include "net/socket_connection.h"
#include "net/tunnel_transport.h"

#include <memory>
#include <optional>

using CmdType = quint8;

// The text of the ESockError that refuses a page larger than
// THttpClient::MaxPageSize.
inline constexpr QLatin1StringView kPageTooLarge{"Page larger than 256 MiB"};

// The ESockError of a header block (or a proxy's answer, or a chunked
// body's trailer) of more than THttpClient::kMaxHeaderLines lines: a server
// that sends header lines for ever would otherwise never let go.
inline constexpr QLatin1StringView kHeaderBlockTooLong{"Header block too long"};

// The ESockError of a TLS stream that ended without close_notify before the
// announced length, or with none announced: the body may be cut short.
inline constexpr QLatin1StringView kTlsEndWithoutNotify{"ended without close_notify"};

// A scheme, host and port: where credentials or a redirect's cookie belong.
struct THttpOrigin {
    QByteArray Host;
    qint32 Port = 0;
    bool Secure = false;
};

// The request header values.
class THeaderInfo {
public:
    QByteArray LocalMailAddress;
    QByteArray LocalProgram;
    QByteArray Cookie;
    QByteArray Referer;
    QByteArray UserId;
    QByteArray Password;
};

class THttpClient : public TSocketConnection {
    Q_OBJECT
public:
    enum : CmdType {
        CmdGet = 0, CmdOptions = 1, CmdHead = 2, CmdPost = 3, CmdPut = 4, CmdPatch = 5,
        CmdCopy = 6, CmdMove = 7, CmdDelete = 8, CmdLink = 9, CmdUnlink = 10, CmdTrace = 11,
        CmdSendBody = 12,
    };
    static constexpr int kMaxPasses = 20;
    static constexpr int kMaxHeaderLines = 1000;
    static constexpr qint32 kDefaultMaxPageSize = 256 * 1024 * 1024;

    using TResultEvent = std::function<void(THttpClient *Sender, CmdType Cmd)>;

    explicit THttpClient(QObject *owner = nullptr);

    // Sets EventArrived and cancels the running operation; no status text.
    void Abort() override;

    virtual void ExecuteCommand();
    virtual void SplitURL();
    virtual void BuildHeader();
    virtual void ReadHeader();
    virtual void SendRequest();

    virtual void Options(const QByteArray &url);
    virtual void Get(const QByteArray &url);
    virtual void Post(const QByteArray &url, const QByteArray &data);
    virtual void Put(const QByteArray &url, const QByteArray &data);
    virtual void Head(const QByteArray &url);
    virtual void Patch(const QByteArray &url, const QByteArray &data);
    virtual void Delete(const QByteArray &url);
    virtual void Trace(const QByteArray &url, const QByteArray &data);
    virtual void Copy(const QByteArray &url, const QByteArray &target);
    virtual void Move(const QByteArray &url, const QByteArray &target);
    virtual void Link(const QByteArray &url, const QByteArray &link);
    virtual void Unlink(const QByteArray &url, const QByteArray &link);
    virtual void SendBody(const QByteArray &url, const QByteArray &data);

    // With InputFileMode false the response body, else the body's file name.
    QByteArray Body = "Default.htm";
    // With OutputFileMode false the response header block, else its file name.
    QByteArray Header = "Head.txt";
    QByteArray Path;
    THeaderLines HeaderList;
    QByteArray Location;
    // The response's Content-Length; -1 when it gave none. A body captured
    // into a file ends there (what the server sends beyond it is dropped).
    qint64 ContentLength = -1;
    THeaderInfo HeaderInfo;
    QByteArray SetCookie;
    // The run's cookies, shared with other clients; null: none kept. Each
    // request carries those that go to its address (one Cookie line, after
    // HeaderInfo.Cookie's), each answer's Set-Cookie lines go into it.
    std::shared_ptr<TCookieJar> CookieJar;
    bool InputFileMode = false;
    // The largest body kept in memory (InputFileMode false). A larger one,
    // announced or arriving (a body that never ends), ends the request with
    // ESockError kPageTooLarge and leaves Body empty.
    qint32 MaxPageSize = kDefaultMaxPageSize;
    bool OutputFileMode = false;
    bool EncodePostData = true;
    QByteArray SendData;
    QByteArray HeaderArgument;
    QByteArray URL;
    CmdType Command = CmdGet;
    // Whether the pass runs over TLS (an "https" address), as SplitURL found.
    bool SecureRequest = false;
    // Persistent connections: requests are HTTP/1.1 (Host with its port when
    // not the scheme's default), a response ends at its Content-Length or
    // its last chunk, and the connection stays open for the next request to
    // the same scheme, host and port (and proxy). Off: HTTP/1.0, one
    // connection per request, the bytes as ever.
    bool KeepAlive = false;

    // Takes over the connection from keeps open (KeepAlive) for this
    // client's next requests, with where it leads: it serves them as this
    // client's own kept connection would, only for the same scheme, host,
    // port and proxy, and one the server closed meanwhile is replaced once
    // on the next request. A connection this client keeps is closed first.
    // from keeps none afterwards. Does nothing when from keeps none or
    // either client runs a request.
    void TakeKeptConnection(THttpClient &from);
    // Opens (for https: through the handshake) the connection a request to
    // url would use, and keeps it for this client's next request there, as
    // a request with KeepAlive would have left it; one kept for that origin
    // already is kept as it is. Sends nothing. Raises what a connect raises;
    // "Already connected" while a request runs.
    void OpenKept(const QByteArray &url);
    // The request block a GET of url would send first (the request line,
    // Host with its port, the Accept lines, User-Agent, From, Cookie with
    // the jar's, Referer, Authorization only to its origin ...), as with
    // KeepAlive on, whatever KeepAlive says; nothing is sent and the
    // client's KeepAlive stays. For a protocol that sends the same fields
    // its own way (HTTP/2 streams). Raises "Already connected" while a
    // request runs.
    THeaderLines RequestLines(const QByteArray &url);

    // Resuming a file (docs/net.md, "Resuming a transfer"). For the next
    // request only, and only for a Get into a file (InputFileMode true):
    // every request takes both fields and clears them as it starts. With
    // ResumeFrom > 0 the file Body must exist and hold the first ResumeFrom
    // bytes; with a validator IsResumeValidator accepts (ResumeValidatorOf
    // the earlier answer) the request asks for the rest ("Range: bytes=N-",
    // "If-Range: <validator>"), on redirects only to the first address's
    // scheme, host and port. A 206 that continues at ResumeFrom is added to
    // the end of the file (a regular file of exactly ResumeFrom bytes, else
    // EResumeError FileChanged); any other 2xx is the whole file, written
    // over it from the start; a 206 starting elsewhere or broken raises
    // EResumeError and leaves the file as it was, and so does any other
    // status (its body is not written). CreateNewFiles does not apply.
    qint64 ResumeFrom = -1;
    QByteArray ResumeValidator;
    // The complete length the earlier answers gave (-1: unknown); taken and
    // cleared with ResumeFrom. A 206 whose Content-Range gives another
    // complete length raises EResumeError TotalChanged before a byte is
    // written.
    qint64 ResumeTotal = -1;
    // After a request: whether its body went to the end of the existing
    // file (set once the file was found fit, so also when the body then
    // broke off: the file then holds ResumeFrom + BytesRecvd bytes). A
    // resumed answer's ContentLength is its own length (that of its range
    // when it gave none), BytesRecvd the bytes of this answer.
    bool Resumed = false;
    // After a request: the complete length from a 206's Content-Range; -1
    // when unknown ("*") or not resumed.
    qint64 CompleteLength = -1;

    // The scheme, host and port the credentials (HeaderInfo.UserId and Password)
    // were given for: Authorization goes only to requests there. Unset: the
    // first address of each request.
    std::optional<THttpOrigin> CredentialsOrigin;
    // Where a request for url goes (scheme, host and port, as SplitURL finds them);
    // an address that cannot be split gives an empty host, which no request
    // has.
    static THttpOrigin OriginOf(const QByteArray &url);

    TResultEvent OnSuccess;
    TResultEvent OnFailure;
    TNotifyEvent OnAboutToSend;
    THandlerEvent OnRedirect;
    TNotifyEvent OnAuthenticationNeeded;

private:
    void Run(CmdType command, const QByteArray &url);
    int RunPass();
    void CaptureBody();
    // The next line of a header block, the lines-th; raises
    // kHeaderBlockTooLong past kMaxHeaderLines.
    QByteArray ReadHeaderLine(int &lines);
    // Answers as the standards frame them (http_client_headers.cpp,
    // http_client_keepalive.cpp; failures in answer_errors.h).
    QByteArray ReadStatusLine(int &lines);
    void TakeFraming(const std::optional<QByteArray> &coding, const std::optional<QByteArray> &lengths);
    void CaptureChunkedBody();
    // Persistent connections (http_client_keepalive.cpp).
    int RunKeptPass();
    bool OpenKeptConnection();
    bool CanRetryOnFreshConnection(bool reused, int attempt) const;
    int FinishKeptPass();
    void ReportOutcome(int status);
    void CaptureFramedBody();
    bool HasNoBody() const;
    void CaptureChunks(const std::function<void(const char *, qsizetype)> &take);
    qint64 CaptureCount(qint64 count, const std::function<void(const char *, qsizetype)> &take);
    void ConnectAndSecure();
    void CheckWholeTlsBody();
    void TakeRedirect(int status, bool &stop);
    bool FollowRedirect(int status);
    QByteArray RequestAddress() const;
    bool IsCurrentOrigin(const THttpOrigin &origin) const;
    void AddCredentials();
    void AddContentLength();
    // Resuming (http_client_resume.cpp).
    void TakeResumeRequest();
    void AddRange();
    void CaptureResumed();
    void AppendRange();
    void RewriteWhole();
    TContentRange CheckedRange() const;
    void CaptureInto(const std::function<void(const char *, qsizetype)> &take, qint64 limit);

    bool running_ = false;
    // Marks a request (or an opening) running for its lifetime; raises
    // "Already connected" when one runs already.
    class TRunning {
    public:
        explicit TRunning(bool &running);
        ~TRunning() { running_ = false; }
        TRunning(const TRunning &) = delete;
        TRunning &operator=(const TRunning &) = delete;

    private:
        bool &running_;
    };
    // The last response's framing and the server's word on the connection.
    bool chunked_ = false;
    bool serverKeepsOpen_ = false;
    bool answered_ = false;    // an answer began (ReadHeader says when)
    bool bodyFramed_ = false;  // the body ended by its framing, not by the close
    bool reusing_ = false;     // this kept pass runs on the connection the last one left
    // The connection kept open after the last pass, and where it leads.
    bool keptOpen_ = false;
    THttpOrigin keptOrigin_;
    QByteArray keptProxy_;
    qint32 keptProxyPort_ = 0;
    std::optional<THttpOrigin> requestOrigin_;  // the running request's first address
    // The running request's resume point (ResumeFrom, ResumeValidator taken).
    qint64 resumeFrom_ = -1;
    QByteArray resumeValidator_;
    qint64 resumeTotal_ = -1;
    bool rangeSent_ = false;      // this pass asked for a range
    QByteArray contentRange_;     // the last answer's Content-Range; null when none
    QByteArray redirectCookie_;
    THttpOrigin cookieOrigin_;
};
