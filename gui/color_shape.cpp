#include "gui/color_shape.h"

#include <QPainter>

void ColorShape::SetColor(const QColor &color)
{
    if (color == color_)
        return;
    color_ = color;
    update();
}

void ColorShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), color_);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
