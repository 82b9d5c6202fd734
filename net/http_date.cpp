#include "net/http_date.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QTimeZone>

#include <algorithm>

namespace {
int MonthOf(const QByteArray &name)
{
    static const char *const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    for (int i = 0; i < 12; ++i) {
        if (name.toLower() == kMonths[i])
            return i + 1;
    }
    return 0;
}

std::optional<int> NumberOf(const QByteArray &text)
{
    if (text.isEmpty() || text.size() > 4)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}
}  // namespace

std::optional<qint64> HttpDateOf(const QByteArray &text)
{
    QByteArray words = text.trimmed();
    if (const qsizetype comma = words.indexOf(','); comma >= 0)
        words = words.mid(comma + 1);  // the weekday is not checked
    words.replace('-', ' ');
    QList<QByteArray> parts = words.simplified().split(' ');
    if (parts.size() == 5 && MonthOf(parts[1]) != 0 && !text.contains(','))  // asctime: Sun Nov  6 08:49:37 1994
        parts = {parts[2], parts[1], parts[4], parts[3], "GMT"};
    if (parts.size() != 5 && parts.size() != 4)
        return std::nullopt;
    const std::optional<int> day = NumberOf(parts[0]);
    const int month = MonthOf(parts[1]);
    std::optional<int> year = NumberOf(parts[2]);
    if (year && parts[2].size() == 2)
        year = *year + (*year < 70 ? 2000 : 1900);
    const QTime time = QTime::fromString(QString::fromLatin1(parts[3]), QStringLiteral("HH:mm:ss"));
    const QDate date = day && year ? QDate(*year, month, *day) : QDate();
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC).toSecsSinceEpoch();
}

std::optional<int> RetryAfterSeconds(const QByteArray &value, qint64 now)
{
    const QByteArray text = value.trimmed();
    if (!text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return text.size() > 6 ? kMostRetryAfter : std::min(text.toInt(), kMostRetryAfter);
    const std::optional<qint64> when = HttpDateOf(text);
    if (!when)
        return std::nullopt;
    return int(std::clamp<qint64>(*when - now, 0, kMostRetryAfter));
}
