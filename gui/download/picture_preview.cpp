#include "gui/download/picture_preview.h"

#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>

#include <algorithm>
#include <cmath>

QImage LoadPicture(const QByteArray &fileName)
{
    QImageReader reader(QFile::decodeName(fileName));
    reader.setAutoTransform(true);
    return reader.read();
}

QSize ScaledPreviewSize(QSize natural, int scale)
{
    if (scale <= 0)
        return natural;
    return {int(std::nearbyint(double(natural.width()) / scale)),
            int(std::nearbyint(double(natural.height()) / scale))};
}

QSize FitInside(QSize size, QSize bounds)
{
    if (size.isEmpty() || bounds.isEmpty()
        || (size.width() <= bounds.width() && size.height() <= bounds.height()))
        return size;
    const QSize fitted = size.scaled(bounds, Qt::KeepAspectRatio);
    return {std::max(1, fitted.width()), std::max(1, fitted.height())};
}

namespace {
// Distance between two rectangles (0 when they touch or overlap), squared.
qint64 GapSquared(const QRect &a, const QRect &b)
{
    const qint64 dx = std::max<qint64>({0, qint64(b.left()) - a.right(), qint64(a.left()) - b.right()});
    const qint64 dy = std::max<qint64>({0, qint64(b.top()) - a.bottom(), qint64(a.top()) - b.bottom()});
    return dx * dx + dy * dy;
}
}  // namespace

QRect NearestScreenArea(const QRect &frame, const QList<QRect> &screens)
{
    QRect best;
    qint64 bestOverlap = 0;
    for (const QRect &screen : screens) {
        const QRect common = screen.intersected(frame);
        const qint64 overlap = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        if (overlap > bestOverlap) {
            bestOverlap = overlap;
            best = screen;
        }
    }
    if (bestOverlap > 0)
        return best;
    qint64 bestGap = -1;
    for (const QRect &screen : screens) {
        const qint64 gap = GapSquared(frame, screen);
        if (bestGap < 0 || gap < bestGap) {
            bestGap = gap;
            best = screen;
        }
    }
    return best;
}

QRect MovedInto(const QRect &frame, const QRect &area)
{
    if (area.isEmpty())
        return frame;
    const int left = std::max(area.left(), std::min(frame.left(), area.left() + area.width() - frame.width()));
    const int top = std::max(area.top(), std::min(frame.top(), area.top() + area.height() - frame.height()));
    return QRect(QPoint(left, top), frame.size());
}

QRect PlaceBeside(QSize frame, const QRect &mainFrame, const QRect &spare, const QRect &area, QSize least)
{
    const int gap = 4;
    const QPoint candidates[] = {
        {mainFrame.right() + 1 + gap, mainFrame.top()},
        {mainFrame.left() - gap - frame.width(), mainFrame.top()},
        {mainFrame.left(), mainFrame.bottom() + 1 + gap},
        {mainFrame.left(), mainFrame.top() - gap - frame.height()},
    };
    for (const QPoint &place : candidates) {
        if (area.isEmpty() || area.contains(QRect(place, frame)))
            return QRect(place, frame);
    }
    const QSize fitted = FitInside(frame, spare.size()).expandedTo(least).boundedTo(frame);
    const QPoint corner(spare.right() + 1 - fitted.width(), spare.bottom() + 1 - fitted.height());
    return MovedInto(QRect(corner, fitted), area);
}

bool ShowPictureScaled(QLabel &image, const QByteArray &fileName, int scale, QSize maximum)
{
    const QImage picture = LoadPicture(fileName);
    const bool loaded = !picture.isNull();
    if (loaded)
        image.setPixmap(QPixmap::fromImage(picture));
    const QPixmap shown = image.pixmap();
    if (!shown.isNull())
        image.setFixedSize(FitInside(ScaledPreviewSize(shown.size(), scale), maximum));
    return loaded;
}
