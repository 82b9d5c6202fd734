#include "app/message_log.h"

MessageLog::MessageLog(QWidget *parent, int flushDelayMs) : QPlainTextEdit(parent)
{
    // Nobody can undo in a log that takes no typing, and the undo history
    // would keep a copy of every appended batch for the whole run.
    setUndoRedoEnabled(false);
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(flushDelayMs);
    connect(&flushTimer_, &QTimer::timeout, this, [this] { Flush(); });
}

void MessageLog::AppendLine(const QString &line)
{
    queued_ << line;
    if (!flushTimer_.isActive())
        flushTimer_.start();
}

void MessageLog::Flush()
{
    flushTimer_.stop();
    if (queued_.isEmpty())
        return;
    const QString lines = queued_.join(u'\n');
    queued_.clear();
    appendPlainText(lines);  // one edit for all; follows the end if the view was there
}

QString MessageLog::Text()
{
    Flush();
    return toPlainText();
}

void MessageLog::Clear()
{
    flushTimer_.stop();
    queued_.clear();
    clear();
}

void MessageLog::ShowNewestLine()
{
    Flush();
    moveCursor(QTextCursor::End);
    ensureCursorVisible();
}
