// TTransport: one layer of a connection (the socket, a proxy tunnel, TLS),
// with one narrow interface: open, receive, send, close. A connection
// stacks the layers it needs; each owns the one below it and the bottom one
// owns the socket.
//
// A layer never waits. An operation that cannot go on returns -1 (or
// false) and says in Want() which readiness of Handle() it needs; whoever
// drives the chain waits for that (the event pump for a blocking caller,
// socket notifiers for an event-driven one) and calls again. -1 with
// Want() None leaves errno to say why: EINTR, call again at once; any
// other value is the socket's failure, which the socket layer leaves to
// its driver to word (TSocketConnection turns it into its error events).
#pragma once

#include <QByteArray>
#include <QtGlobal>

enum class TWant { None, Read, Write };

class TTransport {
public:
    virtual ~TTransport() = default;

    // One step of opening this layer over the open ones below (a connect in
    // progress, a handshake, a proxy's answer): true once open, false to
    // wait as Want() says. Raises ESockError or ETlsError on a failure.
    virtual bool Open() = 0;
    // Bytes for the layer above: the count (> 0), 0 at the peer's end, -1
    // to wait as Want() says. Raises on a broken stream (ETlsError ...).
    virtual qsizetype Receive(char *into, qsizetype size) = 0;
    // The count taken (> 0), or -1 to wait as Want() says. more: another
    // send follows at once, so the bytes may wait for it in the kernel.
    virtual qsizetype Send(const char *data, qsizetype size, bool more) = 0;
    // Closes this layer and the ones below. notifyPeer: a goodbye that
    // costs no wait (TLS close_notify, HTTP/2 GOAWAY) goes out first.
    virtual void Close(bool notifyPeer) = 0;
    // The readiness of Handle() the last operation that returned -1 (or
    // false) waits for; None when nothing waits.
    virtual TWant Want() const = 0;
    // The socket the waits watch.
    virtual int Handle() const = 0;

    // What a layer learnt, passed up unchanged by the layers above it.
    // The protocol the peer chose in the TLS handshake (ALPN): "h2",
    // "http/1.1", or empty when none was offered or chosen.
    virtual QByteArray Protocol() const { return {}; }
    // The stream ended without the peer's goodbye (TLS without
    // close_notify): what came before the end may be cut short.
    virtual bool UncleanEnd() const { return false; }
};
