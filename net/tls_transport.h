// TTlsTransport: TLS as a layer of a connection, over the layers below it
// (the socket, or a proxy's tunnel that adds nothing to the bytes once
// open). Its TTlsSession reads and writes the socket itself (SSL_set_fd on
// Handle()), so the layers below carry no bytes while TLS runs.
#pragma once

#include "net/transport.h"

#include <memory>

class TTlsSession;

class TTlsTransport final : public TTransport {
public:
    // Takes the open layers below and the session set up on their socket.
    TTlsTransport(std::unique_ptr<TTransport> below, std::unique_ptr<TTlsSession> session);
    ~TTlsTransport() override;
    TTlsTransport(const TTlsTransport &) = delete;
    TTlsTransport &operator=(const TTlsTransport &) = delete;

    // One step of the handshake (ETlsError on a failure).
    bool Open() override;
    // Read / Write of the session; -1 sets errno too: EAGAIN when Want()
    // asks for a wait, EINTR when the call is to be made again at once.
    qsizetype Receive(char *into, qsizetype size) override;
    qsizetype Send(const char *data, qsizetype size, bool more) override;
    // notifyPeer: close_notify first, when the socket takes it at once.
    void Close(bool notifyPeer) override;
    TWant Want() const override;
    int Handle() const override;
    QByteArray Protocol() const override;
    bool UncleanEnd() const override;

    // Leaves TLS, the layers below open (close_notify first with
    // notifyPeer), and gives them back.
    std::unique_ptr<TTransport> End(bool notifyPeer);

private:
    qsizetype Waiting() const;

    std::unique_ptr<TTransport> below_;
    std::unique_ptr<TTlsSession> session_;
};
