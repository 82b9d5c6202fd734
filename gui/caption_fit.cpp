#include "gui/caption_fit.h"

#include "gui/anchor_layout.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QToolButton>
#include <QVariant>

#include <algorithm>
#include <numeric>

namespace {
// The geometry a hand-placed control had when first fitted.
constexpr char kDesignBounds[] = "grabuloDesignBounds";
// Set while the fit has the control elsewhere than its design bounds.
constexpr char kFitted[] = "grabuloFitted";

// A push button's text and its frame on each side, as the style draws it.
int PushButtonWidth(const QPushButton *button)
{
    const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
    const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
    int width = button->fontMetrics().horizontalAdvance(button->text()) + 2 * (margin + frame);
    if (!button->icon().isNull())
        width += button->iconSize().width() + 4;
    return width;
}
}  // namespace

int CaptionWidth(const QWidget *control)
{
    if (const auto *label = qobject_cast<const QLabel *>(control)) {
        if (label->text().isEmpty() || label->wordWrap() || !label->pixmap().isNull())
            return 0;
        return label->sizeHint().width();
    }
    if (const auto *button = qobject_cast<const QAbstractButton *>(control)) {
        if (button->text().isEmpty())
            return 0;
        if (const auto *push = qobject_cast<const QPushButton *>(button))
            return PushButtonWidth(push);
        return button->sizeHint().width();
    }
    return 0;
}

QList<QRect> FittedBounds(const QList<QRect> &design, const QList<int> &needed)
{
    QList<QRect> fitted = design;
    QList<qsizetype> order(design.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return design[a].left() < design[b].left(); });
    for (const qsizetype i : order) {
        const int need = needed.value(i);
        if (need <= fitted[i].width())
            continue;
        fitted[i].setWidth(need);
        for (const qsizetype j : order) {
            if (j == i || design[j].left() < design[i].left() + design[i].width()
                || design[j].bottom() < design[i].top() || design[j].top() > design[i].bottom())
                continue;
            const int gap = design[j].left() - (design[i].left() + design[i].width());
            const int left = fitted[i].left() + fitted[i].width() + gap;
            if (left > fitted[j].left())
                fitted[j].moveLeft(left);
        }
    }
    return fitted;
}

void FitCaptions(QWidget *window)
{
    if (!window)
        return;
    QList<QWidget *> parents{window};
    parents += window->findChildren<QWidget *>();
    for (QWidget *parent : parents) {
        if (auto *anchors = dynamic_cast<AnchorLayout *>(parent->layout())) {
            anchors->FitCaptions();
            continue;
        }
        // A Qt layout sizes its controls itself, and the compound controls
        // place their parts.
        if (parent->layout() || parent->inherits("QAbstractScrollArea") || parent->inherits("QTabWidget")
            || parent->inherits("QComboBox") || parent->inherits("QAbstractSpinBox")
            || parent->inherits("QStackedWidget") || parent->inherits("QTabBar"))
            continue;
        QList<QWidget *> controls;
        QList<QRect> design;
        QList<int> needed;
        for (QWidget *child : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (child->isWindow())
                continue;
            QVariant stored = child->property(kDesignBounds);
            if (!stored.isValid()) {
                stored = child->geometry();
                child->setProperty(kDesignBounds, stored);
            }
            controls << child;
            design << stored.toRect();
            needed << CaptionWidth(child);
        }
        const QList<QRect> fitted = FittedBounds(design, needed);
        // Only what the fit changes, or changed before, is placed again.
        for (qsizetype i = 0; i < controls.size(); ++i) {
            const bool moved = fitted[i] != design[i];
            if (moved || controls[i]->property(kFitted).toBool()) {
                controls[i]->setGeometry(fitted[i]);
                controls[i]->setProperty(kFitted, moved);
            }
        }
    }
}
