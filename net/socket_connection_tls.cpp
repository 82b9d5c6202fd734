// TSocketConnection: the TLS handshake, the one receive and send that
// every operation goes through, with or without TLS, and the held bytes.
#include "net/socket_connection.h"

#include "base/errors.h"
#include "net/socket_scopes.h"
#include "net/tls_errors.h"
#include "net/tls_session.h"
#include "net/tls_transport.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

// A receive or send with the socket gone (closed under the operation):
// fails as the system call on no socket did.
ssize_t NoSocket()
{
    errno = EBADF;
    return -1;
}

}  // namespace

void TSocketConnection::StartTls(const QByteArray &host)
{
    ReportStatus(8, "Starting TLS");
    if (!Connected)
        throw ESockError(SocketErrorText(WsaNumber(WsaCode::NotConnected)));
    // The server speaks only after our ClientHello: plaintext held from
    // before (a proxy's bytes past its answer to CONNECT) is no part of the
    // session. The handshake fails before anything is sent, as it failed
    // when such bytes stayed in the socket for OpenSSL to read.
    if (HeldCount() > 0) {
        DropHeld();
        throw ETlsError(TlsProblem::Handshake, host, QStringLiteral("bytes arrived before the handshake"));
    }
    uncleanEnd_ = false;
    // TLS writes whole records, and a resumed handshake ends with the
    // client's Finished just before the request: with Nagle's algorithm the
    // request would wait for the server's delayed acknowledgement (40 ms).
    const int noDelay = 1;
    setsockopt(SocketHandle, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    EndTls(false);
    auto session = std::make_unique<TTlsSession>(SocketHandle, host, Port, AlpnProtocols);
    auto tls = std::make_unique<TTlsTransport>(std::move(chain_), std::move(session));
    tls_ = tls.get();
    chain_ = std::move(tls);
    {
        TimerScope timer(*this);
        ReadingScope reading(*this);
        while (!Canceled && !chain_->Open()) {
            if (chain_->Want() == TWant::Write)
                WaitWritable();
            else if (chain_->Want() == TWant::Read)
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
    chain_ = tls_->End(notifyPeer);
    tls_ = nullptr;
}

// A peek never looks into the socket (or the TLS session) without taking:
// it receives once, up to size (kBufferSize at most), and holds what came
// for the reads that follow, so that a header block and the start of the
// body cost one system call instead of one per line.
ssize_t TSocketConnection::Receive(char *into, size_t size, bool peek)
{
    if (HeldCount() > 0)
        return TakeHeld(into, size, peek);
    if (peek)
        size = qMin<size_t>(size, kBufferSize);
    const ssize_t n = ReceiveFromPeer(into, size);
    if (peek && n > 0)
        Hold(into, n);
    return n;
}

ssize_t TSocketConnection::ReceiveFromPeer(char *into, size_t size)
{
    if (!chain_)
        return NoSocket();
    const qsizetype n = chain_->Receive(into, qsizetype(size));
    if (n == 0 && chain_->UncleanEnd())
        uncleanEnd_ = true;
    return n;
}

// Copies up to size held bytes into `into`; takes them unless peek.
ssize_t TSocketConnection::TakeHeld(char *into, size_t size, bool peek)
{
    const qsizetype count = qMin(qsizetype(size), HeldCount());
    std::memcpy(into, held_.constData() + heldBegin_, size_t(count));
    if (!peek)
        DropHeldBytes(count);
    return count;
}

// Only with nothing held: held bytes are always older than the socket's.
void TSocketConnection::Hold(const char *data, qsizetype size)
{
    Q_ASSERT(HeldCount() == 0 && size <= kBufferSize);
    held_.resize(size);  // keeps its capacity from one answer to the next
    std::memcpy(held_.data(), data, size_t(size));
    heldBegin_ = 0;
}

// The first count held bytes are taken (or dropped with the connection).
void TSocketConnection::DropHeldBytes(qsizetype count)
{
    heldBegin_ += count;
    if (heldBegin_ < held_.size())
        return;
    held_.resize(0);
    heldBegin_ = 0;
}

ssize_t TSocketConnection::Send(const char *data, size_t size, bool more)
{
    return chain_ ? chain_->Send(data, qsizetype(size), more) : NoSocket();
}

// TLS may need to send while reading (and to read while sending): the
// wait is for what the session asked for.
void TSocketConnection::WaitToReceive()
{
    if (chain_ && chain_->Want() == TWant::Write)
        WaitWritable();
    else
        WaitReadable();
}

void TSocketConnection::WaitToSend()
{
    if (chain_ && chain_->Want() == TWant::Read)
        WaitReadable();
    else
        WaitWritable();
}
