// The counter display beside the message log: a fixed number of short lines
// (the batch progress, the size of the file in transfer), right-aligned in
// blue on the button-face colour. Setting a line stores the text and repaints
// this small widget; nothing is laid out, so the counter costs next to
// nothing however often a batch changes it. A line too long for the width is
// shortened in the middle; the tool tip holds the whole lines.
#pragma once

#include <QFrame>
#include <QStringList>

class CounterDisplay final : public QFrame {
public:
    explicit CounterDisplay(int lineCount, QWidget *parent = nullptr);

    int LineCount() const { return int(lines_.size()); }
    QString Line(int n) const { return lines_.value(n); }  // empty beyond the last
    void SetLine(int n, const QString &text);             // a line that does not exist is left alone

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QStringList lines_;
};
