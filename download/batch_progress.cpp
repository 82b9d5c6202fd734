#include "download/batch_progress.h"

#include <QtGlobal>

QString DataSizeText(qint64 bytes, bool english)
{
    static const char *const kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
    if (bytes < 1024)
        return QString::number(qMax<qint64>(bytes, 0)) + QStringLiteral(" B");
    double value = double(bytes) / 1024.0;
    int unit = 0;
    for (; value >= 1024.0 && unit < 3; ++unit)
        value /= 1024.0;
    QString number = QString::number(value, 'f', value < 10.0 ? 1 : 0);
    if (!english)
        number.replace(u'.', u',');
    return number + u' ' + QLatin1StringView(kUnits[unit]);
}

QString SpeedText(const TBatchProgress &progress)
{
    const double seconds = double(qMax<qint64>(progress.elapsedMs, 1)) / 1000.0;
    return QString::number(qint64(double(progress.bytes) / 1024.0 / seconds)) + QStringLiteral(" KiB/s");
}

QString ProgressCounterLine(const TBatchProgress &progress, bool english)
{
    return QStringLiteral("%1/%2 %3")
        .arg(progress.ended)
        .arg(progress.total)
        .arg(english ? QStringLiteral("done") : QStringLiteral("končanih"));
}

QString ProgressRateLine(const TBatchProgress &progress, bool english)
{
    return QStringLiteral("%1 %2 · %3")
        .arg(progress.inTransfer)
        .arg(english ? QStringLiteral("now") : QStringLiteral("zdaj"), SpeedText(progress));
}

QString ProgressSentence(const TBatchProgress &progress, bool english)
{
    const QString text = english ? QStringLiteral("%1 of %2 files done, %3 in transfer, %4 at %5")
                                 : QStringLiteral("%1 od %2 datotek končanih, %3 v prenosu, %4 s hitrostjo %5");
    return text.arg(progress.ended)
        .arg(progress.total)
        .arg(progress.inTransfer)
        .arg(DataSizeText(progress.bytes, english), SpeedText(progress));
}
