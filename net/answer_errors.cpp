#include "net/answer_errors.h"

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
