#include "core/statistics.h"

#include "base/convert.h"

#include <cmath>

namespace {
qint64 StoredMsecs(const QString &text)
{
    return TryStrToInt64Number(text).value_or(0);
}
}  // namespace

QString DaysInstalled(const QString &installText, qint64 nowMsecs)
{
    const qint64 start = installText == QLatin1String("0") ? nowMsecs
                                                           : TryStrToInt64Number(installText).value_or(nowMsecs);
    const double days = std::floor(double(nowMsecs - start) / 1000 / 60 / 60 / 24);
    return QString::number(qint64(days));
}

QString MinutesRunning(const QString &runText, qint64 startMsecs, qint64 nowMsecs)
{
    const qint64 total = StoredMsecs(runText) - startMsecs + nowMsecs;
    return QString::number(qint64(std::nearbyint(double(total) / 1000 / 60)));
}

QString AccumulatedRunText(const QString &runText, qint64 startMsecs, qint64 nowMsecs)
{
    return NumberText(nowMsecs - startMsecs + StoredMsecs(runText));
}

QString StatisticSentence(const QString &days, const QString &minutes, qint32 files)
{
    return QStringLiteral("Grabulo has been installed for ") + days + QStringLiteral(" days, has been running for ")
        + minutes + QStringLiteral(" minutes and has been used for downloading ") + QString::number(files)
        + QStringLiteral(" pictures. Do you think it ") + QStringLiteral("is time to:");
}
