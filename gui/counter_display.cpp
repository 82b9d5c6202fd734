#include "gui/counter_display.h"

#include <QPainter>

CounterDisplay::CounterDisplay(int lineCount, QWidget *parent) : QFrame(parent)
{
    for (int i = 0; i < lineCount; ++i)
        lines_ << QString();
    setAutoFillBackground(true);
    QPalette colors = palette();
    colors.setColor(QPalette::Window, colors.color(QPalette::Button));
    colors.setColor(QPalette::WindowText, Qt::blue);
    setPalette(colors);
}

void CounterDisplay::SetLine(int n, const QString &text)
{
    if (n < 0 || n >= lines_.size() || lines_[n] == text)
        return;
    lines_[n] = text;
    setToolTip(lines_.join(u'\n').trimmed());
    update();
}

void CounterDisplay::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect area = contentsRect().adjusted(4, 3, -4, 0);
    const int lineHeight = fontMetrics().lineSpacing();
    for (int i = 0; i < lines_.size(); ++i) {
        const QRect line(area.left(), area.top() + i * lineHeight, area.width(), lineHeight);
        painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter,
                         fontMetrics().elidedText(lines_[i], Qt::ElideMiddle, line.width()));
    }
}
