// Tab contents that scroll on a small screen: the contents keep their least
// size (the size they were laid out for) and a tab smaller than that shows
// scroll bars instead of cutting controls off.
#pragma once

#include <QSize>

class QScrollArea;
class QWidget;

// Wraps contents (a widget without a parent yet, or one to be moved) in a
// frameless scroll area that stretches it to the area's size but never below
// least. The area is parented to parent.
QScrollArea *ScrollAreaFor(QWidget *contents, QSize least, QWidget *parent);

// Fills page with a scroll area and returns the widget inside it, on which
// the tab's controls are placed at their design bounds.
QWidget *ScrollingContents(QWidget *page, QSize least);
