#include "net/tls_session.h"

#include "net/host_resolver.h"
#include "net/tls_context.h"
#include "net/tls_errors.h"

#include <QStringList>
#include <cerrno>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <cstring>

namespace {

int SessionIndex()
{
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

QString AddressText(const ASN1_OCTET_STRING *address)
{
    const unsigned char *bytes = ASN1_STRING_get0_data(address);
    if (ASN1_STRING_length(address) == 4)
        return QStringLiteral("%1.%2.%3.%4").arg(bytes[0]).arg(bytes[1]).arg(bytes[2]).arg(bytes[3]);
    return QByteArray(reinterpret_cast<const char *>(bytes), ASN1_STRING_length(address)).toHex(':');
}

// The DNS names and addresses a certificate is issued for; its common
// name when it lists none.
QString NamesOf(X509 *certificate)
{
    QStringList names;
    auto *alternatives = static_cast<GENERAL_NAMES *>(
        X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr));
    for (int i = 0; i < sk_GENERAL_NAME_num(alternatives); ++i) {
        const GENERAL_NAME *name = sk_GENERAL_NAME_value(alternatives, i);
        if (name->type == GEN_DNS)
            names << QString::fromLatin1(reinterpret_cast<const char *>(
                                             ASN1_STRING_get0_data(name->d.dNSName)),
                                         ASN1_STRING_length(name->d.dNSName));
        else if (name->type == GEN_IPADD)
            names << AddressText(name->d.iPAddress);
    }
    GENERAL_NAMES_free(alternatives);
    if (names.isEmpty()) {
        char common[256] = {};
        X509_NAME_get_text_by_NID(X509_get_subject_name(certificate), NID_commonName, common, sizeof common);
        names << QString::fromLatin1(common);
    }
    // A printable list of a sane length, whatever the certificate holds.
    if (names.size() > 4)
        names = names.first(4) << QStringLiteral("...");
    QString text = names.join(QStringLiteral(", "));
    for (QChar &c : text) {
        if (!c.isPrint())
            c = QLatin1Char('?');
    }
    return text;
}

TlsProblem ProblemOf(long verifyResult)
{
    switch (verifyResult) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return TlsProblem::Expired;
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return TlsProblem::NotYetValid;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        return TlsProblem::SelfSigned;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return TlsProblem::UnknownIssuer;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return TlsProblem::WrongHost;
    default:
        return TlsProblem::OtherCertificate;
    }
}

}  // namespace

QString OpenSslErrorText()
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return QStringLiteral("unknown error");
    char text[256] = {};
    ERR_error_string_n(code, text, sizeof text);
    // "error:0A000086:SSL routines::certificate verify failed": the reason
    // is what a person can read.
    const QString whole = QString::fromLatin1(text);
    const qsizetype colon = whole.lastIndexOf(QLatin1Char(':'));
    return colon >= 0 ? whole.mid(colon + 1) : whole;
}

int TlsVerifyCallback(int ok, X509_STORE_CTX *store)
{
    auto *ssl = static_cast<SSL *>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto *session = ssl ? static_cast<TTlsSession *>(SSL_get_ex_data(ssl, SessionIndex())) : nullptr;
    if (session && !ok && X509_STORE_CTX_get_error_depth(store) == 0 && session->leafNames_.isEmpty()) {
        if (X509 *leaf = X509_STORE_CTX_get_current_cert(store))
            session->leafNames_ = NamesOf(leaf);
    }
    return ok;
}

int TlsNewSessionCallback(SSL *ssl, SSL_SESSION *session)
{
    auto *owner = static_cast<TTlsSession *>(SSL_get_ex_data(ssl, SessionIndex()));
    if (!owner || SSL_get_verify_result(ssl) != X509_V_OK)
        return 0;  // not kept: OpenSSL frees it
    RememberTlsSession(owner->sessionKey_, session);
    return 1;
}

TTlsSession::TTlsSession(int fd, const QByteArray &host, int port, const QByteArrayList &alpn)
    : host_(host), sessionKey_(host.toLower() + ':' + QByteArray::number(port))
{
    ERR_clear_error();
    ssl_ = SSL_new(ClientTlsContext());
    if (!ssl_)
        throw ETlsError(TlsProblem::Setup, host, OpenSslErrorText());
    SSL_set_ex_data(ssl_, SessionIndex(), this);
    bool named = false;
    if (ParseDottedAddress(host))
        named = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), host.constData()) == 1;
    else
        named = SSL_set_tlsext_host_name(ssl_, host.constData()) == 1
             && SSL_set1_host(ssl_, host.constData()) == 1;
    if (!named || !OfferProtocols(alpn) || SSL_set_fd(ssl_, fd) != 1) {
        const QString detail = badProtocol_ ? QStringLiteral("invalid ALPN protocol name") : OpenSslErrorText();
        SSL_free(ssl_);
        throw ETlsError(TlsProblem::Setup, host, detail);
    }
    if (SSL_SESSION *resumed = CachedTlsSession(sessionKey_)) {
        SSL_set_session(ssl_, resumed);
        SSL_SESSION_free(resumed);
    }
    SSL_set_connect_state(ssl_);
}

