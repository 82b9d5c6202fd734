// The texts that show how a batch is going: the counter's two short lines
// and the status panel's sentence with the time left, and the tally of a
// batch that has ended.
#pragma once

#include <QString>
#include <QStringList>

// How often a running batch rewrites its progress texts.
inline constexpr int kProgressIntervalMs = 250;
// How often the files in transfer on worker threads are looked at for the
// least picture size.
inline constexpr int kPictureLookIntervalMs = 10;

struct TBatchProgress {
    int ended = 0;        // saved, failed or stopped
    qint64 total = 0;     // files picked
    int inTransfer = 0;
    qint64 bytes = 0;     // bodies received so far, the running ones included
    qint64 elapsedMs = 0;
    // Of ended: the files that took no transfer worth timing (passed over as
    // saved, failed before or without a body, filtered by size, stopped).
    // They count neither toward the pace nor toward the work left.
    int skipped = 0;
    // Of bytes: the bodies of the files saved (transferred) so far.
    qint64 bytesSaved = 0;
    // The files in transfer whose size is known: the bytes they still lack.
    qint64 bytesDue = 0;
    // The files in transfer whose size is not known (yet).
    int sizeUnknown = 0;
    // The seconds a busy server (429 or 503 with Retry-After) still asks
    // the batch to wait; 0 when nothing waits.
    int busyWaitS = 0;
};

// What became of the files of one batch. A file that is already saved and
// is passed over counts as skipped: done, not failed.
struct TBatchTally {
    int saved = 0;     // given their final name
    int failed = 0;    // given up
    int skipped = 0;
    int stopped = 0;   // ended by Stop, Disconnect or the window closing
};

// "1.8 MiB"; bytes below 1 KiB as "512 B"; a decimal comma in Slovene.
QString DataSizeText(qint64 bytes, bool english);
// The mean speed so far, "679 KiB/s".
QString SpeedText(const TBatchProgress &progress);
// The seconds the rest of the batch will take: the bytes still to come
// (what the files in transfer lack, where their size is known, and the
// mean size of the files saved so far for each of the others) at the rate
// measured so far. -1 while that says nothing yet (no file saved, too
// little time behind, no bytes saved, or nothing left).
qint64 SecondsLeft(const TBatchProgress &progress);
// The total progress bar's text: "12/40 files, 1.8 MiB" and, once the size
// of everything left is known, "12/40 files, 1.8 MiB of 3.0 MiB"
// ("12/40 datotek, 1,8 MiB od 3,0 MiB").
QString TotalProgressText(const TBatchProgress &progress, bool english);
// "about 40 s left", "about 12 min left", "about 2 h 5 min left"; empty
// for -1.
QString TimeLeftText(qint64 seconds, bool english);
// While a busy server is waited for, "waiting 30 s for a busy server" in
// place of the time left; else the time left (or nothing).
QString OutlookText(const TBatchProgress &progress, bool english);
// "229/1000 done" and "4 now · 679 KiB/s": short enough for the counter.
QString ProgressCounterLine(const TBatchProgress &progress, bool english);
QString ProgressRateLine(const TBatchProgress &progress, bool english);
// "229 of 1000 files done, 4 in transfer, 1.8 MiB at 679 KiB/s", then
// ", about 3 min left" once the time left means something.
QString ProgressSentence(const TBatchProgress &progress, bool english);
// The sentence, then shorter forms of it for a narrow status panel:
// "229/1000 done, 1.8 MiB at 679 KiB/s, about 3 min left" and "229/1000
// done, about 3 min left" (the speed where no time left is known yet).
QStringList ProgressChoices(const TBatchProgress &progress, bool english);
// "3 saved, 1 failed" (", 2 skipped" and ", 1 stopped" only when some
// were); "Shranjenih: 3, neuspešnih: 1".
QString TallyText(const TBatchTally &tally, bool english);
// "Download finished. 3 saved, 1 failed.", then "Finished. 3 saved, 1
// failed." and "3 saved, 1 failed." ("interrupted" for a stopped batch).
QStringList BatchEndChoices(const TBatchTally &tally, bool interrupted, bool english);
