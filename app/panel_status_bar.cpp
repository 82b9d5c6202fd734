#include "app/panel_status_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

PanelStatusBar::PanelStatusBar(const QList<int> &widths, QWidget *parent) : QFrame(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(2);
    for (qsizetype i = 0; i < widths.size(); ++i) {
        auto *panel = new QLabel(this);
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setTextFormat(Qt::PlainText);
        // Every panel has a fixed size, so a new text never asks the window
        // for a new layout; resizeEvent gives the last one the rest.
        panel->setFixedSize(widths[i], 18);
        row->addWidget(panel);
        panels_.append(panel);
    }
    row->addStretch(1);
    minimumLast_ = widths.isEmpty() ? 0 : widths.last();
}

void PanelStatusBar::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    if (panels_.isEmpty())
        return;
    int used = contentsMargins().left() + contentsMargins().right();
    for (qsizetype i = 0; i + 1 < panels_.size(); ++i)
        used += panels_[i]->width() + layout()->spacing();
    panels_.last()->setFixedWidth(qMax(minimumLast_, width() - used));
}

QString PanelStatusBar::PanelText(int index) const
{
    return index >= 0 && index < panels_.size() ? panels_[index]->text() : QString();
}

void PanelStatusBar::SetPanelText(int index, const QString &text)
{
    if (index >= 0 && index < panels_.size() && panels_[index]->text() != text)
        panels_[index]->setText(text);
}

void PanelStatusBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}
