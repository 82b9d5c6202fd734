// One TLS client session over a connected non-blocking socket. It never
// waits: an operation that cannot go on says which readiness it needs
// (Want), and the connection waits for it in the event pump under its own
// time-out and Cancel, as it does for the plain socket.
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QtGlobal>

typedef struct ssl_st SSL;
typedef struct x509_store_ctx_st X509_STORE_CTX;
typedef struct ssl_session_st SSL_SESSION;

class TTlsSession {
public:
    enum class Wait { None, Read, Write };

    // Sets up the session on fd for host: the name goes out as SNI (not an
    // address) and the certificate must be issued for it (a name, or an
    // IPv4 address in dotted form). The session resumes the last one of
    // host and port when there is one. alpn: the protocols to offer in the
    // handshake ("h2", "http/1.1"), most wanted first; empty (the usual
    // case): no ALPN extension at all. Raises ETlsError (Setup), also for
    // a protocol name that is empty or longer than 255 bytes.
    TTlsSession(int fd, const QByteArray &host, int port, const QByteArrayList &alpn = {});
    ~TTlsSession();
    TTlsSession(const TTlsSession &) = delete;
    TTlsSession &operator=(const TTlsSession &) = delete;

    // One step of the handshake: true once it is complete; false when it
    // must wait as Want says. A certificate that fails verification or any
    // other failure raises ETlsError.
    bool Handshake();
    // Decrypted bytes into `into`: the count (> 0); 0 at the peer's end (an
    // end without close_notify sets UncleanEnd); -1 when it must wait as
    // Want says. A receive goes on while decrypted bytes are at hand, up to
    // size. A record error raises ETlsError (BrokenOff).
    qsizetype Read(char *into, qsizetype size);
    // Encrypts and sends: the count taken (> 0), or -1 when it must wait as
    // Want says. A failure raises ETlsError (BrokenOff).
    qsizetype Write(const char *data, qsizetype size);
    // Sends close_notify when the socket takes it at once; never waits.
    void Shutdown();
    // The protocol the server chose from the ones offered, once the
    // handshake is complete; empty when none was offered or chosen.
    QByteArray Protocol() const;

    Wait Want = Wait::None;
    bool UncleanEnd = false;

private:
    friend int TlsVerifyCallback(int ok, X509_STORE_CTX *store);
    friend int TlsNewSessionCallback(SSL *ssl, SSL_SESSION *session);
    // -1 and Want set when the error only means waiting; raises otherwise.
    qsizetype Retry(int result, bool handshake);
    [[noreturn]] void RaiseHandshakeFailure();
    bool OfferProtocols(const QByteArrayList &alpn);
    struct End {
        enum Kind { None, Clean, Unclean, Broken } kind = None;
        QString detail;
    };
    End EndOf(int error);
    qsizetype TakeEnd();

    SSL *ssl_ = nullptr;
    QByteArray host_;
    QByteArray sessionKey_;  // "host:port"
    QString leafNames_;  // the names of the server's certificate
    bool established_ = false;
    bool badProtocol_ = false;  // an ALPN name that cannot be offered
    End end_;  // how the stream ended, once it has
};

// The verification callback of the shared context: records the names of
// the server's certificate for the failure message and keeps OpenSSL's
// verdict.
int TlsVerifyCallback(int ok, X509_STORE_CTX *store);
// The new-session callback of the shared context: keeps the session the
// server gave (after the handshake, or later as a TLS 1.3 ticket) for the
// next connection to the same host and port.
int TlsNewSessionCallback(SSL *ssl, SSL_SESSION *session);

// The text of OpenSSL's oldest queued error (then clears the queue);
// "unknown error" when none is queued.
QString OpenSslErrorText();
