// TSocketConnection: one blocking TCP client connection. Every operation
// blocks its caller but keeps the event loop turning while it waits (see
// event_pump.h), so any handler of the program can run nested inside a wait
// and call Abort, Cancel or Disconnect on the same object; the running
// operation then ends with its abort error at its next check.
//
// Events are plain std::function members named after the events; each gets
// the connection as Sender. Set them before an operation, e.g.
//     conn.OnConnect = [](TSocketConnection *) { ... };
// Exceptions from OnStatus, OnDataArrived and OnConnect (which run from a
// socket notification) are swallowed; those of the other events pass to the
// caller of the running operation. Nothing ever unwinds through Qt's event
// dispatch: the notifier and timer slots catch everything.
//
// Properties are public members under their own names (TimeOut, Host, Port,
// Proxy, ProxyPort, ReportLevel, ...). TimeOut is in milliseconds, 0 means
// none, and bounds each wait: the name look-up, the connect, a whole
// SendBuffer, one ReadLn, and each silence between received blocks of a
// capture. LowSpeedTime (seconds, 0 means off) bounds the speed of an
// answer instead: see below.
#pragma once

#include "net/host_resolver.h"
#include "net/socket_errors.h"
#include "net/transport.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <netinet/in.h>

class QSocketNotifier;
class QTimer;
class TRateLimiter;
class TSocketTimer;
class TSocketTransport;
class TTlsTransport;
class TTunnelTransport;

