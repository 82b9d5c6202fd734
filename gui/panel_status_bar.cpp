#include "gui/panel_status_bar.h"

#include <QHBoxLayout>
#include <QFontMetrics>
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
        choices_.append(QStringList{QString()});
        waiting_.append(false);
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
    if (isVisible())
        ShowFittingChoice(int(panels_.size()) - 1);
    else
        waiting_.last() = true;
}

void PanelStatusBar::showEvent(QShowEvent *event)
{
    QFrame::showEvent(event);
    FitWaitingPanels();
}

void PanelStatusBar::FitWaitingPanels() const
{
    for (qsizetype i = 0; i < panels_.size(); ++i) {
        if (waiting_[i])
            ShowFittingChoice(int(i));
    }
}

QString PanelStatusBar::PanelText(int index) const
{
    return index >= 0 && index < panels_.size() ? choices_[index].first() : QString();
}

QString PanelStatusBar::ShownText(int index) const
{
    FitWaitingPanels();
    return index >= 0 && index < panels_.size() ? panels_[index]->text() : QString();
}

void PanelStatusBar::SetPanelText(int index, const QString &text)
{
    SetPanelTexts(index, QStringList{text});
}

void PanelStatusBar::SetPanelTexts(int index, const QStringList &choices)
{
    if (index < 0 || index >= panels_.size() || choices.isEmpty() || choices_[index] == choices)
        return;
    choices_[index] = choices;
    if (isVisible())
        ShowFittingChoice(index);
    else
        waiting_[index] = true;
}

void PanelStatusBar::ShowFittingChoice(int index) const
{
    waiting_[index] = false;
    QLabel *panel = panels_[index];
    const QStringList &choices = choices_[index];
    // Every panel has a fixed width, which holds before the layout has
    // given the panel its new size.
    const int room = panel->maximumWidth() - 2 * panel->frameWidth() - 2 * panel->margin() - 4;
    const QFontMetrics metrics = panel->fontMetrics();
    QString shown = metrics.elidedText(choices.last(), Qt::ElideRight, room);
    for (const QString &choice : choices) {
        if (metrics.horizontalAdvance(choice) <= room) {
            shown = choice;
            break;
        }
    }
    if (panel->text() != shown)
        panel->setText(shown);
    const QString tip = shown == choices.first() ? QString() : choices.first();
    if (panel->toolTip() != tip)
        panel->setToolTip(tip);
}

void PanelStatusBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}
