#include "net/tls_context.h"

#include "net/tls_errors.h"
#include "net/tls_session.h"

#include <QByteArray>
#include <openssl/err.h>
#include <openssl/ssl.h>

namespace {

struct SharedContext {
    SSL_CTX *context = nullptr;
    QByteArray certFile;
    QByteArray certDir;

    ~SharedContext() { SSL_CTX_free(context); }
};

SSL_CTX *MakeContext()
{
    SSL_CTX *context = SSL_CTX_new(TLS_client_method());
    if (!context)
        throw ETlsError(TlsProblem::Setup, QByteArray(), OpenSslErrorText());
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    // A send may take part of a block and be called again with the rest
    // from another place of the same buffer, as a plain socket allows.
    SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, TlsVerifyCallback);
    // Honours SSL_CERT_FILE and SSL_CERT_DIR, else the system's store.
    if (SSL_CTX_set_default_verify_paths(context) != 1) {
        const QString detail = OpenSslErrorText();
        SSL_CTX_free(context);
        throw ETlsError(TlsProblem::Setup, QByteArray(), detail);
    }
    return context;
}

}  // namespace

SSL_CTX *ClientTlsContext()
{
    static SharedContext shared;
    const QByteArray certFile = qgetenv("SSL_CERT_FILE");
    const QByteArray certDir = qgetenv("SSL_CERT_DIR");
    if (shared.context && certFile == shared.certFile && certDir == shared.certDir)
        return shared.context;
    SSL_CTX *context = MakeContext();
    SSL_CTX_free(shared.context);
    shared.context = context;
    shared.certFile = certFile;
    shared.certDir = certDir;
    return context;
}
