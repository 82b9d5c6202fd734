#include "cli/progress_line.h"

namespace {
// Back to the line's start and everything to its end erased.
const QByteArray kEraseLine = "\r\x1b[K";
}  // namespace

TProgressLine::TProgressLine(bool english, std::function<void(const QByteArray &)> write,
                             std::function<int()> columns)
    : english_(english), write_(std::move(write)), columns_(std::move(columns))
{
}

QString TProgressLine::Fitted(const TBatchProgress &progress, bool english, int columns)
{
    // The last column stays free: a terminal that wraps there would push the line down.
    const int room = qMax(1, columns - 1);
    const QStringList choices = ProgressChoices(progress, english);
    for (const QString &choice : choices)
        if (choice.size() <= room)
            return choice;
    return choices.isEmpty() ? QString() : choices.last().left(room);
}

void TProgressLine::Show(const TBatchProgress &progress)
{
    text_ = Fitted(progress, english_, columns_());
    Draw();
}

void TProgressLine::Draw()
{
    write_(kEraseLine + text_.toUtf8());
    shown_ = true;
}

void TProgressLine::Suspend()
{
    if (shown_)
        write_(kEraseLine);
}

void TProgressLine::Resume()
{
    if (shown_)
        Draw();
}

void TProgressLine::Finish()
{
    Suspend();
    shown_ = false;
    text_.clear();
}
