// A read-only field for a folder's path: a path too long for the field shows
// its start and its end with an ellipsis in the middle (the folder's own
// name stays readable), and the whole path is the field's tooltip. text()
// is always the whole path.
#pragma once

#include <QLineEdit>

class PathField final : public QLineEdit {
public:
    explicit PathField(QWidget *parent = nullptr);

    // What the field shows in a width of the given pixels.
    QString ShownText(int width) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect TextRect() const;
};
