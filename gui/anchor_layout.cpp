#include "gui/anchor_layout.h"

#include "gui/caption_fit.h"

#include <QWidget>
#include <QWidgetItem>

AnchorLayout::AnchorLayout(QWidget *container, QSize designSize) : QLayout(container), design_(designSize)
{
    setContentsMargins(0, 0, 0, 0);
}

AnchorLayout::~AnchorLayout()
{
    for (const Entry &e : entries_)
        delete e.item;
}

void AnchorLayout::Place(QWidget *child, QRect bounds, unsigned anchors)
{
    addChildWidget(child);
    entries_.append({new QWidgetItem(child), bounds, anchors, bounds});
    invalidate();
}

void AnchorLayout::addItem(QLayoutItem *item)
{
    entries_.append({item, item->geometry(), AnchorTopLeft, item->geometry()});
}

int AnchorLayout::count() const { return int(entries_.size()); }

QLayoutItem *AnchorLayout::itemAt(int index) const
{
    return index >= 0 && index < entries_.size() ? entries_[index].item : nullptr;
}

QLayoutItem *AnchorLayout::takeAt(int index)
{
    if (index < 0 || index >= entries_.size())
        return nullptr;
    return entries_.takeAt(index).item;
}

QSize AnchorLayout::sizeHint() const { return design_; }
QSize AnchorLayout::minimumSize() const { return {0, 0}; }

namespace {
// One axis: start and length for a design start and length.
void ArrangeAxis(int &start, int &length, bool nearAnchor, bool farAnchor, int delta)
{
    if (nearAnchor && farAnchor)
        length = qMax(0, length + delta);
    else if (farAnchor)
        start += delta;
    else if (!nearAnchor)
        start += delta / 2;
}
}  // namespace

QRect AnchorLayout::Arrange(QRect bounds, unsigned anchors, QSize design, QSize actual)
{
    int x = bounds.x(), y = bounds.y(), w = bounds.width(), h = bounds.height();
    ArrangeAxis(x, w, anchors & AnchorLeft, anchors & AnchorRight, actual.width() - design.width());
    ArrangeAxis(y, h, anchors & AnchorTop, anchors & AnchorBottom, actual.height() - design.height());
    return {x, y, w, h};
}

void AnchorLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    for (const Entry &e : entries_) {
        const QRect r = Arrange(e.bounds, e.anchors, design_, rect.size()).translated(rect.topLeft());
        // Straight to the widget: the bounds are exact, whatever its size policy says.
        if (QWidget *w = e.item->widget())
            w->setGeometry(r);
        else
            e.item->setGeometry(r);
    }
}

void AnchorLayout::FitCaptions()
{
    QList<QRect> design;
    QList<int> needed;
    for (const Entry &e : entries_) {
        design << e.design;
        // Controls kept out of sight (left of the container) stay as they are.
        needed << (e.item->widget() && e.design.left() >= 0 ? CaptionWidth(e.item->widget()) : 0);
    }
    const QList<QRect> fitted = FittedBounds(design, needed);
    for (qsizetype i = 0; i < entries_.size(); ++i)
        entries_[i].bounds = fitted[i];
    if (QWidget *container = parentWidget(); container && container->isVisible())
        setGeometry(geometry());
    else
        invalidate();
}
