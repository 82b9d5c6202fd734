// TSocketConnection: creation, name look-up, connect, close, notifications,
// time-out and cancellation. The transfers are in socket_connection_transfer.cpp.
#include "net/socket_connection.h"

#include "base/errors.h"
#include "net/address_errors.h"
#include "net/event_pump.h"
#include "net/socket_errors.h"
#include "net/socket_scopes.h"
#include "net/socket_timer.h"
#include "net/socket_transport.h"
#include "net/tls_transport.h"

#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

int TSocketConnection::WinsockUsers = 0;

namespace {

// Connections are made and destroyed on several threads (transfer workers):
// the counter changes atomically. The declaration stays a plain int; all
// its changes go through here.
int AddWinsockUser(int change)
{
    return std::atomic_ref<int>(TSocketConnection::WinsockUsers).fetch_add(change) + change;
}

}  // namespace


TSocketConnection::TSocketConnection(QObject *owner) : QObject(owner)
{
    ReportStatus(8, "Create");
    Timer = new TSocketTimer(this);
    Timer->SetEnabled(false);
    Timer->SetOnTimer([this](TSocketTimer *t) { TimerTriggered(t); });
    readNotifier_ = new QSocketNotifier(QSocketNotifier::Read, this);
    writeNotifier_ = new QSocketNotifier(QSocketNotifier::Write, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &TSocketConnection::ReadNotified);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &TSocketConnection::WriteNotified);
    lookupContext_ = new QObject(this);
    lowSpeedTimer_ = new QTimer(this);
    lowSpeedTimer_->setSingleShot(true);
    connect(lowSpeedTimer_, &QTimer::timeout, this, &TSocketConnection::LowSpeedTick);
    InitializeSockets();
}

TSocketConnection::~TSocketConnection()
{
    try {
        ReportStatus(8, "Destroy");
        TSocketConnection::Abort();
        Cancel();
        Destroying = true;
        CloseSocketQuietly();
    } catch (...) {
    }
    AddWinsockUser(-1);
}

void TSocketConnection::InitializeSockets()
{
    ReportStatus(8, "Initializing Winsock");
    if (AddWinsockUser(1) == 1) {
        rlimit files{};
        getrlimit(RLIMIT_NOFILE, &files);
        WinsockInfo << QStringLiteral("Version= 1.1") << QStringLiteral("High Version= 1.1")
                    << QStringLiteral("Description= POSIX sockets")
                    << QStringLiteral("System= Running")
                    << QStringLiteral("Max Sockets= %1").arg(qulonglong(files.rlim_cur))
                    << QStringLiteral("Max Udp pack size= 65507");
    }
    try {
        OpenSocket(true);
    } catch (const Exception &) {
        AddWinsockUser(-1);
        throw ESockError(QStringLiteral("Initializaton of windows sockets failed"));
    }
}

// A fresh non-blocking stream socket, watched by the two notifiers. The
// first socket of a connection resets the connection when it is closed.
void TSocketConnection::OpenSocket(bool withLinger)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        CheckSocketError(std::nullopt);
        throw ESockError(QStringLiteral("Initializaton of windows sockets failed"));
    }
    if (fd > 65535) {
        ::close(fd);
        throw ERangeError();
    }
    if (withLinger) {
        const linger reset{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    }
    AdoptSocket(fd);
    freshSocket_ = !withLinger;
    DropHeld();
    CloseLowSpeedWindow();
}

// fd becomes the bottom of a new chain, watched by the two notifiers.
void TSocketConnection::AdoptSocket(int fd)
{
    auto socket = std::make_unique<TSocketTransport>(fd);
    socket_ = socket.get();
    chain_ = std::move(socket);
    SocketHandle = fd;
    readNotifier_->setSocket(fd);
    writeNotifier_->setSocket(fd);
}

