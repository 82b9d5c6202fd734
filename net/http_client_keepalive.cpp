// THttpClient: persistent connections. With KeepAlive a pass reuses the
// connection the last pass left open when it leads to the same scheme,
// host, port and proxy; reads the body by its framing (Content-Length or
// chunks), so that the connection stands exactly before the next answer;
// and keeps the connection open when the server says it will. A kept
// connection the server has closed meanwhile is replaced once, at no cost
// to the caller. One client can take over the connection another keeps.
#include "net/http_client.h"

#include "base/errors.h"
#include "net/capture_file.h"
#include "net/response_header.h"
#include "net/socket_errors.h"
#include "net/socket_scopes.h"

#include <utility>

int THttpClient::RunKeptPass()
{
    for (int attempt = 0;; ++attempt) {
        bool reused = false;
        answered_ = false;
        try {
            reused = OpenKeptConnection();
            SendRequest();
            ReplyNumber = 0;
            reusing_ = reused;
            ReadHeader();
            if (!answered_ && CanRetryOnFreshConnection(reused, attempt)) {
                Disconnect();
                continue;
            }
            CaptureFramedBody();
            CheckWholeTlsBody();
        } catch (const ESockError &e) {
            keptOpen_ = false;
            const bool stale = !dynamic_cast<const EAbortError *>(&e) && CanRetryOnFreshConnection(reused, attempt);
            try {
                Disconnect();
            } catch (...) {
            }
            if (stale)
                continue;
            throw;
        } catch (...) {
            keptOpen_ = false;
            try {
                Disconnect();
            } catch (...) {
            }
            throw;
        }
        return FinishKeptPass();
    }
}

// A reused connection that failed before any answer came was most likely
// closed by the server while it waited: one fresh connection, not a failure.
bool THttpClient::CanRetryOnFreshConnection(bool reused, int attempt) const
{
    return reused && attempt == 0 && !answered_ && !TimedOut;
}

// Reuses the kept connection when it leads where this pass goes; else
// closes it and opens a new one. True when reused.
bool THttpClient::OpenKeptConnection()
{
    // The proxy port counts only with a proxy: without one it is never used.
    const bool sameProxy = keptProxy_ == Proxy && (Proxy.isEmpty() || keptProxyPort_ == ProxyPort);
    const bool reuse = keptOpen_ && Connected && IsCurrentOrigin(keptOrigin_) && sameProxy;
    keptOpen_ = false;  // until this pass ends well
    if (reuse) {
        Canceled = false;  // as a connect does: a Stop between files stops nothing
        return true;
    }
    if (Connected)
        Disconnect();
    ConnectAndSecure();
    return false;
}

int THttpClient::FinishKeptPass()
{
    const int status = ReplyNumber;
    ReportOutcome(status);
    // Bytes already here past a whole answer answer nothing we asked: the
    // connection they came on cannot be trusted with the next request.
    keptOpen_ = Connected && serverKeepsOpen_ && bodyFramed_ && HeldCount() == 0;
    if (!keptOpen_) {
        Disconnect();
        return status;
    }
    keptOrigin_ = THttpOrigin{Host, Port, SecureRequest};
    keptProxy_ = Proxy;
    keptProxyPort_ = ProxyPort;
    return status;
}

void THttpClient::TakeKeptConnection(THttpClient &from)
{
    if (&from == this || running_ || from.running_ || !from.keptOpen_ || !from.Connected)
        return;
    keptOpen_ = false;
    if (Connected) {
        try {
            Disconnect();
        } catch (...) {
        }
    }
    TakeConnectionOf(from);
    from.keptOpen_ = false;
    keptOpen_ = true;
    keptOrigin_ = from.keptOrigin_;
    keptProxy_ = from.keptProxy_;
    keptProxyPort_ = from.keptProxyPort_;
}

void THttpClient::OpenKept(const QByteArray &url)
{
    const TRunning running(running_);
    URL = url;
    SplitURL();
    try {
        OpenKeptConnection();
    } catch (...) {
        keptOpen_ = false;
        throw;
    }
    keptOpen_ = Connected;
    keptOrigin_ = THttpOrigin{Host, Port, SecureRequest};
    keptProxy_ = Proxy;
    keptProxyPort_ = ProxyPort;
}

