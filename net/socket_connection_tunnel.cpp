// TSocketConnection: a proxy's tunnel, opened as a layer of the chain and
// driven here with the waits, time-out, low-speed limit and Cancel of the
// Write and ReadLn calls it replaces.
#include "net/socket_connection.h"

#include "base/errors.h"
#include "net/socket_errors.h"
#include "net/socket_scopes.h"
#include "net/tunnel_transport.h"

#include <QSocketNotifier>
#include <cerrno>
#include <optional>

void TSocketConnection::StartTunnel(const QByteArray &host, qint32 port)
{
    const QByteArray request = TTunnelTransport::RequestFor(host, port);
    ReportStatus(8, "Write");
    ReportStatus(4, "Sending Buffer");
    auto layer = std::make_unique<TTunnelTransport>(std::move(chain_), request);
    TTunnelTransport &tunnel = *layer;
    chain_ = std::move(layer);
    bool asking = true;
    {
        TimerScope timer(*this);
        ReadingScope reading(*this);
        std::optional<LowSpeedScope> lowSpeed;  // from the first read of the answer
        while (!Canceled && !TunnelStep(tunnel)) {
            if (asking && !tunnel.Asking()) {
                asking = false;
                writeNotifier_->setEnabled(false);
                TimerOn();
                lowSpeed.emplace(*this);
            }
        }
    }
    writeNotifier_->setEnabled(false);
    if (Canceled) {
        Canceled = false;
        throw EAbortError(asking ? QString(kSocketSendAborted) : QStringLiteral("Socket readln aborted"));
    }
    const QByteArray extra = tunnel.TakeExtra();
    if (!extra.isEmpty())
        Hold(extra.constData(), extra.size());
}

// One step of the tunnel's opening, then the wait it asks for: true once
// the tunnel is open. Bytes count as a read's and a send's would.
bool TSocketConnection::TunnelStep(TTunnelTransport &tunnel)
{
    const qsizetype sent = tunnel.Sent();
    const qint64 received = tunnel.Received();
    const bool reading = !tunnel.Asking();
    const bool open = tunnel.Open();
    if (tunnel.Sent() > sent)
        CloseLowSpeedWindow();  // a request: the seconds of its answer start with its first read
    if (tunnel.Received() > received) {
        peerBytes_ += tunnel.Received() - received;
        readReported_ = false;
        TimerOn();  // the time-out bounds the silence before each line
    }
    if (open)
        return true;
    if (const int error = tunnel.Error()) {
        LastError = WsaCodeFromErrno(error);
        if (reading && LastError == WsaNumber(WsaCode::NotConnected))
            throw ERangeError();  // the socket was closed under the read
        errno = error;
        CheckSocketError(WsaCode::WouldBlock);
        return false;
    }
    if (tunnel.Want() == TWant::Write)
        WaitWritable();
    else if (tunnel.Want() == TWant::Read)
        WaitReadable();
    return false;
}
