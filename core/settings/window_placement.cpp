#include "core/settings/window_placement.h"

#include <algorithm>

namespace {

// The window system's coordinates are 16-bit.
constexpr qint64 kCoordinateLimit = 32767;

qint64 Clamp(qint64 value, qint64 low, qint64 high)
{
    return std::min(std::max(value, low), std::max(low, high));
}

// Whether the top band of a window at (left, top) of the given width shows
// well enough on the screen to be grabbed and moved.
bool TitleShows(qint64 left, qint64 top, qint64 width, const QRect &screen)
{
    const qint64 band = 20;
    const qint64 x1 = std::max<qint64>(left, screen.left());
    const qint64 x2 = std::min<qint64>(left + width, qint64(screen.left()) + screen.width());
    const qint64 y1 = std::max<qint64>(top, screen.top());
    const qint64 y2 = std::min<qint64>(top + band, qint64(screen.top()) + screen.height());
    return x2 - x1 >= std::min<qint64>(100, width) && y2 - y1 >= band;
}

}  // namespace

QRect FittedAtDefaultPlace(QRect bounds, QSize minimum, QSize frameExtra, const QList<QRect> &screens)
{
    if (screens.isEmpty())
        return bounds;
    const auto holder = std::find_if(screens.begin(), screens.end(),
                                     [&](const QRect &s) { return s.contains(bounds.topLeft()); });
    const QRect screen = holder != screens.end() ? *holder : screens.first();
    const qint64 right = qint64(screen.left()) + screen.width() - frameExtra.width();
    const qint64 bottom = qint64(screen.top()) + screen.height() - frameExtra.height();
    const qint64 width = Clamp(std::min<qint64>(bounds.width(), right - bounds.left()), minimum.width(), bounds.width());
    const qint64 height = Clamp(std::min<qint64>(bounds.height(), bottom - bounds.top()), minimum.height(), bounds.height());
    const qint64 left = Clamp(std::min<qint64>(bounds.left(), right - width), screen.left(), bounds.left());
    const qint64 top = Clamp(std::min<qint64>(bounds.top(), bottom - height), screen.top(), bounds.top());
    return QRect(int(left), int(top), int(width), int(height));
}

QRect PlacedBounds(StoredBounds stored, QSize minimum, QPoint fallback, const QList<QRect> &screens)
{
    qint64 maxWidth = kCoordinateLimit;
    qint64 maxHeight = kCoordinateLimit;
    if (!screens.isEmpty()) {
        maxWidth = maxHeight = 0;
        for (const QRect &s : screens) {
            maxWidth = std::max<qint64>(maxWidth, s.width());
            maxHeight = std::max<qint64>(maxHeight, s.height());
        }
    }
    const qint64 width = Clamp(stored.width, minimum.width(), maxWidth);
    const qint64 height = Clamp(stored.height, minimum.height(), maxHeight);
    qint64 left = Clamp(stored.left, -kCoordinateLimit, kCoordinateLimit);
    qint64 top = Clamp(stored.top, -kCoordinateLimit, kCoordinateLimit);
    if (!screens.isEmpty()
        && std::none_of(screens.begin(), screens.end(),
                        [&](const QRect &s) { return TitleShows(left, top, width, s); })) {
        left = fallback.x();
        top = fallback.y();
    }
    return QRect(int(left), int(top), int(width), int(height));
}
