// Places child widgets at fixed design bounds inside a container and moves
// or stretches them with the container by their anchors: anchored left and
// right, a control grows with the width; anchored right only, it keeps its
// distance to the right edge; the same vertically.
#pragma once

#include <QLayout>
#include <QList>
#include <QRect>

enum Anchor : unsigned {
    AnchorLeft = 1,
    AnchorTop = 2,
    AnchorRight = 4,
    AnchorBottom = 8,
    AnchorTopLeft = AnchorLeft | AnchorTop,
    AnchorAll = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom,
    AnchorBottomLeft = AnchorLeft | AnchorBottom,
    AnchorTopRight = AnchorTop | AnchorRight,
    AnchorTopWide = AnchorLeft | AnchorTop | AnchorRight,  // grows with the width
};

class AnchorLayout final : public QLayout {
public:
    // designSize: the container's size for which the bounds are given.
    AnchorLayout(QWidget *container, QSize designSize);
    ~AnchorLayout() override;

    // Adds a child at its design bounds with its anchors.
    void Place(QWidget *child, QRect bounds, unsigned anchors = AnchorTopLeft);

    void addItem(QLayoutItem *item) override;
    int count() const override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect &rect) override;

    // Widens the labels and buttons to their captions and moves what is right
    // of them (see caption_fit.h), from the design bounds, and places again.
    void FitCaptions();

    // Where bounds go in a container of the given size (pure, for tests).
    static QRect Arrange(QRect bounds, unsigned anchors, QSize design, QSize actual);

private:
    struct Entry {
        QLayoutItem *item;
        QRect bounds;   // as placed: the design's, the captions fitted
        unsigned anchors;
        QRect design;
    };
    QList<Entry> entries_;
    QSize design_;
};
