#include "base/convert.h"

#include "base/errors.h"

#include <algorithm>
#include <cmath>
#include <limits>

std::optional<qint32> TryStrToInt(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        negative = t[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < t.size() && t[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == u'0' && (t[i + 1] == u'x' || t[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < t.size(); ++i) {
        const int digit = QChar(t[i]).isDigit() && t[i].unicode() < 128
                              ? t[i].unicode() - '0'
                              : (base == 16 && QStringLiteral("abcdef").contains(t[i].toLower())
                                     ? t[i].toLower().unicode() - 'a' + 10
                                     : -1);
        if (digit < 0)
            return std::nullopt;
        value = value * base + digit;
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (base == 16 && !negative && value > std::numeric_limits<quint32>::max())
        return std::nullopt;
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(value);
}

qint32 StrToInt(const QString &text)
{
    if (auto v = TryStrToInt(text))
        return *v;
    throw EConvertError::NotAnInteger(text);
}

std::optional<qint64> TryStrToInt64Number(const QString &text)
{
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(d) || std::fabs(d) > 9.0e18)
        return std::nullopt;
    return static_cast<qint64>(std::llround(d));
}

QString NumberText(qint64 value)
{
    return QString::number(value);
}

qint32 ClampToInt32(qint64 value)
{
    return qint32(std::clamp<qint64>(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}
