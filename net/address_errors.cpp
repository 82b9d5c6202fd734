#include "net/address_errors.h"

#include <cctype>

namespace {

QString Reason(AddressProblem problem, const QByteArray &detail, bool english)
{
    const auto say = [english](const char *slovene, const char *inEnglish) {
        return QString::fromUtf8(english ? inEnglish : slovene);
    };
    const QString shown = ShownAddress(detail.left(100));
    switch (problem) {
    case AddressProblem::NotHttp:
        return say("shema \"%1\" ni http ali https", "the scheme \"%1\" is not http or https").arg(shown);
    case AddressProblem::NoHost:
        return say("ne navaja strežnika", "it names no host");
    case AddressProblem::UserInfo:
        return say("vsebuje uporabniško ime ali geslo", "it holds a user name or password");
    case AddressProblem::BrokenHost:
        return say("del s strežnikom \"%1\" je pokvarjen", "its host part \"%1\" is broken").arg(shown);
    case AddressProblem::Ipv6:
        return say("naslovi IPv6 niso podprti", "IPv6 addresses are not supported");
    case AddressProblem::PortNotANumber:
        return say("vrata \"%1\" niso število", "the port \"%1\" is not a number").arg(shown);
    case AddressProblem::PortOutOfRange:
        return say("vrata %1 so zunaj 1..65535", "the port %1 is outside 1..65535").arg(shown);
    case AddressProblem::ControlBytes:
        return say("vsebuje krmilne znake", "it holds control characters");
    case AddressProblem::NoSlashes:
        return say("za \"%1:\" ni ne \"//\" ne številke vrat", "\"%1:\" is followed by neither \"//\" nor a port number")
            .arg(shown);
    }
    return shown;
}

QString Text(bool redirect, AddressProblem problem, const QByteArray &address, const QByteArray &detail, bool english)
{
    QString start;
    if (redirect)
        start = english ? QString(kUnusableRedirect) : QStringLiteral("Preusmeritev na naslov, ki ga ni mogoče uporabiti: ");
    else
        start = english ? QString(kUnusableAddress) : QStringLiteral("Neuporaben spletni naslov: ");
    return start + ShownAddress(address) + QStringLiteral(": ") + Reason(problem, detail, english);
}

bool HasControlBytes(const QByteArray &text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return true;
    }
    return false;
}

bool IsDigits(const QByteArray &text)
{
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// The scheme of an address that starts with one ("http:"), else empty.
QByteArray SchemeOf(const QByteArray &address)
{
    const qsizetype colon = address.indexOf(':');
    if (colon <= 0 || !std::isalpha(static_cast<unsigned char>(address[0])))
        return QByteArray();
    for (qsizetype i = 1; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(address[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return QByteArray();
    }
    return address.left(colon);
}

}  // namespace

EAddressError::EAddressError(bool redirect, AddressProblem problem, QByteArray address, QByteArray detail)
    : ESockError(Text(redirect, problem, address, detail, true)),
      redirect_(redirect), problem_(problem), address_(std::move(address)), detail_(std::move(detail))
{
}

QString AddressProblemText(const EAddressError &e, bool english)
{
    return Text(e.Redirect(), e.Problem(), e.Address(), e.Detail(), english);
}

QString ShownAddress(const QByteArray &address)
{
    const QString text = QString::fromUtf8(address);
    QString shown;
    for (const QChar c : text) {
        if (shown.size() >= 200)
            break;
        const ushort code = c.unicode();
        if (code < 0x20 || (code >= 0x7f && code <= 0x9f))
            shown += QStringLiteral("\\x%1").arg(code, 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown.left(200);
}

std::optional<qint64> TakePortOf(QByteArray &hostPart, const QByteArray &address, bool hasSlashes)
{
    const qsizetype colon = hostPart.indexOf(':');
    // "htp:/host", "host:/x", "javascript:x": a scheme without "//", or a
    // host with something other than a port; with the scheme put before
    // them ("http://htp:/host") the ":" has nothing after it.
    if (colon >= 0 && (colon + 1 == hostPart.size() || (!hasSlashes && !IsDigits(hostPart.mid(colon + 1)))))
        throw EAddressError(false, AddressProblem::NoSlashes, address, hostPart.left(colon));
    if (hostPart.contains('@'))
        throw EAddressError(false, AddressProblem::UserInfo, address);
    if (hostPart.contains('[') || hostPart.contains(']')) {
        const bool closed = hostPart.startsWith('[') && hostPart.indexOf(']') > 0;
        throw EAddressError(false, closed ? AddressProblem::Ipv6 : AddressProblem::BrokenHost, address, hostPart);
    }
    if (colon < 0)
        return std::nullopt;
    const QByteArray port = hostPart.mid(colon + 1);
    const bool negative = port.startsWith('-') && port.size() > 1;  // refused as out of range
    const QByteArray digits = negative ? port.mid(1) : port;
    if (!IsDigits(digits))
        throw EAddressError(false, AddressProblem::PortNotANumber, address, port);
    hostPart.truncate(colon);
    // More digits than a port can have: past 65535 all the same.
    const qint64 value = digits.size() > 9 ? Q_INT64_C(999999999) : digits.toLongLong();
    return negative ? -value : value;
}

void CheckRedirectAddress(const QByteArray &address)
{
    const auto refuse = [&address](AddressProblem problem, const QByteArray &detail = QByteArray()) {
        throw EAddressError(true, problem, address, detail);
    };
    if (HasControlBytes(address))
        refuse(AddressProblem::ControlBytes);
    const QByteArray scheme = SchemeOf(address);
    const QByteArray lower = scheme.toLower();
    if (lower != "http" && lower != "https")
        refuse(AddressProblem::NotHttp, scheme);
    if (address.mid(scheme.size(), 3) != "://")
        refuse(AddressProblem::NoHost);
    const qsizetype start = scheme.size() + 3;
    const qsizetype end = address.indexOf('/', start);
    const QByteArray hostPart = address.mid(start, end < 0 ? -1 : end - start);
    QByteArray host = hostPart;
    std::optional<qint64> port;
    try {
        port = TakePortOf(host, address, true);
    } catch (const EAddressError &e) {
        refuse(e.Problem(), e.Detail());
    }
    if (host.isEmpty())
        refuse(AddressProblem::NoHost);
    if (port && (*port < 1 || *port > 65535))
        refuse(AddressProblem::PortOutOfRange, hostPart.mid(hostPart.indexOf(':') + 1));
}

QString TransferTooSlowText(qint32 seconds, bool english)
{
    if (english)
        return QString(kTransferTooSlow).arg(seconds);
    return QStringLiteral("Manj kot 1024 bajtov v %1 s").arg(seconds);
}

bool IsTransferTooSlow(const ESockError &e)
{
    const QString start = QString(kTransferTooSlow).section(QLatin1Char('%'), 0, 0);
    return e.Message().startsWith(start) && e.Message().endsWith(QLatin1String(" s"));
}
