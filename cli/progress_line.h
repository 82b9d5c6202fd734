// The one progress line of a batch on a terminal, redrawn in place as the
// batch goes ("12 of 100 files done, 2 in transfer, 1.8 MiB at 679 KiB/s,
// about 40 s left"), the longest form that fits the width. A log line or a
// message first takes the line away and then has it drawn again below.
#pragma once

#include "core/download/batch_progress.h"

#include <QString>

#include <functional>

class TProgressLine {
public:
    // write: where the line's bytes go (standard error); columns: the
    // terminal's width, asked at each drawing.
    TProgressLine(bool english, std::function<void(const QByteArray &)> write, std::function<int()> columns);

    void Show(const TBatchProgress &progress);
    // Takes the line away while something else is written, then back.
    void Suspend();
    void Resume();
    // The batch has ended: the line goes and stays away until the next Show.
    void Finish();

    // The text for a terminal this wide: the first of the progress choices
    // that fits, cut to the width when none does.
    static QString Fitted(const TBatchProgress &progress, bool english, int columns);

private:
    void Draw();

    bool english_;
    std::function<void(const QByteArray &)> write_;
    std::function<int()> columns_;
    QString text_;      // what is drawn (or was, while suspended)
    bool shown_ = false;
};
