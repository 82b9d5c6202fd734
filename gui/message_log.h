// The message log: a read-only plain-text view that takes lines in batches.
// Appending one line at a time costs a document edit and a layout each, and
// a batch of small files logs a line every fraction of a millisecond; so
// AppendLine only queues the line, and the queue goes into the view in one
// edit a few milliseconds later (or at once when the log is read, cleared or
// scrolled by the program). On screen nothing changes: the view repaints
// at most once per frame anyway. A line marked as a failure shows in red;
// the plain text of the log is the same either way.
// The view follows new lines as a terminal does: unless the user has
// scrolled up, it shows the newest line, also when it comes back from a
// hidden tab; scrolling back to the end follows again.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>

class MessageLog final : public QPlainTextEdit {
public:
    explicit MessageLog(QWidget *parent = nullptr, int flushDelayMs = 10);

    void AppendLine(const QString &line, bool failure = false);
    void Flush();              // the queued lines into the view now
    QString Text();            // the whole log, queued lines included
    void Clear();              // empties the view and drops the queue
    void ShowNewestLine();     // scrolls so that the last line is visible
    // Whether the view follows new lines (the user has not scrolled up).
    bool Following() const { return following_; }

    // Whether line n (0-based) of the view shows as a failure.
    bool IsFailureLine(int n);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void ScrollToEnd();
    void AppendRun(const QStringList &lines, bool failure);

    QStringList queued_;
    QList<bool> queuedFailure_;
    bool hasFailures_ = false;
    bool following_ = true;
    int readingAt_ = 0;  // where the user was, while hidden
    QTimer flushTimer_;
};