THeaderLines THttpClient::RequestLines(const QByteArray &url)
{
    if (running_)
        throw ESockError(QStringLiteral("Already connected"));
    struct Restore {
        bool &flag;
        bool value;
        ~Restore() { flag = value; }
    } restore{KeepAlive, std::exchange(KeepAlive, true)};
    URL = url;
    Command = CmdGet;
    TakeResumeRequest();
    SplitURL();
    requestOrigin_ = THttpOrigin{Host, Port, SecureRequest};
    BuildHeader();
    return HeaderList;
}

// Answers that carry no body whatever their header says.
bool THttpClient::HasNoBody() const
{
    return Command == CmdHead || (ReplyNumber >= 100 && ReplyNumber <= 199) || ReplyNumber == 204
        || ReplyNumber == 304;
}

void THttpClient::CaptureFramedBody()
{
    bodyFramed_ = true;
    BytesRecvd = 0;
    const bool redirect = ReplyNumber >= 300 && ReplyNumber <= 399;
    if (InputFileMode && redirect) {
        bodyFramed_ = false;  // left unread, as ever: the connection goes
        return;
    }
    if (InputFileMode && (resumeFrom_ > 0 || ReplyNumber == 206)) {
        CaptureResumed();
        return;
    }
    if (HasNoBody()) {
        if (InputFileMode)
            CaptureFile(Body, 0);
        else
            Body.clear();
        return;
    }
    if (chunked_) {
        CaptureChunkedBody();
        return;
    }
    if (InputFileMode) {
        bodyFramed_ = ContentLength >= 0;
        CaptureFile(Body, ContentLength);
        return;
    }
    if (ContentLength < 0) {
        bodyFramed_ = false;
        CaptureBody();  // to the close, as without KeepAlive
        return;
    }
    const qint32 limit = qMax(MaxPageSize, 0);
    if (ContentLength > limit) {
        Body.clear();
        throw ESockError(kPageTooLarge);
    }
    Body.clear();
    CaptureCount(ContentLength, [this](const char *data, qsizetype size) { Body.append(data, size); });
}

// A chunked body, decoded into the file or the page (within MaxPageSize),
// with or without KeepAlive: the chunk lines never reach what is saved.
void THttpClient::CaptureChunkedBody()
{
    BytesRecvd = 0;
    if (InputFileMode) {
        TCaptureFile file(Body, CreateNewFiles);
        CaptureChunks([&file](const char *data, qsizetype size) { file.Write(data, size); });
        file.Close();
        return;
    }
    Body.clear();
    const qint32 limit = qMax(MaxPageSize, 0);
    CaptureChunks([this, limit](const char *data, qsizetype size) {
        if (Body.size() + size > limit) {
            Body.clear();
            throw ESockError(kPageTooLarge);
        }
        Body.append(data, size);
    });
}

// Chunk lines, data and line ends up to the last chunk and the trailer
// lines after it (ignored, as are chunk extensions).
void THttpClient::CaptureChunks(const std::function<void(const char *, qsizetype)> &take)
{
    for (;;) {
        const QByteArray line = ReadLn();
        const std::optional<qint64> size = ChunkSizeOf(line);
        if (!size)
            throw ESockError(kChunkedBodyBroken + QStringLiteral(": no chunk size"));
        if (*size == 0)
            break;
        if (CaptureCount(*size, take) < *size)
            throw ESockError(kChunkedBodyBroken + QStringLiteral(": the connection ended"));
        const QByteArray end = ReadLn();
        if (end != "\r\n" && end != "\n")
            throw ESockError(kChunkedBodyBroken + QStringLiteral(": no line end after a chunk"));
    }
    for (int lines = 0;;) {
        const QByteArray trailer = ReadHeaderLine(lines);
        if (trailer.isEmpty()) {
            bodyFramed_ = false;  // closed right after the last chunk
            return;
        }
        if (EndsHeaderBlock(trailer))
            return;
    }
}

// Exactly count bytes of the body (fewer when the server closes first).
qint64 THttpClient::CaptureCount(qint64 count, const std::function<void(const char *, qsizetype)> &take)
{
    qint64 got = 0;
    {
        TimerScope timer(*this);
        CaptureBlocks(
            [&](const char *data, qsizetype size) {
                take(data, size);
                got += size;
            },
            [&]() -> qsizetype { return qsizetype(qMin<qint64>(count - got, kBufferSize)); });
    }
    if (Canceled) {
        Canceled = false;
        throw EAbortError(InputFileMode ? QString(kSocketSendAborted) : QStringLiteral("Socket capture aborted"));
    }
    return got;
}
