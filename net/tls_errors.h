// The failures of a TLS connection and their texts in both interface
// languages. A certificate that fails verification ends the connection
// before any request is sent; the failure says what was wrong with it.
#pragma once

#include "base/errors.h"

#include <QByteArray>
#include <QString>

enum class TlsProblem {
    Expired,          // the server's certificate is past its end date
    NotYetValid,      // its start date is still to come
    SelfSigned,       // signed by itself, not by a trusted authority
    UnknownIssuer,    // signed by an authority the trust store does not hold
    WrongHost,        // issued for other names than the one asked for
    OtherCertificate, // any other verification failure (OpenSSL's text)
    Handshake,        // the handshake failed for a reason other than the certificate
    BrokenOff,        // a record error or an end without close_notify mid-body
    Setup,            // the TLS library could not be set up
};

class ETlsError : public ESockError {
public:
    // detail: OpenSSL's text for OtherCertificate, Handshake, BrokenOff and
    // Setup; the certificate's names for WrongHost.
    ETlsError(TlsProblem problem, QByteArray host, QString detail);

    TlsProblem Problem() const { return problem_; }
    const QByteArray &Host() const { return host_; }
    const QString &Detail() const { return detail_; }

private:
    TlsProblem problem_;
    QByteArray host_;
    QString detail_;
};

// What went wrong, in English or in Slovene: "certificate has expired",
// "certificate is for other.example, not 127.0.0.1" ... Message() of the
// error is the English text.
QString TlsProblemText(TlsProblem problem, const QByteArray &host, const QString &detail, bool english);
QString TlsProblemText(const ETlsError &e, bool english);

// Whether a transfer was broken off by the peer or the network (a reset, an
// abort, a TLS record error or an unclean TLS end, a chunked body cut
// short, an answer's header cut short: kHeaderCutShort), so that another
// attempt may succeed. An invalid answer (kInvalidContentLength,
// kUnaskedProtocolSwitch) is not: the server would send it again.
bool IsBrokenOff(const ESockError &e);
