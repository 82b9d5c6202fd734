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
        const bool last = i == widths.size() - 1;
        if (!last)
            panel->setFixedWidth(widths[i]);
        else
            panel->setMinimumWidth(widths[i]);
        row->addWidget(panel, last ? 1 : 0);
        panels_.append(panel);
    }
}

QString PanelStatusBar::PanelText(int index) const
{
    return index >= 0 && index < panels_.size() ? panels_[index]->text() : QString();
}

void PanelStatusBar::SetPanelText(int index, const QString &text)
{
    if (index >= 0 && index < panels_.size())
        panels_[index]->setText(text);
}

void PanelStatusBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}
