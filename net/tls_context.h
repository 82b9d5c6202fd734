// The client context that every TLS connection of the process shares.
#pragma once

#include <QByteArray>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_session_st SSL_SESSION;

// TLS 1.2 and newer, peer verification on, the trust store of the system
// or the one that SSL_CERT_FILE and SSL_CERT_DIR name. Made on first use
// and made afresh when either variable changes, so the store is read once
// and not for every connection. Raises ETlsError (Setup) when OpenSSL
// cannot make it. The context stays owned here; a connection takes its own
// reference through SSL_new. Safe on any thread: a context replaced
// meanwhile (the variables changed) stays valid until the program ends.
SSL_CTX *ClientTlsContext();

// Sessions to resume: the last one a server gave for each "host:port", so
// that the next connection there makes an abbreviated handshake (no
// certificate to send and check, no signature), as browsers do. Only
// sessions of verified handshakes come here; they go with the context when
// the trust store changes. CachedTlsSession gives a new reference or null.
// Both are safe on any thread: the cache is under a lock.
void RememberTlsSession(const QByteArray &key, SSL_SESSION *session);  // takes the reference
SSL_SESSION *CachedTlsSession(const QByteArray &key);
