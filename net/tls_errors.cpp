#include "net/tls_errors.h"

#include "net/address_errors.h"
#include "net/answer_errors.h"
#include "net/socket_errors.h"

ETlsError::ETlsError(TlsProblem problem, QByteArray host, QString detail)
    : ESockError(TlsProblemText(problem, host, detail, true)),
      problem_(problem), host_(std::move(host)), detail_(std::move(detail))
{
}

QString TlsProblemText(TlsProblem problem, const QByteArray &host, const QString &detail, bool english)
{
    const auto say = [english](const char *slovene, const char *inEnglish) {
        return QString::fromUtf8(english ? inEnglish : slovene);
    };
    switch (problem) {
    case TlsProblem::Expired:
        return say("potrdilo strežnika je poteklo", "certificate has expired");
    case TlsProblem::NotYetValid:
        return say("potrdilo strežnika še ni veljavno", "certificate is not yet valid");
    case TlsProblem::SelfSigned:
        return say("potrdilo strežnika je samopodpisano", "self-signed certificate");
    case TlsProblem::UnknownIssuer:
        return say("potrdilo strežnika je izdal neznan overitelj",
                   "certificate is signed by an unknown authority");
    case TlsProblem::WrongHost:
        return say("potrdilo velja za %1, ne za %2", "certificate is for %1, not %2")
            .arg(detail, QString::fromUtf8(host));
    case TlsProblem::OtherCertificate:
        return say("potrdilo strežnika ni veljavno: %1", "certificate is not valid: %1").arg(detail);
    case TlsProblem::Handshake:
        return say("varne povezave ni bilo mogoče vzpostaviti: %1", "TLS handshake failed: %1").arg(detail);
    case TlsProblem::BrokenOff:
        return say("varna povezava je bila prekinjena: %1", "TLS connection broken off: %1").arg(detail);
    case TlsProblem::Setup:
        return say("knjižnice TLS ni bilo mogoče pripraviti: %1", "TLS could not be set up: %1").arg(detail);
    }
    return detail;
}

QString TlsProblemText(const ETlsError &e, bool english)
{
    return TlsProblemText(e.Problem(), e.Host(), e.Detail(), english);
}

bool IsBrokenOff(const ESockError &e)
{
    if (const auto *tls = dynamic_cast<const ETlsError *>(&e))
        return tls->Problem() == TlsProblem::BrokenOff;
    return e.Message().startsWith(kChunkedBodyBroken) || IsTransferTooSlow(e) || e.Message() == kHeaderCutShort
        || e.Message() == SocketErrorText(WsaNumber(WsaCode::ConnectionReset))
        || e.Message() == SocketErrorText(WsaNumber(WsaCode::ConnectionAborted));
}