// Closes the chain down to the socket: the close's result, errno set as
// it left it.
int TSocketConnection::CloseChain(bool notifyPeer)
{
    int result = 0, error = 0;
    if (chain_) {
        chain_->Close(notifyPeer);
        result = socket_->CloseResult();
        error = socket_->CloseError();
    }
    chain_.reset();
    socket_ = nullptr;
    SocketHandle = -1;
    errno = error;
    return result;
}

// Closes the socket without events (destruction, a failed connect).
void TSocketConnection::CloseSocketQuietly()
{
    EndTls(false);
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    Connected = false;
    connecting_ = false;
    freshSocket_ = false;
    DropHeld();
    CloseLowSpeedWindow();
    CloseChain(false);
}

void TSocketConnection::RequestCloseSocket()
{
    ReportStatus(4, "Request Close Socket");
    EndTls(true);
    Connected = false;
    connecting_ = false;
    DropHeld();
    CloseLowSpeedWindow();
    if (SocketHandle < 0) {
        if (!Destroying)
            OpenSocket(false);
        return;
    }
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    if (freshSocket_ && !Destroying) {
        // Never used since it replaced the last closed one: closing it and
        // opening another would leave an equal fresh socket (this happens
        // on every request, whose Disconnect follows the close noticed by
        // the capture). Keep it; the close is reported all the same.
        if (OnDisconnect)
            OnDisconnect(this);
        return;
    }
    const int closed = CloseChain(true);
    const int error = errno;
    if (Destroying)
        return;
    OpenSocket(false);
    if (closed != 0 && error != EINTR) {
        errno = error;
        CheckSocketError(WsaCode::WouldBlock);
    }
    if (OnDisconnect)
        OnDisconnect(this);
}

void TSocketConnection::Disconnect()
{
    ReportStatus(8, "Disconnecting");
    RequestCloseSocket();
}

void TSocketConnection::Cancel()
{
    ReportStatus(8, "Canceling");
    Canceled = true;
}

void TSocketConnection::Abort()
{
    ReportStatus(8, "Abort");
    Cancel();
}

void TSocketConnection::ReportStatus(quint8 level, const QByteArray &text)
{
    if (qint32(level) > ReportLevel)
        return;
    Status = text;
    if (Destroying || !OnStatus)
        return;
    try {
        OnStatus(this, Status);
    } catch (...) {
    }
}

QString TSocketConnection::LookUpErrorMessage(int code)
{
    ReportStatus(8, "Looking Up Error Message");
    return SocketErrorText(code);
}

// Reads errno: raises the table message unless it is the expected code.
QString TSocketConnection::CheckSocketError(std::optional<WsaCode> expected)
{
    const int code = WsaCodeFromErrno(errno);
    LastError = code;
    if ((expected && code == WsaNumber(*expected)) || code <= 10000)
        return QString();
    if (code > 65535)
        throw ERangeError();
    const QString message = LookUpErrorMessage(code);
    if (OnSocketError)
        OnSocketError(this, code, message);
    throw ESockError(message);
}

void TSocketConnection::TimerOn()
{
    ReportStatus(8, "Timer On");
    TimedOut = false;
    if (TimeOut < 0)
        throw ERangeError();
    Timer->SetInterval(quint32(TimeOut));
    Timer->SetEnabled(true);
    Timer->UpdateTimer();
}

void TSocketConnection::TimerOff()
{
    ReportStatus(8, "Timer Off");
    Timer->SetEnabled(false);
}

void TSocketConnection::TimerTriggered(TSocketTimer *)
{
    ReportStatus(8, "Timer Triggered");
    TimerOff();
    TimedOut = true;
    EventArrived = true;
    Abort();
}

void TSocketConnection::WaitReadable()
{
    readReported_ = false;
    if (SocketHandle >= 0 && !readNotifier_->isEnabled())
        readNotifier_->setEnabled(true);
    net::PumpEvents(net::PumpMode::WaitForMore);
    CheckLowSpeed();
}

