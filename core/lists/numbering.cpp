#include "core/lists/numbering.h"

QByteArray PaddedNumber(qint64 n, qint32 places)
{
    QByteArray s = QByteArray::number(n);
    if (s.size() < places)
        s.prepend(QByteArray(places - s.size(), '0'));
    return s;
}

QList<QByteArray> NumberedSeries(const QByteArray &prefix, const QByteArray &suffix, qint64 from,
                                 qint64 to, qint32 places)
{
    QList<QByteArray> lines;
    if (to < from)
        return lines;
    lines.reserve(to - from + 1);
    for (qint64 n = from; n <= to; ++n)
        lines << prefix + PaddedNumber(n, places) + suffix;
    return lines;
}

QString PagePrefix(qsizetype i)
{
    return (i < 10 ? QStringLiteral("0") : QString()) + QString::number(i) + u'-';
}
