// Where a window goes at start from the bounds stored at its last closing.
// The stored values come from the settings file and may be anything: a
// window is never placed off every screen nor made larger than the largest
// one, and nothing here overflows, whatever the numbers.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>

struct StoredBounds {
    qint64 left = 0;
    qint64 top = 0;
    qint64 width = 0;
    qint64 height = 0;
};

// The bounds to give the window: the stored size, at least minimum and at
// most the largest screen (never below minimum); the stored position when
// the window's top band (where its title bar is) shows at least 100 x 20
// pixels on one of the screens, else fallback's position. With no screens
// known, only the size is bounded (and the position to the 16-bit range the
// window system takes).
QRect PlacedBounds(StoredBounds stored, QSize minimum, QPoint fallback, const QList<QRect> &screens);

// A window at its default place (a first start, or never moved) shows whole,
// its frame included, on the screen that holds its top-left corner (else the
// first): first it is made smaller, down to minimum, then moved, so that on
// a small screen every command of it is within reach.
QRect FittedAtDefaultPlace(QRect bounds, QSize minimum, QSize frameExtra, const QList<QRect> &screens);