void TSocketConnection::WaitWritable()
{
    writeNotifier_->setEnabled(SocketHandle >= 0);
    net::PumpEvents(net::PumpMode::WaitForMore);
    CheckLowSpeed();
}

// The window opens with the first read of an answer and its seconds run
// on between the reads; the timer runs only while a read does, so an idle
// connection costs no wake-up.
void TSocketConnection::StartLowSpeedWatch()
{
    if (++lowSpeedReaders_ > 1 || LowSpeedTime <= 0)
        return;
    if (!lowSpeedWindow_) {
        lowSpeedWindow_ = true;
        lowSpeedTripped_ = false;
        lowSpeedClock_.start();
        lowSpeedMark_ = peerBytes_;
    }
    const qint64 left = qint64(LowSpeedTime) * 1000 - lowSpeedClock_.elapsed();
    lowSpeedTimer_->start(int(qBound<qint64>(0, left, qint64(INT_MAX))));
}

// A read that ended has nothing more to wait for: a mark it left unseen
// is dropped (the next read looks afresh when its seconds are up).
void TSocketConnection::StopLowSpeedWatch()
{
    if (--lowSpeedReaders_ > 0)
        return;
    lowSpeedTimer_->stop();
    lowSpeedTripped_ = false;
}

// From the event loop: records and never throws. Enough bytes start the
// next window of LowSpeedTime seconds.
void TSocketConnection::LowSpeedTick()
{
    if (lowSpeedReaders_ == 0 || !lowSpeedWindow_ || LowSpeedTime <= 0)
        return;
    if (peerBytes_ - lowSpeedMark_ < kLowSpeedBytes) {
        lowSpeedTripped_ = true;
        EventArrived = true;
        return;
    }
    lowSpeedClock_.start();
    lowSpeedMark_ = peerBytes_;
    lowSpeedTimer_->start(int(qMin<qint64>(qint64(LowSpeedTime) * 1000, INT_MAX)));
}

void TSocketConnection::CheckLowSpeed()
{
    if (!lowSpeedTripped_)
        return;
    CloseLowSpeedWindow();
    throw ESockError(TransferTooSlowText(LowSpeedTime, true));
}

void TSocketConnection::CloseLowSpeedWindow()
{
    lowSpeedWindow_ = false;
    lowSpeedTripped_ = false;
    if (lowSpeedTimer_)
        lowSpeedTimer_->stop();
}

// Notifier slots run from the event loop: they record and never throw.
// The read notifier stays enabled while a read operation runs: it waits
// again and again during one request, and switching the notifier on or
// off costs the event loop a wake-up each time. Readable data that nobody
// takes must not make the level-triggered notifier fire on every turn of
// the loop, though: without a read operation it is switched off at the
// first report, and during one (say, a handler runs a nested loop inside
// its wait) at the second report before a receive took the data.
void TSocketConnection::ReadNotified()
{
    if (readers_ == 0 || readReported_)
        readNotifier_->setEnabled(false);
    readReported_ = true;
    Succeeded = true;
    try {
        if (OnDataArrived)
            OnDataArrived(this);
    } catch (...) {
    }
}

void TSocketConnection::WriteNotified()
{
    writeNotifier_->setEnabled(false);
    if (!connecting_) {
        Succeeded = true;
        return;
    }
    FinishConnect();
}

// A connect to a near peer (the loopback, the local network) is often
// complete by the time the connect call returns: one look without waiting
// spares enabling the write notifier and a turn of the event loop.
bool TSocketConnection::ConnectCompletedAlready()
{
    pollfd ready{SocketHandle, POLLOUT, 0};
    return ::poll(&ready, 1, 0) == 1 && (ready.revents & (POLLOUT | POLLERR | POLLHUP)) != 0;
}

