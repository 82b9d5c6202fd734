#include "gui/paint_throttle.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

PaintThrottle::PaintThrottle(QWidget *window, int intervalMs)
    : QObject(window), window_(window), intervalMs_(intervalMs)
{
    holdTimer_.setSingleShot(true);
    holdTimer_.setTimerType(Qt::PreciseTimer);
    connect(&holdTimer_, &QTimer::timeout, this, [this] { GrantHeld(); });
    window->installEventFilter(this);
}

// An UpdateRequest makes the top-level widget paint every region marked
// dirty since the last one and put the result on the screen. One that is
// swallowed leaves the regions marked, and Qt posts no further request until
// one has been handled, so the request re-posted by GrantHeld paints them
// all.
bool PaintThrottle::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != window_ || event->type() != QEvent::UpdateRequest)
        return false;
    if (holdTimer_.isActive())
        return true;  // one is held already; it paints this too
    if (sinceFrame_.isValid() && sinceFrame_.elapsed() < intervalMs_) {
        ++held_;
        holdTimer_.start(int(intervalMs_ - sinceFrame_.elapsed()));
        return true;
    }
    ++frames_;
    sinceFrame_.start();
    return false;
}

void PaintThrottle::GrantHeld()
{
    sinceFrame_.invalidate();  // the interval is over: the next request paints
    QCoreApplication::postEvent(window_, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}
