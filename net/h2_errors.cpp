#include "net/h2_errors.h"

#include <nghttp2/nghttp2.h>

QString H2ConnectionErrorText(const QString &reason)
{
    return kH2ConnectionError + reason;
}

QString H2StreamResetText(uint32_t errorCode)
{
    // nghttp2 names the codes of RFC 9113 7; it answers "unknown" for others.
    const QString name = errorCode <= NGHTTP2_HTTP_1_1_REQUIRED
                             ? QString::fromLatin1(nghttp2_http2_strerror(errorCode))
                             : QString::number(errorCode);
    return kH2StreamReset + name;
}

QString H2FailureText(const QString &message, bool english)
{
    if (english)
        return message;
    if (message.startsWith(kH2ConnectionError))
        return QStringLiteral("napaka povezave HTTP/2: ") + message.mid(kH2ConnectionError.size());
    if (message == kH2ConnectionEnded)
        return QStringLiteral("povezava HTTP/2 se je končala");
    if (message == kH2HeaderTooLarge)
        return QStringLiteral("glava odgovora je prevelika");
    if (message == kH2BodyCutShort)
        return QStringLiteral("odgovor se je končal pred svojo dolžino (Content-Length)");
    if (message == kH2NoAnswer)
        return QStringLiteral("tok se je končal brez odgovora");
    if (message == kH2NoNewStream)
        return QStringLiteral("povezava HTTP/2 ne sprejme novega toka");
    if (message.startsWith(kH2StreamReset))
        return QStringLiteral("tok HTTP/2 ponastavljen: ") + message.mid(kH2StreamReset.size());
    return message;
}
