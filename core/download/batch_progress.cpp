#include "core/download/batch_progress.h"

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

qint64 SecondsLeft(const TBatchProgress &progress)
{
    // A few seconds say little of the pace of the rest.
    constexpr qint64 kShortestMs = 3000;
    const qint64 left = progress.total - progress.ended;
    const int saved = progress.ended - progress.skipped;
    if (saved < 1 || progress.bytesSaved <= 0 || progress.elapsedMs < kShortestMs || left <= 0)
        return -1;
    // Files passed over, failed or stopped end in no time and bring no
    // bytes: the rate is that of the bodies, the work left that of the files
    // still to transfer, each as big as the mean file saved so far.
    const double bytesPerMs = double(progress.bytes) / double(progress.elapsedMs);
    const double meanSize = double(progress.bytesSaved) / double(saved);
    const qint64 waiting = qMax<qint64>(0, left - progress.inTransfer);
    // A running file of unknown size has, on the mean, half of it still to come.
    const double due = double(progress.bytesDue) + meanSize * (double(waiting) + 0.5 * progress.sizeUnknown);
    return qint64(due / bytesPerMs / 1000.0 + 0.999);
}

QString TotalProgressText(const TBatchProgress &progress, bool english)
{
    const QString files = QStringLiteral("%1/%2 %3, %4")
                              .arg(progress.ended)
                              .arg(progress.total)
                              .arg(english ? QStringLiteral("files") : QStringLiteral("datotek"),
                                   DataSizeText(progress.bytes, english));
    const bool allKnown = progress.sizeUnknown == 0 && progress.total - progress.ended <= progress.inTransfer;
    if (!allKnown || progress.ended >= progress.total)
        return files;
    return files + (english ? QStringLiteral(" of ") : QStringLiteral(" od "))
           + DataSizeText(progress.bytes + progress.bytesDue, english);
}

QString TimeLeftText(qint64 seconds, bool english)
{
    if (seconds < 0)
        return {};
    if (seconds < 60) {
        const qint64 rounded = qMax<qint64>(5, (seconds + 4) / 5 * 5);  // whole seconds would jitter
        return english ? QStringLiteral("about %1 s left").arg(rounded)
                       : QStringLiteral("še približno %1 s").arg(rounded);
    }
    const qint64 minutes = (seconds + 30) / 60;
    if (minutes < 60)
        return english ? QStringLiteral("about %1 min left").arg(minutes)
                       : QStringLiteral("še približno %1 min").arg(minutes);
    return english ? QStringLiteral("about %1 h %2 min left").arg(minutes / 60).arg(minutes % 60)
                   : QStringLiteral("še približno %1 h %2 min").arg(minutes / 60).arg(minutes % 60);
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

QString OutlookText(const TBatchProgress &progress, bool english)
{
    if (progress.busyWaitS > 0)
        return english ? QStringLiteral("waiting %1 s for a busy server").arg(progress.busyWaitS)
                       : QStringLiteral("čakam %1 s na zaseden strežnik").arg(progress.busyWaitS);
    return TimeLeftText(SecondsLeft(progress), english);
}

QString ProgressSentence(const TBatchProgress &progress, bool english)
{
    const QString text = english ? QStringLiteral("%1 of %2 files done, %3 in transfer, %4 at %5")
                                 : QStringLiteral("%1 od %2 datotek končanih, %3 v prenosu, %4 s hitrostjo %5");
    const QString sentence = text.arg(progress.ended)
                                 .arg(progress.total)
                                 .arg(progress.inTransfer)
                                 .arg(DataSizeText(progress.bytes, english), SpeedText(progress));
    const QString left = OutlookText(progress, english);
    return left.isEmpty() ? sentence : sentence + QStringLiteral(", ") + left;
}

QString TallyText(const TBatchTally &tally, bool english)
{
    QString text = english ? QStringLiteral("%1 saved, %2 failed").arg(tally.saved).arg(tally.failed)
                           : QStringLiteral("Shranjenih: %1, neuspešnih: %2").arg(tally.saved).arg(tally.failed);
    if (tally.skipped > 0)
        text += english ? QStringLiteral(", %1 skipped").arg(tally.skipped)
                        : QStringLiteral(", preskočenih: %1").arg(tally.skipped);
    if (tally.stopped > 0)
        text += english ? QStringLiteral(", %1 stopped").arg(tally.stopped)
                        : QStringLiteral(", ustavljenih: %1").arg(tally.stopped);
    return text;
}

QStringList ProgressChoices(const TBatchProgress &progress, bool english)
{
    const QString done = QStringLiteral("%1/%2 %3")
                             .arg(progress.ended)
                             .arg(progress.total)
                             .arg(english ? QStringLiteral("done") : QStringLiteral("končanih"));
    const QString rate = english ? QStringLiteral("%1 at %2") : QStringLiteral("%1 s hitrostjo %2");
    const QString left = OutlookText(progress, english);
    const QString tail = left.isEmpty() ? QString() : QStringLiteral(", ") + left;
    return {ProgressSentence(progress, english),
            done + QStringLiteral(", ") + rate.arg(DataSizeText(progress.bytes, english), SpeedText(progress)) + tail,
            done + (left.isEmpty() ? QStringLiteral(", ") + SpeedText(progress) : tail)};
}

QStringList BatchEndChoices(const TBatchTally &tally, bool interrupted, bool english)
{
    const QString counts = TallyText(tally, english) + u'.';
    const char *whole = interrupted ? (english ? "Download interrupted." : "Prenos datotek prekinjen.")
                                    : (english ? "Download finished." : "Prenos datotek končan.");
    const char *brief = interrupted ? (english ? "Interrupted." : "Prekinjen.") : (english ? "Finished." : "Končan.");
    return {QString::fromUtf8(whole) + u' ' + counts, QString::fromUtf8(brief) + u' ' + counts, counts};
}
