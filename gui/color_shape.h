// A small filled square (the activity light): changing its colour repaints
// only its own few pixels.
#pragma once

#include <QColor>
#include <QWidget>

class ColorShape final : public QWidget {
public:
    explicit ColorShape(QWidget *parent = nullptr) : QWidget(parent) {}

    QColor Color() const { return color_; }
    void SetColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor color_{Qt::red};
};
