// Asynchronous name look-up for the socket connection. The default resolver
// asks the system (getaddrinfo on a worker thread); tests install their own to make a
// look-up slow or fail on purpose.
#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <functional>
#include <optional>

class QObject;

class THostResolver {
public:
    // The IPv4 address in host byte order, or nothing when the name did
    // not resolve.
    using Done = std::function<void(std::optional<quint32> address)>;

    virtual ~THostResolver() = default;

    // Starts a look-up of name. done runs later, as an event on the
    // calling thread, unless context has been destroyed by then.
    virtual void LookUp(const QByteArray &name, QObject *context, Done done) = 0;
};

// The system's resolver: getaddrinfo on a short-lived worker thread.
THostResolver &SystemHostResolver();

// A dotted IPv4 address ("127.0.0.1") in host byte order, without look-up.
std::optional<quint32> ParseDottedAddress(const QByteArray &text);
