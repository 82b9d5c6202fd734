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

QString EnglishCount(const QString &count, const char *singular, const char *plural)
{
    return count + u' ' + QString::fromLatin1(count == QLatin1String("1") ? singular : plural);
}

QString StatisticSentence(const QString &days, const QString &minutes, qint32 files, bool english)
{
    if (!english)
        return QString::fromUtf8("Dni od namestitve: %1, minut delovanja: %2, prenesenih slik: %3. "
                                 "Je morda čas, da:")
            .arg(days, minutes, QString::number(files));
    return QStringLiteral("Grabulo has been installed for %1, has been running for %2 and has been used for "
                          "downloading %3. Do you think it is time to:")
        .arg(EnglishCount(days, "day", "days"), EnglishCount(minutes, "minute", "minutes"),
             EnglishCount(QString::number(files), "picture", "pictures"));
}
