// The client context that every TLS connection of the process shares.
#pragma once

typedef struct ssl_ctx_st SSL_CTX;

// TLS 1.2 and newer, peer verification on, the trust store of the system
// or the one that SSL_CERT_FILE and SSL_CERT_DIR name. Made on first use
// and made afresh when either variable changes, so the store is read once
// and not for every connection. Raises ETlsError (Setup) when OpenSSL
// cannot make it. The context stays owned here; a connection takes its own
// reference through SSL_new.
SSL_CTX *ClientTlsContext();
