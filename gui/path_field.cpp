#include "gui/path_field.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

PathField::PathField(QWidget *parent) : QLineEdit(parent)
{
    setReadOnly(true);
    connect(this, &QLineEdit::textChanged, this, [this](const QString &path) { setToolTip(path); });
}

QString PathField::ShownText(int width) const
{
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, width);
}

QRect PathField::TextRect() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    // The margins QLineEdit keeps around its text.
    return style()->subElementRect(QStyle::SE_LineEditContents, &option, this).adjusted(2, 1, -2, -1);
}

void PathField::paintEvent(QPaintEvent *event)
{
    const QRect room = TextRect();
    if (hasFocus() || fontMetrics().horizontalAdvance(text()) <= room.width()) {
        QLineEdit::paintEvent(event);  // fits, or the user is reading it through
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter, ShownText(room.width()));
}
