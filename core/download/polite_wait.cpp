#include "core/download/polite_wait.h"

#include "net/http_date.h"

std::optional<int> BusyWaitOf(const TTransferResult &result, qint64 now)
{
    if (result.ReplyNumber != 429 && result.ReplyNumber != 503)
        return std::nullopt;
    const QByteArray value = result.HeaderValue("Retry-After");
    if (value.isNull())
        return std::nullopt;
    return RetryAfterSeconds(value, now);
}

QString BusyWaitText(int seconds, const QString &file, bool english)
{
    return (english ? QStringLiteral("Server busy, waiting %1 s: %2")
                    : QString::fromUtf8("Strežnik je zaseden, čakam %1 s: %2"))
        .arg(seconds)
        .arg(file);
}

qint64 THostPacer::WaitFor(const QByteArray &host, qint64 nowMs, qint64 gapMs) const
{
    const auto last = lastStart_.constFind(host.toLower());
    if (gapMs <= 0 || last == lastStart_.constEnd())
        return 0;
    return qMax<qint64>(0, *last + gapMs - nowMs);
}

void THostPacer::Started(const QByteArray &host, qint64 nowMs)
{
    lastStart_.insert(host.toLower(), nowMs);
}
