// THttpClient: the request operations and the transaction with its
// redirect loop. The request header block and the response header block
// are built and read in http_client_headers.cpp.
#include "net/http_client.h"

#include "base/errors.h"
#include "net/address_errors.h"
#include "net/response_header.h"
#include "net/tls_errors.h"
#include "net/url_encoder.h"
#include "base/url_reference.h"
#include "net/url_splitter.h"

#include <utility>

THttpClient::THttpClient(QObject *owner) : TSocketConnection(owner) {}

void THttpClient::Abort()
{
    EventArrived = true;
    Cancel();
}

void THttpClient::Run(CmdType command, const QByteArray &url)
{
    URL = url;
    Command = command;
    ExecuteCommand();
}

void THttpClient::Options(const QByteArray &url) { Run(CmdOptions, url); }
void THttpClient::Get(const QByteArray &url) { Run(CmdGet, url); }
void THttpClient::Head(const QByteArray &url) { Run(CmdHead, url); }
void THttpClient::Delete(const QByteArray &url) { Run(CmdDelete, url); }

void THttpClient::Post(const QByteArray &url, const QByteArray &data)
{
    SendData = data;
    if (EncodePostData && !OutputFileMode) {
        TUrlEncoder encoder;
        encoder.InputString = data;
        SendData = encoder.Encode();
    }
    Run(CmdPost, url);
}

void THttpClient::Put(const QByteArray &url, const QByteArray &data)
{
    SendData = data;
    Run(CmdPut, url);
}

void THttpClient::Patch(const QByteArray &url, const QByteArray &data)
{
    SendData = data;
    Run(CmdPatch, url);
}

void THttpClient::Trace(const QByteArray &url, const QByteArray &data)
{
    SendData = data;
    Run(CmdTrace, url);
}

void THttpClient::SendBody(const QByteArray &url, const QByteArray &data)
{
    SendData = data;
    Run(CmdSendBody, url);
}

void THttpClient::Copy(const QByteArray &url, const QByteArray &target)
{
    HeaderArgument = target;
    Run(CmdCopy, url);
}

void THttpClient::Move(const QByteArray &url, const QByteArray &target)
{
    HeaderArgument = target;
    Run(CmdMove, url);
}

void THttpClient::Link(const QByteArray &url, const QByteArray &link)
{
    HeaderArgument = link;
    SendData = "Send.dat";
    Run(CmdLink, url);
}

void THttpClient::Unlink(const QByteArray &url, const QByteArray &link)
{
    HeaderArgument = link;
    SendData = "Send.dat";
    Run(CmdUnlink, url);
}

THttpClient::TRunning::TRunning(bool &running) : running_(running)
{
    if (running_)
        throw ESockError(QStringLiteral("Already connected"));
    running_ = true;
}

void THttpClient::ExecuteCommand()
{
    const TRunning running(running_);
    requestOrigin_.reset();
    TakeResumeRequest();
    for (int pass = 1;; ++pass) {
        SplitURL();
        if (pass == 1)
            requestOrigin_ = THttpOrigin{Host, Port, SecureRequest};
        BuildHeader();
        if (OnAboutToSend)
            OnAboutToSend(this);
        Location.clear();  // a Location belongs to the answer that sent it
        const int status = RunPass();
        bool stop = false;
        TakeRedirect(status, stop);
        if (stop)
            return;
        if (status == 401 && OnAuthenticationNeeded)
            OnAuthenticationNeeded(this);
        if (status < 300 || status > 399)
            return;
        if (pass >= kMaxPasses || !FollowRedirect(status)) {
            if (OnFailure)
                OnFailure(this, Command);
            return;
        }
    }
}

// 300, 301, 302, 303, 307 and 308 with a Location move the request there
// (RFC 9110, 15.4); a 303 asks with GET (HEAD stays HEAD). Any other 3xx,
// or one without a Location, is not followed: false. A Location the client
// cannot use raises EAddressError before any connection is made.
bool THttpClient::FollowRedirect(int status)
{
    const bool followed = (status >= 300 && status <= 303) || status == 307 || status == 308;
    if (!followed || Location.trimmed().isEmpty())
        return false;
    const QByteArray next = ResolveReference(RequestAddress(), Location.trimmed());
    CheckRedirectAddress(next);
    URL = next;
    if (status == 303 && Command != CmdGet && Command != CmdHead) {
        Command = CmdGet;
        SendData.clear();
    }
    return true;
}

