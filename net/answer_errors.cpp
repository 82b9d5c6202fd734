#include "net/answer_errors.h"

#include "net/address_errors.h"

QString InvalidContentLengthText(const QByteArray &value)
{
    constexpr qsizetype kShown = 100;
    QString shown;
    for (const char c : value) {
        if (shown.size() >= kShown)
            break;
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f)
            shown += QLatin1Char(c);
        else
            shown += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return kInvalidContentLength + shown.left(kShown);
}

QString AnswerFailureText(const ESockError &e, qint32 lowSpeedTime, bool english)
{
    const QString &message = e.Message();
    if (const auto *address = dynamic_cast<const EAddressError *>(&e))
        return AddressProblemText(*address, english);
    if (IsTransferTooSlow(e))
        return TransferTooSlowText(lowSpeedTime, english);
    if (english)
        return message;
    if (message == kHeaderCutShort)
        return QStringLiteral("odgovor se je končal sredi glave");
    if (message == kUnaskedProtocolSwitch)
        return QStringLiteral("strežnik je nezahtevano zamenjal protokol");
    if (message.startsWith(kInvalidContentLength))
        return QStringLiteral("neveljaven Content-Length: ") + message.mid(kInvalidContentLength.size());
    return message;
}
