#include "gui/scrolling_page.h"

#include <QScrollArea>
#include <QVBoxLayout>

QScrollArea *ScrollAreaFor(QWidget *contents, QSize least, QWidget *parent)
{
    auto *area = new QScrollArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    // The controls inside take the focus, not the area: the Tab chain stays
    // the tab's, and the area scrolls to the control that gets the focus.
    area->setFocusPolicy(Qt::NoFocus);
    area->setWidgetResizable(true);
    contents->setMinimumSize(least);
    area->setWidget(contents);
    return area;
}

QWidget *ScrollingContents(QWidget *page, QSize least)
{
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    auto *contents = new QWidget;
    column->addWidget(ScrollAreaFor(contents, least, page));
    return contents;
}