// The outcome of a connect in progress, once the socket is writable.
void TSocketConnection::FinishConnect()
{
    connecting_ = false;
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(SocketHandle, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        error = errno;
    Succeeded = error == 0;
    LastError = WsaCodeFromErrno(error);
    if (!Succeeded)
        return;
    Connected = true;
    try {
        if (OnConnect)
            OnConnect(this);
    } catch (...) {
    }
}

void TSocketConnection::ResolveHost()
{
    ReportStatus(8, "Resolve Host");
    const QByteArray name = Proxy.isEmpty() ? Host : Proxy;
    RemoteAddress.sin_addr.s_addr = 0;
    if (const auto dotted = ParseDottedAddress(name)) {
        RemoteAddress.sin_addr.s_addr = htonl(*dotted);
        return;
    }
    {
        TimerScope timer(*this);
        EventArrived = false;
        lookupAddress_.reset();
        const quint64 id = ++lookupId_;
        Resolver->LookUp(name, lookupContext_, [this, id](std::optional<quint32> address) {
            if (id != lookupId_)
                return;  // a look-up abandoned by time-out or cancel
            lookupAddress_ = address;
            Succeeded = address.has_value();
            EventArrived = true;
        });
        while (!EventArrived && !TimedOut && !Canceled)
            net::PumpEvents(net::PumpMode::WaitForMore);
        ++lookupId_;
    }
    if (TimedOut)
        throw ESockError(kHostLookupTimedOut);
    if (Canceled)
        throw ESockError(kHostLookupCanceled);
    if (!lookupAddress_)
        throw ESockError(kHostLookupFailed);
    RemoteAddress.sin_addr.s_addr = htonl(*lookupAddress_);
    if (OnHostResolved)
        OnHostResolved(this);
}

void TSocketConnection::Connect()
{
    ReportStatus(8, "Connecting");
    Canceled = false;
    if (Connected || connecting_)
        throw ESockError(QStringLiteral("Already connected"));
    CheckedPort();  // refused before any look-up
    if (SocketHandle < 0)
        OpenSocket(false);
    for (int tries = 0;; ++tries) {
        try {
            ResolveHost();
        } catch (const ESockError &e) {
            if (e.Message() == kHostLookupTimedOut || e.Message() == kHostLookupCanceled)
                throw;
            RemoteAddress.sin_addr.s_addr = 0;
        }
        if (RemoteAddress.sin_addr.s_addr != 0)
            break;
        bool handled = false;
        if (tries == 0 && OnInvalidHost)
            OnInvalidHost(this, handled);
        if (!handled)
            throw ESockError(QStringLiteral("Null Remote Address"));
    }
    RemoteAddress.sin_family = AF_INET;
    // Again: the invalid-host handler may have changed the port.
    RemoteAddress.sin_port = htons(CheckedPort());
    StartConnect();
    WaitForConnect();
}

// The port to connect to, the proxy's when there is one; raises
// "Invalid port number N" for one outside 1..65535.
quint16 TSocketConnection::CheckedPort() const
{
    const qint32 port = Proxy.isEmpty() ? Port : ProxyPort;
    CheckPortNumber(port);
    return quint16(port);
}

void TSocketConnection::AttachConnected(int fd)
{
    ReportStatus(8, "Attaching");
    if (Connected || connecting_)
        throw ESockError(QStringLiteral("Already connected"));
    if (fd < 0 || fd > 65535)
        throw ERangeError();
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0
        || ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
        CheckSocketError(std::nullopt);
        throw ESockError(kConnectionFailed);
    }
    CloseSocketQuietly();
    Canceled = false;
    AdoptSocket(fd);
    Connected = true;
}