class TSocketConnection : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TSocketConnection *Sender)>;
    using THandlerEvent = std::function<void(TSocketConnection *Sender, bool &Handled)>;
    using TOnStatus = std::function<void(TSocketConnection *Sender, const QByteArray &Status)>;
    using TOnSocketError = std::function<void(TSocketConnection *Sender, int Code, const QString &Message)>;

    static constexpr int kBufferSize = 65536;

    explicit TSocketConnection(QObject *owner = nullptr);
    ~TSocketConnection() override;

    virtual int Accept();
    virtual void Connect();
    virtual void Disconnect();
    virtual QByteArray Transaction(const QByteArray &command);
    virtual void Abort();
    // Takes over fd, a stream socket already connected to its peer (one end
    // of a socket pair, say), in place of the connection's own socket, which
    // is closed. From then on the connection owns fd: it is made
    // non-blocking, and the reads, sends, captures and the close treat it as
    // after a Connect (Disconnect closes it and opens a fresh socket). Raises
    // "Already connected" while connected or connecting; fd is then left to
    // the caller.
    void AttachConnected(int fd);
    // Gives the open chain away (TLS over the socket, say), for a protocol
    // session that drives it with its own notifiers on this thread; the
    // caller owns the socket from then on. The connection is left closed,
    // with a fresh socket, and fires no event. Refused (null, nothing
    // changes) unless connected, with no operation running and no bytes
    // held: held bytes came through the chain and would be lost to it.
    std::unique_ptr<TTransport> ReleaseChain();

    // Asks the proxy this connection is connected to for a tunnel to host
    // and port (tunnel_transport.h): sends the request and reads the
    // proxy's answer, under TimeOut, LowSpeedTime and Cancel as a Write and
    // the ReadLn of each line would be (a cancel or a stall raises
    // EAbortError "Socket send aborted" while sending, "Socket readln
    // aborted" while reading). A refusal raises ESockError
    // (kProxyRefusedTunnel). Bytes past the answer are held: StartTls then
    // refuses them.
    void StartTunnel(const QByteArray &host, qint32 port);
    // Runs the TLS handshake on the connected socket for host (the name
    // the certificate must be issued for and the SNI); from then on every
    // send, read and capture goes through TLS until the close. Waits under
    // TimeOut and Cancel: a stall raises kConnectionTimedOut, a cancel
    // kConnectionCanceled (both fire OnConnectionFailed); a certificate
    // that fails verification or another handshake failure raises ETlsError
    // (tls_errors.h) before a byte of the request can go out.
    void StartTls(const QByteArray &host);
    // Whether the connection runs TLS (from StartTls to the close).
    bool Secure() const { return tls_ != nullptr; }
    // The protocols StartTls offers by ALPN, most wanted first ("h2",
    // "http/1.1"); empty (the default): none, and the handshake carries no
    // ALPN extension at all.
    QByteArrayList AlpnProtocols;
    // The protocol the server chose from AlpnProtocols in the handshake;
    // empty when none was offered or chosen, or without TLS.
    QByteArray Protocol() const { return chain_ ? chain_->Protocol() : QByteArray(); }
    // Whether the last TLS connection's stream ended without close_notify:
    // what came before the end may be cut short. Cleared by StartTls.
    bool UncleanTlsEnd() const { return uncleanEnd_; }

    void Cancel();
    void Write(const QByteArray &text);
    void Writeln(const QByteArray &text);
    QByteArray ReadLn();
    void SendBuffer(const char *data, quint16 length);
    void SendFile(const QByteArray &path);
    // Writes what arrives into the file; with limit >= 0 stops after that
    // many bytes and leaves the rest for the next read.
    void CaptureFile(const QByteArray &path, qint64 limit = -1);
    void CaptureString(QByteArray &text, qint32 limit);
    bool DataAvailable();
    void RequestCloseSocket();
    void ResolveHost();
    QString LookUpErrorMessage(int code);
    QString CheckSocketError(std::optional<WsaCode> expected);
    void ReportStatus(quint8 level, const QByteArray &text);
    void TimerOn();
    void TimerOff();
    void TimerTriggered(TSocketTimer *sender);

    // Events.
    TNotifyEvent OnDataArrived;
    TNotifyEvent OnAccepted;
    TNotifyEvent OnConnect;
    TNotifyEvent OnDisconnect;
    TOnSocketError OnSocketError;
    THandlerEvent OnInvalidHost;
    TNotifyEvent OnHostResolved;
    TOnStatus OnStatus;
    TNotifyEvent OnConnectionFailed;
    TNotifyEvent OnPacketRecvd;
    TNotifyEvent OnPacketSent;

    // Properties and state.
    char Buffer[kBufferSize + 1] = {};
    QStringList WinsockInfo;  // filled by the first connection of the process
    qint64 BytesSent = 0;
    bool Canceled = false;
    bool Destroying = false;
    int LastError = 0;
    qint32 TimeOut = 0;
    // The low-speed limit, in seconds; 0 (the default) is off. When on, an
    // answer that brings fewer than 1,024 bytes (kLowSpeedBytes) in any
    // LowSpeedTime seconds while it is read (ReadLn, the captures) is
    // broken off with ESockError kTransferTooSlow (address_errors.h), which
    // IsBrokenOff counts. The seconds run from the first read after a send
    // or a connect, so a server that trickles a byte a second ends there
    // even when TimeOut, which only bounds silence, never runs out.
    qint32 LowSpeedTime = 0;
    qint32 ReportLevel = 0;
    QByteArray Status;
    QByteArray Proxy;
    qint32 ProxyPort = 0;
    TSocketTimer *Timer = nullptr;
    bool Succeeded = false;
    bool TimedOut = false;
    qint32 Port = 0;
    qint64 BytesTotal = 0;
    qint64 BytesRecvd = 0;
    bool EventArrived = false;
    sockaddr_in RemoteAddress{};
    QByteArray Host;
    QByteArray LastReply;
    qint16 ReplyNumber = 0;
    // The socket, as the bottom layer of the chain holds it (read only:
    // the chain owns and closes it); -1: no socket.
    int SocketHandle = -1;
    bool Connected = false;
    // The speed cap of the captures (the bodies; not the header lines of
    // ReadLn): each read asks it first and is no larger than it grants.
    // Shared by the transfers it caps; null (the default): no cap, and no
    // lock is taken.
    std::shared_ptr<TRateLimiter> RateLimiter;
    // CaptureFile creates a new file only: a name that is taken (a file, a
    // link, anything) fails as a file-creation error instead of being
    // emptied, so a download never replaces a file it did not name.
    bool CreateNewFiles = false;
    // The name look-up used by ResolveHost; not owned. Tests replace it.
    THostResolver *Resolver = &SystemHostResolver();

    // How many connection objects of the process exist.
    static int WinsockUsers;

protected:
    // Set while a send is sure to be followed at once by another (the
    // request header block by its blank line): the kernel then holds the
    // bytes back so that both go out in one segment. The bytes and the
    // number of sends stay the same.
    bool moreToSend_ = false;

    // Receives blocks into Buffer until the peer closes, the operation is
    // cancelled or wanted() says 0; a block is never larger than wanted()
    // and goes to take. Held bytes come first, as a block of their own,
    // counted in BytesRecvd and OnPacketRecvd like any other. The caller
    // runs the time-out (TimerScope) and handles Canceled.
    void CaptureBlocks(const std::function<void(const char *, qsizetype)> &take,
                       const std::function<qsizetype()> &wanted);
    // Keeps the time-out running for one waiting operation (socket_scopes.h).
    class TimerScope;

    // Takes over from's open connection as it stands (the socket, a TLS
    // session, the bytes received and not yet taken, the peer's address),
    // with no event on either side; from
    // is left with a fresh socket, as after a close. This connection's own
    // socket, unused, is closed quietly. Both must be idle (no operation
    // running); raises "Already connected" when this one is connected or
    // connecting and does nothing when from is not connected.
    void TakeConnectionOf(TSocketConnection &from);

    // Bytes received and not yet taken by any read.
    qsizetype HeldCount() const { return held_.size() - heldBegin_; }

