#include "gui/message_log.h"

#include <QColor>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>

namespace {
const QColor kFailureColor(0xb0, 0x00, 0x00);
}  // namespace

MessageLog::MessageLog(QWidget *parent, int flushDelayMs) : QPlainTextEdit(parent)
{
    // Nobody can undo in a log that takes no typing, and the undo history
    // would keep a copy of every appended batch for the whole run.
    setUndoRedoEnabled(false);
    setReadOnly(true);  // also what lets a new line leave a user's scrolled view alone
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(flushDelayMs);
    connect(&flushTimer_, &QTimer::timeout, this, [this] { Flush(); });
    // Only the user's scrolling (arrows, page, drag, wheel) decides whether
    // the view follows; the position is already the new one here.
    QScrollBar *bar = verticalScrollBar();
    connect(bar, &QAbstractSlider::actionTriggered, this,
            [this, bar] { following_ = bar->sliderPosition() >= bar->maximum(); });
}

void MessageLog::ScrollToEnd()
{
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

// Showing again may scroll the view: it goes back to the end, or to where
// the user was reading.
void MessageLog::hideEvent(QHideEvent *event)
{
    readingAt_ = verticalScrollBar()->value();
    QPlainTextEdit::hideEvent(event);
}

void MessageLog::showEvent(QShowEvent *event)
{
    QPlainTextEdit::showEvent(event);
    if (following_)
        ScrollToEnd();
    else
        verticalScrollBar()->setValue(readingAt_);
}

void MessageLog::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    if (following_)
        ScrollToEnd();
}

void MessageLog::AppendLine(const QString &line, bool failure)
{
    queued_ << line;
    queuedFailure_ << failure;
    if (!flushTimer_.isActive())
        flushTimer_.start();
}

void MessageLog::Flush()
{
    flushTimer_.stop();
    if (queued_.isEmpty())
        return;
    // One edit for each run of lines of one kind; appending follows the end
    // if the view was there.
    qsizetype first = 0;
    for (qsizetype i = 1; i <= queued_.size(); ++i) {
        if (i < queued_.size() && queuedFailure_[i] == queuedFailure_[first])
            continue;
        AppendRun(queued_.mid(first, i - first), queuedFailure_[first]);
        first = i;
    }
    queued_.clear();
    queuedFailure_.clear();
}

void MessageLog::AppendRun(const QStringList &lines, bool failure)
{
    const int firstBlock = document()->blockCount() - (document()->isEmpty() ? 1 : 0);
    appendPlainText(lines.join(u'\n'));
    if (following_)
        ScrollToEnd();
    if (!failure && !hasFailures_)
        return;  // no colour anywhere yet: nothing a new line could take over
    // A new block may take the format of the text before it: each run is
    // given its own.
    QTextCursor cursor(document()->findBlockByNumber(firstBlock));
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    if (failure)
        format.setForeground(kFailureColor);
    cursor.setCharFormat(format);
    hasFailures_ = hasFailures_ || failure;
}

bool MessageLog::IsFailureLine(int n)
{
    Flush();
    const QTextBlock block = document()->findBlockByNumber(n);
    return block.isValid() && !block.text().isEmpty()
           && block.begin().fragment().charFormat().foreground().color() == kFailureColor;
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
    queuedFailure_.clear();
    hasFailures_ = false;
    following_ = true;
    clear();
    // The view's cursor keeps the format of the text it stood after, and
    // appended text takes it: after a red last line every later line would
    // be red, with nothing left that tells AppendRun to set it right.
    setCurrentCharFormat(QTextCharFormat());
}

void MessageLog::ShowNewestLine()
{
    Flush();
    if (!following_)
        return;  // the user reads further up
    moveCursor(QTextCursor::End);
    ensureCursorVisible();
}