void TSocketConnection::TakeConnectionOf(TSocketConnection &from)
{
    if (&from == this || !from.Connected || from.connecting_)
        return;
    if (Connected || connecting_)
        throw ESockError(QStringLiteral("Already connected"));
    ReportStatus(8, "Taking a connection");
    CloseSocketQuietly();
    socket_ = from.socket_;
    tls_ = from.tls_;
    uncleanEnd_ = from.uncleanEnd_;
    // The bytes from has received and not taken (the start of the next
    // answer, say) are the connection's: they come along.
    held_ = std::exchange(from.held_, {});
    heldBegin_ = std::exchange(from.heldBegin_, 0);
    chain_ = from.HandOverChain();
    SocketHandle = chain_->Handle();
    RemoteAddress = from.RemoteAddress;
    Connected = true;
    readReported_ = false;
    Canceled = false;
    readNotifier_->setSocket(SocketHandle);
    writeNotifier_->setSocket(SocketHandle);
}

std::unique_ptr<TTransport> TSocketConnection::ReleaseChain()
{
    if (!Connected || connecting_ || readers_ > 0 || HeldCount() > 0)
        return nullptr;
    ReportStatus(8, "Releasing the connection");
    return HandOverChain();
}

// The open chain leaves, with no event: this connection is left closed
// with a fresh socket (when one can be had; else the next Connect or
// close opens one).
std::unique_ptr<TTransport> TSocketConnection::HandOverChain()
{
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    std::unique_ptr<TTransport> chain = std::move(chain_);
    socket_ = nullptr;
    tls_ = nullptr;
    SocketHandle = -1;
    uncleanEnd_ = false;
    Connected = false;
    freshSocket_ = false;
    readReported_ = false;
    DropHeld();
    CloseLowSpeedWindow();
    try {
        OpenSocket(false);
    } catch (...) {
    }
    return chain;
}

// Starts the non-blocking connect. A refusal reported at once is treated
// like one reported later by the notification: "Connection Failed".
void TSocketConnection::StartConnect()
{
    EventArrived = false;
    Succeeded = true;
    freshSocket_ = false;
    DropHeld();
    const int result = ::connect(SocketHandle, reinterpret_cast<const sockaddr *>(&RemoteAddress),
                                 sizeof RemoteAddress);
    if (result == 0) {
        Connected = true;
        if (OnConnect)
            OnConnect(this);
        return;
    }
    if (errno == EINPROGRESS || errno == EAGAIN || errno == EINTR) {
        connecting_ = true;
        if (ConnectCompletedAlready())
            FinishConnect();
        return;
    }
    LastError = WsaCodeFromErrno(errno);
    Succeeded = false;
}

void TSocketConnection::WaitForConnect()
{
    {
        TimerScope timer(*this);
        while (!Connected && !TimedOut && !Canceled && Succeeded)
            WaitWritable();
    }
    writeNotifier_->setEnabled(false);
    if (!TimedOut && !Canceled && Succeeded)
        return;
    FailConnect();
}

void TSocketConnection::FailConnect()
{
    const bool timedOut = TimedOut, canceled = Canceled;
    // The half-open socket cannot be used again: replace it silently.
    CloseSocketQuietly();
    OpenSocket(false);
    if (OnConnectionFailed)
        OnConnectionFailed(this);
    if (timedOut)
        throw ESockError(kConnectionTimedOut);
    if (canceled)
        throw ESockError(kConnectionCanceled);
    throw ESockError(kConnectionFailed);
}

int TSocketConnection::Accept()
{
    ReportStatus(4, "Accepting");
    while (!EventArrived && !Canceled)
        WaitReadable();
    if (Canceled)
        throw ESockError(QStringLiteral("Accepting Canceled"));
    if (!Succeeded)
        throw ESockError(QStringLiteral("Error creating Data Connection"));
    socklen_t size = sizeof RemoteAddress;
    const int fd = ::accept4(SocketHandle, reinterpret_cast<sockaddr *>(&RemoteAddress), &size,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        CheckSocketError(WsaCode::WouldBlock);
    if (fd > 65535) {
        ::close(fd);
        throw ERangeError();
    }
    if (Canceled) {
        Canceled = false;
        if (fd >= 0)
            ::close(fd);
        throw EAbortError(kSocketSendAborted);
    }
    return fd;
}
