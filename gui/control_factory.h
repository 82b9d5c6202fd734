// Small helpers that build controls at fixed bounds, as the windows'
// builders do.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QRect>

// Places a control at its bounds within its parent.
template <class W>
W *At(W *widget, QRect bounds)
{
    widget->setGeometry(bounds);
    return widget;
}

// A label sized to its caption with its top left corner at a point.
inline QLabel *MakeLabel(QWidget *parent, const QString &caption, QPoint at)
{
    auto *label = new QLabel(caption, parent);
    label->move(at);
    label->adjustSize();
    return label;
}

// A push button that Enter in another control never presses.
inline QPushButton *MakeButton(QWidget *parent, const QString &caption, QRect bounds)
{
    auto *button = At(new QPushButton(caption, parent), bounds);
    button->setAutoDefault(false);
    return button;
}
