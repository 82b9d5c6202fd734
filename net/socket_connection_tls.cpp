// TSocketConnection: the TLS handshake, and the one receive and send that
// every operation goes through, with or without TLS.
#include "net/socket_connection.h"

#include "base/errors.h"
#include "net/socket_scopes.h"
#include "net/tls_session.h"

#include <QSocketNotifier>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

void TSocketConnection::StartTls(const QByteArray &host)
{
    ReportStatus(8, "Starting TLS");
    if (!Connected)
        throw ESockError(SocketErrorText(WsaNumber(WsaCode::NotConnected)));
    ForgetLookAhead();
    uncleanEnd_ = false;
    // TLS writes whole records, and a resumed handshake ends with the
    // client's Finished just before the request: with Nagle's algorithm the
    // request would wait for the server's delayed acknowledgement (40 ms).
    const int noDelay = 1;
    setsockopt(SocketHandle, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    tls_ = std::make_unique<TTlsSession>(SocketHandle, host, Port);
    {
        TimerScope timer(*this);
        ReadingScope reading(*this);
        while (!Canceled && !tls_->Handshake()) {
            if (tls_->Want == TTlsSession::Wait::Write)
                WaitWritable();
            else if (tls_->Want == TTlsSession::Wait::Read)
                WaitReadable();
        }
    }
    writeNotifier_->setEnabled(false);
    if (!Canceled)
        return;
    const bool timedOut = TimedOut;
    Canceled = false;
    EndTls(false);
    if (OnConnectionFailed)
        OnConnectionFailed(this);
    throw ESockError(timedOut ? kConnectionTimedOut : kConnectionCanceled);
}

// Leaves TLS: with notifyPeer a close_notify goes out first if the socket
// takes it at once. Whether the stream ended uncleanly is kept.
void TSocketConnection::EndTls(bool notifyPeer)
{
    if (!tls_)
        return;
    if (notifyPeer)
        tls_->Shutdown();
    tls_.reset();
}

ssize_t TSocketConnection::Receive(char *into, size_t size, bool peek)
{
    if (!tls_)
        return ::recv(SocketHandle, into, size, peek ? MSG_PEEK : 0);
    const qsizetype n = tls_->Read(into, qsizetype(size), peek);
    if (n < 0) {
        errno = tls_->Want == TTlsSession::Wait::None ? EINTR : EAGAIN;
        return -1;
    }
    if (n == 0 && tls_->UncleanEnd)
        uncleanEnd_ = true;
    return n;
}

ssize_t TSocketConnection::Send(const char *data, size_t size, int flags)
{
    if (!tls_)
        return ::send(SocketHandle, data, size, flags);
    const qsizetype n = tls_->Write(data, qsizetype(size));
    if (n < 0) {
        errno = tls_->Want == TTlsSession::Wait::None ? EINTR : EAGAIN;
        return -1;
    }
    return n;
}

// TLS may need to send while reading (and to read while sending): the
// wait is for what the session asked for.
void TSocketConnection::WaitToReceive()
{
    if (tls_ && tls_->Want == TTlsSession::Wait::Write)
        WaitWritable();
    else
        WaitReadable();
}

void TSocketConnection::WaitToSend()
{
    if (tls_ && tls_->Want == TTlsSession::Wait::Read)
        WaitReadable();
    else
        WaitWritable();
}
