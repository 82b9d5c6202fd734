// The usage statistic of the About tab, from the stored values and the
// current run, with the clock passed in.
#pragma once

#include <QString>

// Whole days since the stored install stamp ("0": not yet recorded, counts
// as now; a text that is not a number counts the same), rounded down, as
// text; negative when the clock was set back.
QString DaysInstalled(const QString &installText, qint64 nowMsecs);

// Whole minutes of running time over all runs: the stored "run" plus this
// run, rounded to the nearest minute (a half to the even one), as text. A
// stored text that is not a number counts as 0.
QString MinutesRunning(const QString &runText, qint64 startMsecs, qint64 nowMsecs);

// The accumulated running time to store at closing, as number text.
QString AccumulatedRunText(const QString &runText, qint64 startMsecs, qint64 nowMsecs);

// "Grabulo has been installed for ... is time to:" in English ("1 day",
// "1 minute", "1 picture" for one), or its Slovene counterpart.
QString StatisticSentence(const QString &days, const QString &minutes, qint32 files, bool english = true);

// "1 minute", "5 minutes": a count and an English noun, plural unless one.
QString EnglishCount(const QString &count, const char *singular, const char *plural);