// One connection: request, response header, body, outcome. The connection
// is closed on every way out.
int THttpClient::RunPass()
{
    if (KeepAlive)
        return RunKeptPass();
    int status = 0;
    try {
        ConnectAndSecure();
        SendRequest();
        ReplyNumber = 0;
        ReadHeader();
        // The body of a redirect is not the file asked for: a file capture
        // leaves it unread, and the file is made by the pass that answers.
        if (!InputFileMode || ReplyNumber < 300 || ReplyNumber > 399) {
            CaptureBody();
            CheckWholeTlsBody();
        }
        status = ReplyNumber;
        ReportOutcome(status);
    } catch (...) {
        try {
            Disconnect();
        } catch (...) {
        }
        throw;
    }
    Disconnect();
    return status;
}

// The events of a pass's answer; redirects are ExecuteCommand's.
void THttpClient::ReportOutcome(int status)
{
    if (status <= 299) {
        if (OnSuccess)
            OnSuccess(this, Command);
        ReportStatus(2, "Transaction Completed");
    } else if (status >= 400) {
        if (OnFailure)
            OnFailure(this, Command);
    }
}

// The connection of a pass: the socket, the proxy's tunnel for https, and
// the TLS session.
void THttpClient::ConnectAndSecure()
{
    if (!SecureRequest) {
        Connect();
        return;
    }
    // An https connection is made when its TLS session is: OnConnect waits
    // for the handshake, and a connection that fails it is never reported
    // as made.
    struct HeldEvent {
        TNotifyEvent &slot;
        TNotifyEvent held = std::exchange(slot, nullptr);
        ~HeldEvent()
        {
            if (!slot)
                slot = std::move(held);
        }
    } connectEvent{OnConnect};
    Connect();
    // Through a proxy the TLS session runs inside a tunnel, end to end.
    if (!Proxy.isEmpty())
        StartTunnel(Host, Port);
    StartTls(Host);
    OnConnect = std::move(connectEvent.held);
    if (OnConnect)
        OnConnect(this);
}

// A page is held in memory whole: one larger than MaxPageSize is refused
// before it can take all memory. The capture stops one byte past the limit.
void THttpClient::CaptureBody()
{
    if (InputFileMode && (resumeFrom_ > 0 || ReplyNumber == 206)) {
        CaptureResumed();  // a 206 never asked for fails there, chunked or not
        return;
    }
    if (chunked_ && !HasNoBody()) {
        CaptureChunkedBody();
        return;
    }
    if (InputFileMode) {
        CaptureFile(Body, ContentLength);
        return;
    }
    const qint32 limit = qMax(MaxPageSize, 0);
    if (ContentLength > limit) {
        Body.clear();
        throw ESockError(kPageTooLarge);
    }
    CaptureString(Body, limit == INT32_MAX ? limit : limit + 1);
    if (Body.size() > limit) {
        Body.clear();
        throw ESockError(kPageTooLarge);
    }
}

QByteArray THttpClient::ReadHeaderLine(int &lines)
{
    if (++lines > kMaxHeaderLines)
        throw ESockError(kHeaderBlockTooLong);
    return ReadLn();
}

// A TLS stream that ended without close_notify may have been cut short by
// someone between: the body counts only when it reached its announced
// length.
void THttpClient::CheckWholeTlsBody()
{
    if (!UncleanTlsEnd())
        return;
    if (ContentLength >= 0 && BytesRecvd >= ContentLength)
        return;
    if (!InputFileMode)
        Body.clear();
    throw ETlsError(TlsProblem::BrokenOff, Host, kTlsEndWithoutNotify);
}

void THttpClient::TakeRedirect(int status, bool &stop)
{
    if (status < 300 || status > 398)
        return;
    // With a jar the redirect's cookies are in it, under its rules.
    if (!SetCookie.isEmpty() && !CookieJar) {
        HeaderInfo.Cookie = SetCookie;
        redirectCookie_ = SetCookie;
        cookieOrigin_ = THttpOrigin{Host, Port, SecureRequest};
    }
    bool handled = false;
    if (OnRedirect)
        OnRedirect(this, handled);
    if (handled)
        stop = true;
}

// The address of the pass that just ran, with its scheme, host and port
// spelled out: the base a relative Location is resolved against.
QByteArray THttpClient::RequestAddress() const
{
    QByteArray address = (SecureRequest ? "https://" : "http://") + Host;
    if (Port != (SecureRequest ? 443 : 80))
        address += ':' + QByteArray::number(Port);
    return address + Path;
}

THttpOrigin THttpClient::OriginOf(const QByteArray &url)
{
    QByteArray address = url;
    TUrlTarget target;
    try {
        SplitUrl(address, target);
    } catch (const Exception &) {
        return THttpOrigin{};
    }
    return THttpOrigin{target.Host, target.Port, target.Secure};
}

bool THttpClient::IsCurrentOrigin(const THttpOrigin &origin) const
{
    return origin.Host.compare(Host, Qt::CaseInsensitive) == 0 && quint16(origin.Port) == quint16(Port)
        && origin.Secure == SecureRequest;
}
