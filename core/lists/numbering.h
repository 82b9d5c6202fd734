// Numbers in generated names: the zero-padded numbers of the Create List
// window and the per-page prefix of the list download.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The most entries one Create list press generates, and the most decimal
// places it pads to. Within these a series builds in well under a second.
constexpr qint64 kMaxSeriesEntries = 1000000;
constexpr qint32 kMaxDecimalPlaces = 100;

// n in decimal with "0" put in front until it has at least `places`
// characters; a negative number gets its zeros before the minus sign.
QByteArray PaddedNumber(qint64 n, qint32 places);

// prefix + PaddedNumber(n, places) + suffix for n = from .. to; empty when
// to < from. The caller keeps the range within kMaxSeriesEntries.
QList<QByteArray> NumberedSeries(const QByteArray &prefix, const QByteArray &suffix, qint64 from,
                                 qint64 to, qint32 places);

// The prefix of the files saved for entry i of a page list: i in decimal
// and "-", with a leading "0" below 10 (00-, 09-, 10-, 100-).
QString PagePrefix(qsizetype i);
