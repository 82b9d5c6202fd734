// TTunnelTransport: an HTTP proxy's tunnel as a layer of a connection. Its
// Open asks the proxy (the peer of the layers below) for a tunnel to a
// host and port with "CONNECT host:port HTTP/1.0" and a Host line, and
// reads the proxy's answer up to its blank line; once the proxy agreed, the
// bytes pass through unchanged, so a TLS layer above may use the socket.
#pragma once

#include "net/transport.h"

#include <QLatin1StringView>
#include <memory>

// The start of the ESockError raised when the proxy does not open a tunnel
// for an https request; the proxy's status line follows.
inline constexpr QLatin1StringView kProxyRefusedTunnel{"The proxy refused the tunnel: "};

class TTunnelTransport final : public TTransport {
public:
    // The request that asks for a tunnel to host:port; raises ESockError
    // (kProxyRefusedTunnel, "not asked") for a host with blanks or control
    // characters, before the layer exists.
    static QByteArray RequestFor(const QByteArray &host, qint32 port);
    TTunnelTransport(std::unique_ptr<TTransport> below, const QByteArray &request);

    // One step: sends the request, then reads the answer as the layers
    // below give it. True once the proxy agreed. False with Want() Read or
    // Write: wait for that; with Want() None: the request is out, or the
    // layer below failed (Error() then says how); call again. Raises
    // ESockError for a refusal (kProxyRefusedTunnel and the status line),
    // an answer of more than THttpClient::kMaxHeaderLines lines
    // (kHeaderBlockTooLong), ERangeError for a line longer than 64 KiB.
    bool Open() override;
    qsizetype Receive(char *into, qsizetype size) override;
    qsizetype Send(const char *data, qsizetype size, bool more) override;
    void Close(bool notifyPeer) override;
    TWant Want() const override;
    int Handle() const override;
    QByteArray Protocol() const override;
    bool UncleanEnd() const override;

    // Whether the request is still going out.
    bool Asking() const { return sent_ < request_.size(); }
    // The errno of the failed call below after an Open step that returned
    // false with Want() None; 0 when none failed.
    int Error() const { return error_; }
    // The bytes sent and received so far while opening.
    qsizetype Sent() const { return sent_; }
    qint64 Received() const { return received_; }
    // What the proxy sent past its answer (its owner holds it, and TLS
    // then refuses to start): taken once.
    QByteArray TakeExtra();

private:
    bool Stopped(qsizetype result);
    bool NextLine(QByteArray &line);
    bool TakeLine(QByteArray &line);
    bool AnswerEnded();

    std::unique_ptr<TTransport> below_;
    QByteArray request_;
    qsizetype sent_ = 0;
    qint64 received_ = 0;
    QByteArray answer_;       // received and not yet taken as lines
    QByteArray status_;
    int lines_ = 0;           // lines of the answer begun so far
    bool lineBegun_ = false;  // the line being read is counted
    bool peerEnded_ = false;
    bool open_ = false;
    TWant want_ = TWant::None;
    int error_ = 0;
};