// ALPN on this session only (the shared context offers nothing): the
// names in the wire form, each after its length byte.
bool TTlsSession::OfferProtocols(const QByteArrayList &alpn)
{
    if (alpn.isEmpty())
        return true;
    QByteArray wire;
    for (const QByteArray &name : alpn) {
        if (name.isEmpty() || name.size() > 255) {
            ERR_clear_error();
            badProtocol_ = true;
            return false;
        }
        wire += char(name.size()) + name;
    }
    // 0 is success here.
    return SSL_set_alpn_protos(ssl_, reinterpret_cast<const unsigned char *>(wire.constData()),
                               unsigned(wire.size())) == 0;
}

QByteArray TTlsSession::Protocol() const
{
    const unsigned char *name = nullptr;
    unsigned int length = 0;
    SSL_get0_alpn_selected(ssl_, &name, &length);
    return QByteArray(reinterpret_cast<const char *>(name), qsizetype(length));
}

TTlsSession::~TTlsSession()
{
    SSL_free(ssl_);
}

bool TTlsSession::Handshake()
{
    ERR_clear_error();
    const int result = SSL_do_handshake(ssl_);
    if (result == 1) {
        established_ = true;
        Want = Wait::None;
        return true;
    }
    Retry(result, true);
    return false;
}

void TTlsSession::RaiseHandshakeFailure()
{
    const long verified = SSL_get_verify_result(ssl_);
    if (verified != X509_V_OK) {
        ERR_clear_error();
        const TlsProblem problem = ProblemOf(verified);
        const QString detail = problem == TlsProblem::WrongHost
                                   ? leafNames_
                                   : QString::fromLatin1(X509_verify_cert_error_string(verified));
        throw ETlsError(problem, host_, detail);
    }
    const int error = errno;
    QString detail = OpenSslErrorText();
    if (detail == QLatin1String("unknown error") && error != 0)
        detail = QString::fromLocal8Bit(strerror(error));
    throw ETlsError(TlsProblem::Handshake, host_, detail);
}

qsizetype TTlsSession::Retry(int result, bool handshake)
{
    const int error = SSL_get_error(ssl_, result);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
        Want = error == SSL_ERROR_WANT_READ ? Wait::Read : Wait::Write;
        return -1;
    }
    Want = Wait::None;
    if (handshake)
        RaiseHandshakeFailure();
    if (error == SSL_ERROR_SYSCALL && errno == EINTR)
        return -1;  // Want None: call again at once
    end_ = EndOf(error);
    return TakeEnd();
}

// How the stream ended after a failed call that was no request to wait.
TTlsSession::End TTlsSession::EndOf(int error)
{
    if (error == SSL_ERROR_ZERO_RETURN)
        return End{End::Clean, QString()};
    // OpenSSL 3 reports an end of the stream without close_notify as this
    // error: the peer, or someone between, ended without saying so, and
    // what came may be cut short.
    if (error == SSL_ERROR_SSL && ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
        ERR_clear_error();
        return End{End::Unclean, QString()};
    }
    const int systemError = errno;
    QString detail = OpenSslErrorText();
    if (error == SSL_ERROR_SYSCALL && systemError != 0)
        detail = QString::fromLocal8Bit(strerror(systemError));
    return End{End::Broken, detail};
}

// 0 for an end, clean or not; raises a broken one. The end stays: every
// later call meets it again.
qsizetype TTlsSession::TakeEnd()
{
    if (end_.kind == End::Broken)
        throw ETlsError(TlsProblem::BrokenOff, host_, end_.detail);
    UncleanEnd = end_.kind == End::Unclean;
    return 0;
}

qsizetype TTlsSession::Read(char *into, qsizetype size)
{
    if (end_.kind != End::None)
        return TakeEnd();
    ERR_clear_error();
    size_t got = 0;
    const int result = SSL_read_ex(ssl_, into, size_t(size), &got);
    if (result != 1)
        return Retry(result, false);
    Want = Wait::None;
    // Whole records are often at hand already: take them in the same
    // call, so a capture handles large blocks instead of one per record.
    while (qsizetype(got) < size && SSL_has_pending(ssl_)) {
        size_t more = 0;
        ERR_clear_error();
        const int next = SSL_read_ex(ssl_, into + got, size_t(size) - got, &more);
        if (next != 1) {
            const int error = SSL_get_error(ssl_, next);
            if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE
                && !(error == SSL_ERROR_SYSCALL && errno == EINTR))
                end_ = EndOf(error);  // told at the next call
            ERR_clear_error();
            break;
        }
        got += more;
    }
    return qsizetype(got);
}

qsizetype TTlsSession::Write(const char *data, qsizetype size)
{
    ERR_clear_error();
    size_t sent = 0;
    const int result = SSL_write_ex(ssl_, data, size_t(size), &sent);
    if (result == 1) {
        Want = Wait::None;
        return qsizetype(sent);
    }
    const qsizetype retry = Retry(result, false);
    if (retry == 0)  // close_notify while sending: the peer takes nothing more
        throw ETlsError(TlsProblem::BrokenOff, host_, QStringLiteral("closed by the server"));
    return retry;
}

void TTlsSession::Shutdown()
{
    if (!established_)
        return;
    ERR_clear_error();
    SSL_shutdown(ssl_);
    ERR_clear_error();
}
