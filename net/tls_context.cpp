#include "net/tls_context.h"

#include "net/tls_errors.h"
#include "net/tls_session.h"

#include <QByteArray>
#include <map>
#include <mutex>
#include <vector>
#include <openssl/err.h>
#include <openssl/ssl.h>

namespace {

// More hosts than a gallery links to; past it the oldest are dropped.
constexpr size_t kMaxSessions = 64;

// Connections on several threads (transfer workers) share it: every member
// is used under lock. The new-session callback runs on whichever thread
// handshakes.
struct SharedContext {
    std::mutex lock;
    SSL_CTX *context = nullptr;
    // Contexts replaced after a change of the trust store. A caller of
    // ClientTlsContext on another thread may still be about to pass the old
    // one to SSL_new (which takes its own reference), so a replaced context
    // is kept until the end of the program rather than freed. The store
    // changes only when SSL_CERT_FILE or SSL_CERT_DIR does: a few at most.
    std::vector<SSL_CTX *> retired;
    QByteArray certFile;
    QByteArray certDir;
    std::map<QByteArray, SSL_SESSION *> sessions;

    void ForgetSessions()
    {
        for (auto &entry : sessions)
            SSL_SESSION_free(entry.second);
        sessions.clear();
    }
    ~SharedContext()
    {
        ForgetSessions();
        SSL_CTX_free(context);
        for (SSL_CTX *old : retired)
            SSL_CTX_free(old);
    }
};

SharedContext &Shared()
{
    static SharedContext shared;
    return shared;
}

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
    // The client keeps its sessions itself (RememberTlsSession), one per
    // host and port; OpenSSL's own store is for servers.
    SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(context, TlsNewSessionCallback);
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
    SharedContext &shared = Shared();
    const QByteArray certFile = qgetenv("SSL_CERT_FILE");
    const QByteArray certDir = qgetenv("SSL_CERT_DIR");
    const std::lock_guard hold(shared.lock);
    if (shared.context && certFile == shared.certFile && certDir == shared.certDir)
        return shared.context;
    SSL_CTX *context = MakeContext();
    shared.ForgetSessions();
    if (shared.context)
        shared.retired.push_back(shared.context);
    shared.context = context;
    shared.certFile = certFile;
    shared.certDir = certDir;
    return context;
}

void RememberTlsSession(const QByteArray &key, SSL_SESSION *session)
{
    SharedContext &shared = Shared();
    const std::lock_guard hold(shared.lock);
    auto &sessions = shared.sessions;
    if (sessions.size() >= kMaxSessions && !sessions.count(key))
        shared.ForgetSessions();
    SSL_SESSION *&slot = sessions[key];
    SSL_SESSION_free(slot);
    slot = session;
}

SSL_SESSION *CachedTlsSession(const QByteArray &key)
{
    SharedContext &shared = Shared();
    const std::lock_guard hold(shared.lock);
    const auto &sessions = shared.sessions;
    const auto it = sessions.find(key);
    if (it == sessions.end() || SSL_SESSION_up_ref(it->second) != 1)
        return nullptr;
    return it->second;
}
