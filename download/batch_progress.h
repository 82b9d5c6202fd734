// The texts that show how a batch of several files at once is going: the
// counter's two short lines and the status panel's sentence.
#pragma once

#include <QString>

struct TBatchProgress {
    int ended = 0;        // saved, failed or stopped
    qint64 total = 0;     // files picked
    int inTransfer = 0;
    qint64 bytes = 0;     // bodies received so far, the running ones included
    qint64 elapsedMs = 0;
};

// "1.8 MiB"; bytes below 1 KiB as "512 B"; a decimal comma in Slovene.
QString DataSizeText(qint64 bytes, bool english);
// The mean speed so far, "679 KiB/s".
QString SpeedText(const TBatchProgress &progress);
// "229/1000 done" and "4 now · 679 KiB/s": short enough for the counter.
QString ProgressCounterLine(const TBatchProgress &progress, bool english);
QString ProgressRateLine(const TBatchProgress &progress, bool english);
// "229 of 1000 files done, 4 in transfer, 1.8 MiB at 679 KiB/s".
QString ProgressSentence(const TBatchProgress &progress, bool english);