private:
    void InitializeSockets();
    void OpenSocket(bool withLinger);
    void AdoptSocket(int fd);
    std::unique_ptr<TTransport> HandOverChain();
    int CloseChain(bool notifyPeer);
    void CloseSocketQuietly();
    quint16 CheckedPort() const;
    void StartConnect();
    void WaitForConnect();
    void FailConnect();
    void WaitReadable();
    void WaitWritable();
    bool ConnectCompletedAlready();
    void FinishConnect();
    bool TakeHeldLine(QByteArray &line);
    bool SendSome(const char *data, qsizetype &remaining, qint64 *sentCounter);
    bool ReceiveBlockFailed(int error);
    void WaitForRate();
    // One receive or send, through TLS while it runs; -1 with errno set as
    // for the socket call (EAGAIN: wait with WaitToReceive / WaitToSend).
    // A receive serves held bytes first, without a system call (and never
    // -1 then). A peek with none held receives once and holds what came.
    ssize_t Receive(char *into, size_t size, bool peek);
    ssize_t ReceiveFromPeer(char *into, size_t size);
    ssize_t Send(const char *data, size_t size, bool more);
    ssize_t TakeHeld(char *into, size_t size, bool peek);
    void Hold(const char *data, qsizetype size);
    void DropHeldBytes(qsizetype count);
    void DropHeld() { DropHeldBytes(HeldCount()); }
    void WaitToReceive();
    void WaitToSend();
    void EndTls(bool notifyPeer);
    bool TunnelStep(TTunnelTransport &tunnel);
    void ReadNotified();
    void WriteNotified();
    // The low-speed limit (socket_connection.cpp): the window of
    // LowSpeedTime seconds runs while reads run; a tick that finds fewer
    // than kLowSpeedBytes received in it marks the transfer too slow, and
    // the read's next wait raises kTransferTooSlow.
    void StartLowSpeedWatch();
    void StopLowSpeedWatch();
    void LowSpeedTick();
    void CheckLowSpeed();
    void CloseLowSpeedWindow();

    QSocketNotifier *readNotifier_ = nullptr;
    QSocketNotifier *writeNotifier_ = nullptr;
    QObject *lookupContext_ = nullptr;
    quint64 lookupId_ = 0;
    std::optional<quint32> lookupAddress_;
    bool connecting_ = false;
    // The socket was opened as the replacement after a close and nothing
    // has been done with it since: closing it again would only give an
    // equal fresh socket, so it is kept.
    bool freshSocket_ = false;
    // Read operations running (nested ones count too). While one runs the
    // read notifier stays enabled between its waits; see ReadNotified.
    int readers_ = 0;
    // The read notifier has reported data that no receive has taken yet.
    bool readReported_ = false;
    // Bytes received from the socket (decrypted, under TLS) that no
    // operation has taken yet, held_[heldBegin_, held_.size()), at most
    // kBufferSize: what ReadLn's one receive brought beyond its line (the
    // rest of the header block, the start of the body, even the next
    // answer). Every read takes them before the socket's. They belong to
    // the connection: a close, a new socket or a connect drops them, and
    // TakeConnectionOf moves them with the socket.
    QByteArray held_;
    qsizetype heldBegin_ = 0;
    // The open layers, top first: the socket layer, from OpenSocket (or
    // AttachConnected) to the close, a proxy's tunnel over it from
    // StartTunnel, and TLS on top from StartTls. The
    // top one owns the ones below and the bottom one the socket: the chain
    // is the socket's one closer. socket_ is the bottom layer, tls_ the
    // TLS layer while there is one (the top then).
    std::unique_ptr<TTransport> chain_;
    TSocketTransport *socket_ = nullptr;
    TTlsTransport *tls_ = nullptr;
    bool uncleanEnd_ = false;

    QTimer *lowSpeedTimer_ = nullptr;
    QElapsedTimer lowSpeedClock_;   // since the window opened
    bool lowSpeedWindow_ = false;   // opened by the first read after a send, a connect or a close
    bool lowSpeedTripped_ = false;
    int lowSpeedReaders_ = 0;
    qint64 peerBytes_ = 0;          // received from the peer on this object, ever
    qint64 lowSpeedMark_ = 0;       // peerBytes_ when the window opened

    class ReadingScope;
    class LowSpeedScope;
};
